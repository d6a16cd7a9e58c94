#!/usr/bin/env bash
# Soaks Velmir: builds Release in build-bench/ and runs the real program on a private X server at time
# scale 16384 for a while, pressing "H" every 5 s. Prints, per minute, how long the key took to be
# answered, the resident memory and the steps taken, and at the end the exit status on closing the
# window. Usage: scripts/soak.sh [minutes]   (default 10). Exits non-zero if a key went unanswered
# for 10 s or the program did not end with status 0.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-bench"
minutes=${1:-10}

"$root/scripts/install-deps.sh" test
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELMIR_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target velmir_soak >/dev/null

echo "Velmir soak, $(date -u +%Y-%m-%d), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)," \
    "LP_NUM_THREADS=${LP_NUM_THREADS:-unset}"
"$build/tools/bench/velmir_soak" --minutes "$minutes"
