#!/usr/bin/env bash
# Fuzzes the BMP reader and the input commands, each for a bounded time:
#   scripts/fuzz.sh [SECONDS [RUNS [TARGET...]]]
# SECONDS (default 60) and RUNS (default no limit) apply to each target; with both, a target stops at
# whichever comes first, and 0 seconds means no time limit. TARGET is bmp or input (default both).
# Configures a clang build in build-fuzz/, builds the libFuzzer targets and runs each on a working copy
# of its seed corpus; new interesting inputs stay in build-fuzz/corpus/TARGET, crashes in
# build-fuzz/artifacts as TARGET-crash-..., TARGET-timeout-... .
set -euo pipefail

seconds=${1:-60}
runs=${2:--1}
shift $(($# > 2 ? 2 : $#))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(bmp input)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-fuzz"

for target in "${targets[@]}"; do
    case $target in
    bmp | input) ;;
    *) echo "fuzz: unknown target '$target' (bmp or input)" >&2; exit 2 ;;
    esac
done

"$root/scripts/install-deps.sh" fuzz

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMIR_FUZZ=ON >/dev/null
cmake --build "$build" --target $(printf 'velmir_%s_fuzz ' "${targets[@]}") -j"$(nproc)"

for target in "${targets[@]}"; do
    case $target in
    bmp) seeds="$root/tests/fuzz/corpus" options=(-max_len=65536) ;;
    input) seeds="$root/tests/fuzz/input_corpus" options=(-max_len=1024) ;;
    esac
    mkdir -p "$build/corpus/$target" "$build/artifacts"
    echo "== fuzzing: $target =="
    # The seeds in the repository are read, never written: libFuzzer adds its finds to the first directory.
    "$build/tests/fuzz/velmir_${target}_fuzz" "$build/corpus/$target" "$seeds" \
        -max_total_time="$seconds" -runs="$runs" "${options[@]}" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1
done
