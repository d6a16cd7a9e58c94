#!/usr/bin/env bash
# Installs what the tests need, fuzzes the BMP reader and the input commands for 40 s each (so the fuzz
# targets keep building and a fresh finding shows at once),
# then builds and runs the whole suite twice under a virtual X server: a normal build (which also
# cross-builds the Windows zip and runs its program under Wine), and one with AddressSanitizer and
# UndefinedBehaviorSanitizer. After the normal build, the browser build is built
# and tested in headless Chromium and Firefox (scripts/web.sh --test).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc)

"$root/scripts/install-deps.sh" test
# The suite also cross-builds the Windows program and runs it under Wine.
"$root/scripts/install-deps.sh" windows

run_suite() {
    local dir=$1
    shift
    cmake -S "$root" -B "$dir" -DVELMIR_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j"$jobs"
    # GL tests share one virtual screen; the end-to-end tests start screens of their own. The server
    # tells its own display number (-displayfd), so no other X server on the machine can take it over
    # midway, as one that guessed a free number could.
    local fd number xvfb status=0
    exec {fd}<> <(:)
    Xvfb -displayfd "$fd" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    read -r -t 30 -u "$fd" number || { echo "test: the virtual X server did not start" >&2; exit 1; }
    DISPLAY=":$number" ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 600 || status=$?
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    exec {fd}<&-
    return "$status"
}

echo "== fuzzing the BMP reader and the input commands, 40 s each =="
if command -v clang++ >/dev/null; then
    mkdir -p "$root/build-fuzz"
    log="$root/build-fuzz/test-run.log"
    if ! "$root/scripts/fuzz.sh" 40 >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "fuzzing failed: the whole log is in $log, the input in build-fuzz/artifacts" >&2
        exit 1
    fi
    grep -E '^(== fuzzing|Done|stat::number_of_executed_units|stat::average_exec_per_sec)' "$log"
else
    echo "skipped: clang++ is not installed (scripts/install-deps.sh fuzz installs it)"
fi

echo "== normal build =="
run_suite "$root/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== browser build, in headless Chromium and Firefox =="
VELMIR_NATIVE_BUILD="$root/build-test" "$root/scripts/web.sh" --test
echo "== AddressSanitizer + UndefinedBehaviorSanitizer build =="
run_suite "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMIR_SANITIZE=ON
