#!/usr/bin/env bash
# Measures Velmir: builds Release in build-bench/ and prints the tables (markdown) of the gravity step;
# then, in the views a user reaches (tools/bench/views.h) at 640×480 and 1920×1080, whole frames and a
# long run at time scale 1024 from each view, what each speed-up buys and the program's trails against
# whole ones; the start-up; the browser build's frame rate (headless Chromium and Firefox).
# Usage: scripts/bench.sh [--quick] [--cpu-time] [--long-run SECONDS] [--against COMMIT]...
#   --quick            fewer repetitions and 30-second long runs (2 minutes otherwise)
#   --cpu-time         frame tables in processor time (all threads): on a busy machine it moves less
#                      with the load than the wall-clock time does
#   --long-run S       long runs of S seconds; 0 leaves them out
#   --against COMMIT   instead: builds each COMMIT beside the working tree (its program, this tree's
#                      frame and long-run tables) and runs the tables for all of them alternately,
#                      printing them side by side with their ratios. May be given more than once.
# Every figure is a median over repeated runs with its min–max. Set LP_NUM_THREADS to choose
# llvmpipe's raster threads; the output records it.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-bench"
quick=0
cpu_time=()
long_run=
against=()
while (($#)); do
    case "$1" in
        --quick) quick=1 ;;
        --cpu-time) cpu_time=(--cpu-time) ;;
        --long-run)
            [[ $# -ge 2 ]] || { echo "--long-run needs seconds" >&2; exit 2; }
            long_run=$2
            shift
            ;;
        --against)
            [[ $# -ge 2 ]] || { echo "--against needs a commit" >&2; exit 2; }
            against+=("$2")
            shift
            ;;
        *) echo "usage: scripts/bench.sh [--quick] [--cpu-time] [--long-run SECONDS] [--against COMMIT]..." >&2; exit 2 ;;
    esac
    shift
done

repetitions=15
period=30
ab_rounds=5
if [[ $quick -eq 1 ]]; then
    repetitions=5
    period=10
    ab_rounds=3
fi
long_run=${long_run:-$((quick ? 30 : 120))}
((long_run >= 3 * period)) || period=$(((long_run + 2) / 3))
screen=(-a -s "-screen 0 1920x1080x24 -nolisten tcp")
load() { cut -d' ' -f1-3 /proc/loadavg; }

"$root/scripts/install-deps.sh" test
# Release, benchmarks on, tests off, in $2 from the sources in $1; then the targets that follow.
build_tree() {
    local source=$1 dir=$2
    shift 2
    cmake -S "$source" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVELMIR_BENCHMARKS=ON -DVELMIR_TESTS=OFF >/dev/null
    cmake --build "$dir" -j"$(nproc)" --target "$@" >/dev/null
}

if ((${#against[@]})); then
    # The working tree first, then each commit: its own program with this tree's view tables
    # (tools/bench/views.cmake and the files it names use only the program's long-standing interfaces).
    labels=("this tree")
    dirs=("$build")
    build_tree "$root" "$build" velmir_bench_views
    for commit in "${against[@]}"; do
        sha=$(git -C "$root" rev-parse --short=7 "$commit^{commit}")
        source="$build/against-$sha/source"
        if [[ ! -f "$source/CMakeLists.txt" ]]; then
            mkdir -p "$source"
            git -C "$root" archive "$sha" | tar -x -C "$source"
        fi
        cp "$root"/tools/bench/{views.cmake,view_bench.cpp,views.h,measuring.h,log_sink.cpp,log_sink.h} "$source/tools/bench/"
        grep -q '^include(views.cmake)' "$source/tools/bench/CMakeLists.txt" ||
            echo 'include(views.cmake)' >>"$source/tools/bench/CMakeLists.txt"
        build_tree "$source" "$build/against-$sha/build" velmir_bench_views
        [[ $sha == "$commit"* ]] && labels+=("$sha") || labels+=("$commit ($sha)")
        dirs+=("$build/against-$sha/build")
    done

    figures=$(mktemp)
    trap 'rm -f "$figures"' EXIT
    # Runs one table for every build in turn, tagging each "@" line with the build's index.
    each_build() {
        local i
        for i in "${!dirs[@]}"; do
            "${dirs[$i]}/tools/bench/velmir_bench_views" "$@" | sed -n "s/^@/$i\t/p" >>"$figures"
        done
    }
    echo "Velmir A/B, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(load) at the start"
    echo "LP_NUM_THREADS=${LP_NUM_THREADS:-(unset: llvmpipe uses one thread per core)}"
    export figures
    dirlist=$(printf '%s\n' "${dirs[@]}")
    export dirlist
    # One X server for every run; the builds alternate within each round and each view.
    xvfb-run "${screen[@]}" bash -c '
        mapfile -t dirs <<<"$dirlist"
        '"$(declare -f each_build)"'
        for ((r = 0; r < '"$ab_rounds"'; r++)); do each_build frames --rounds 3 --frames 8 '"${cpu_time[*]}"'; done
        [ '"$long_run"' -gt 0 ] || exit 0
        for view in 0 1 2; do
            for size in 640x480 1920x1080; do
                each_build longrun --view "$view" --sizes "$size" --long-run-seconds '"$long_run"' --period '"$period"'
            done
        done'
    echo "Load average $(load) at the end."
    label_list=$(printf '%s\t' "${labels[@]}")
    awk -F'\t' -v labels="$label_list" -v rounds="$ab_rounds" -v long_run="$long_run" -v period="$period" \
        -v clock="$([[ ${#cpu_time[@]} -gt 0 ]] && echo "processor time of all threads" || echo "wall-clock time")" '
        function median(list,    n, v, i, j, t) {
            n = split(list, v, " ")
            for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
            lo = v[1]; hi = v[n]
            return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
        }
        # The columns after "| size | view |": each build, then its ratio to the first.
        function columns(    b) {
            for (b = 0; b < builds; b++) printf " %s |", name[b + 1]
            for (b = 1; b < builds; b++) printf " ratio to %s |", name[b + 1]
            printf "\n|---|---|"; for (b = 1; b < 2 * builds; b++) printf "---|"; printf "\n"
        }
        BEGIN { builds = split(labels, name, "\t") - 1 }
        $2 == "frame" { key = $3 "\t" $4; if (!(key in seen)) { seen[key] = 1; order[++keys] = key } ms[$1, key] = ms[$1, key] " " $5 }
        $2 == "long" { key = $3 "\t" $4; if (!(key in lseen)) { lseen[key] = 1; lorder[++lkeys] = key } overall[$1, key] = $5; lowest[$1, key] = $6 }
        END {
            printf "\n### Frames: ms per frame (%s), median (min–max) of %d runs of each build, taken in turn; ratio: frames per second of this tree ÷ of the other\n\n| size | view |", clock, rounds
            columns()
            for (k = 1; k <= keys; k++) {
                split(order[k], part, "\t")
                printf "| %s | %s |", part[1], part[2]
                for (b = 0; b < builds; b++) { m[b] = median(ms[b, order[k]]); printf " %.2f (%.2f–%.2f); %.0f fps |", m[b], lo, hi, 1000 / m[b] }
                for (b = 1; b < builds; b++) printf " %.2f |", m[b] / m[0]
                printf "\n"
            }
            if (!lkeys) exit
            printf "\n### Long runs: time scale 1024 for %d s from each view, frames per second overall and the lowest in a %d s period after the first (the builds in turn)\n\n| size | view |", long_run, period
            columns()
            for (k = 1; k <= lkeys; k++) {
                split(lorder[k], part, "\t")
                printf "| %s | %s |", part[1], part[2]
                for (b = 0; b < builds; b++) printf " %.1f; lowest %.1f |", overall[b, lorder[k]], lowest[b, lorder[k]]
                for (b = 1; b < builds; b++) printf " %.2f |", (overall[b, lorder[k]] > 0 ? overall[0, lorder[k]] / overall[b, lorder[k]] : 0)
                printf "\n"
            }
        }' "$figures"
    exit 0
fi

build_tree "$root" "$build" velmir_bench velmir_bench_views velmir_bench_step
echo "Velmir benchmarks, $(date -u +%Y-%m-%d), $(nproc) cores, load average $(load)"
"$build/tools/bench/velmir_bench_step" --benchmark_repetitions="$repetitions" \
    --benchmark_enable_random_interleaving=true --benchmark_min_time=0.05
# The GL figures need an X server with room for a 1920×1080 window; the start-up section starts a
# private one of its own.
sections=(frames)
((long_run > 0)) && sections+=(longrun)
xvfb-run "${screen[@]}" "$build/tools/bench/velmir_bench_views" --rounds "$repetitions" "${cpu_time[@]}" \
    --long-run-seconds "$long_run" --period "$period" "${sections[@]}" | grep -v '^@'
xvfb-run "${screen[@]}" "$build/tools/bench/velmir_bench" "${cpu_time[@]}"
echo "Load average $(load) at the end of the GL tables."
# The browser's frame: the page built as scripts/web.sh builds it (from this build's textures), measured
# by web/tests/browser_bench.mjs in headless Chromium and Firefox (which finds WebGL on the X display).
VELMIR_NATIVE_BUILD="$build" "$root/scripts/web.sh" --build >/dev/null
cd "$root/web/tests"
# npm ci again whenever the lockfile is newer than what it installed (a pulled change adds a package).
[[ node_modules/.package-lock.json -nt package-lock.json ]] || npm ci --no-audit --no-fund --loglevel=error
xvfb-run "${screen[@]}" node browser_bench.mjs "$root/build-web/site" --seconds $((quick ? 2 : 4))
