#!/usr/bin/env bash
# Fuzzes the BMP reader for a bounded time: tools/fuzz.sh [seconds [runs]] (default 60 s, no run limit;
# with both it stops at whichever comes first, and 0 seconds means no time limit).
# Configures a clang build in build-fuzz/, builds the libFuzzer target and runs it on a working copy
# of the seed corpus; new interesting inputs stay in build-fuzz/corpus, crashes in build-fuzz/artifacts.
set -euo pipefail

seconds=${1:-60}
runs=${2:--1}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-fuzz"

"$root/scripts/install-deps.sh" fuzz

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMIR_FUZZ=ON >/dev/null
cmake --build "$build" --target velmir_bmp_fuzz -j"$(nproc)"

mkdir -p "$build/corpus" "$build/artifacts"
# The seeds in the repository are read, never written: libFuzzer adds its finds to the first directory.
"$build/tests/fuzz/velmir_bmp_fuzz" "$build/corpus" "$root/tests/fuzz/corpus" \
    -max_total_time="$seconds" -runs="$runs" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/artifacts/" -print_final_stats=1
