#!/usr/bin/env bash
# Measures Velmir: builds Release in build-bench/ and prints the tables (markdown) of the gravity step;
# then, in a 640×480 and in a 1920×1080 window, whole frames, where the frame goes (each part alone, with
# the floor for the sky), what each speed-up buys, history points, the idle loop at several time scales
# and a long run (ten minutes at time scale 1024, then a third of that at 16384); then thinned trails
# against whole ones, the start-up, the browser build's frame rate at the sizes users give it (headless
# Chromium and Firefox) and where a frame goes there (Chromium; software WebGL).
# Usage: scripts/bench.sh [--quick]   (--quick: a one-minute long run and fewer repetitions)
# Every figure is a median over repeated runs with its min–max, next to a baseline measured in the
# same run. Set LP_NUM_THREADS to choose llvmpipe's raster threads; the output records it.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-bench"
quick=0
[[ "${1:-}" == "--quick" ]] && quick=1

"$root/scripts/install-deps.sh" test
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELMIR_BENCHMARKS=ON -DVELMIR_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target velmir_bench velmir_bench_step >/dev/null

repetitions=15
long_run=600
if [[ $quick -eq 1 ]]; then
    repetitions=5
    long_run=60
fi

echo "Velmir benchmarks, $(date -u +%Y-%m-%d), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
"$build/tools/bench/velmir_bench_step" --benchmark_repetitions="$repetitions" \
    --benchmark_enable_random_interleaving=true --benchmark_min_time=0.05
# The GL figures need an X server with room for a 1920×1080 window; the start-up section starts a
# private one of its own.
xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" \
    "$build/tools/bench/velmir_bench" --long-run-seconds "$long_run"
# The browser's frame: the page built as scripts/web.sh builds it (from this build's textures), measured
# by web/tests/browser_bench.mjs in headless Chromium and Firefox (which finds WebGL on the X display).
VELMIR_NATIVE_BUILD="$build" "$root/scripts/web.sh" --build >/dev/null
cd "$root/web/tests"
# npm ci again whenever the lockfile is newer than what it installed (a pulled change adds a package).
[[ node_modules/.package-lock.json -nt package-lock.json ]] || npm ci --no-audit --no-fund --loglevel=error
xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" node browser_bench.mjs "$root/build-web/site" --seconds $((quick ? 2 : 4))
