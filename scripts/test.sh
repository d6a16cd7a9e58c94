#!/usr/bin/env bash
# Installs what the tests need, then builds and runs the whole suite twice under a virtual X
# server: a normal build, and one with AddressSanitizer and UndefinedBehaviorSanitizer. After the
# normal build, the browser build is built and tested in headless Chromium (scripts/web.sh --test).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc)

"$root/scripts/install-deps.sh" test

run_suite() {
    local dir=$1
    shift
    cmake -S "$root" -B "$dir" -DVELMIR_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
    # GL tests share this virtual screen; the end-to-end tests start screens of their own.
    xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" \
        ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 600
}

echo "== normal build =="
run_suite "$root/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== browser build, in headless Chromium =="
"$root/scripts/web.sh" --test
echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
run_suite "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMIR_SANITIZE=ON
