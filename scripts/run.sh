#!/usr/bin/env bash
# Builds Velmir (Release) and runs it in build/run, where the build put its textures.
# Without a display (no DISPLAY), or with --demo, it runs a short demonstration under a virtual
# X server instead: starts the simulation, lets it run a few seconds, saves a screenshot, closes
# the window and says where the picture is.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build"
demo=0
[[ "${1:-}" == "--demo" ]] && demo=1
[[ -z "${DISPLAY:-}" ]] && demo=1

"$root/scripts/install-deps.sh" run
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELMIR_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

xtool="$build/tools/x11/velmir-xtool"
# A DISPLAY that names no reachable X server counts as no display.
if [[ $demo -eq 0 ]]; then
    "$xtool" find Velmir 0 >/dev/null 2>&1 && reachable=0 || reachable=$?
    if [[ $reachable -eq 3 ]]; then
        echo "run: cannot open the display $DISPLAY; running the headless demonstration instead"
        demo=1
    fi
fi

mkdir -p "$build/run"
cd "$build/run"
if [[ $demo -eq 0 ]]; then
    exec "$build/app/velmir"
fi

seconds=${VELMIR_DEMO_SECONDS:-6}
shot="$build/velmir-demo.png"
log="$build/velmir-demo.log"

# A private virtual screen; Xvfb picks a free display number and tells it on the pipe.
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
read -r -t 10 -u "$fd" number || { echo "run: the virtual X server did not start" >&2; exit 1; }
export DISPLAY=":$number"
trap 'kill "$xvfb" 2>/dev/null || true' EXIT

"$build/app/velmir" >"$log" 2>&1 &
velmir=$!
window=$("$xtool" find Velmir 10) || { echo "run: the window did not appear" >&2; exit 1; }
# No window manager: give the window the pointer and the keyboard focus ourselves.
xdotool mousemove --window "$window" 320 240 windowfocus --sync "$window"
xdotool key space
sleep "$seconds"
xdotool key space # pause, so the picture is of one settled frame
sleep 0.5
"$xtool" shot "$window" "$shot"
"$xtool" close "$window"
status=0
wait "$velmir" || status=$?
echo "Velmir ran for ${seconds} s on a virtual display and exited with status $status."
echo "Screenshot: $shot"
echo "Its output ($(wc -l <"$log") lines): $log"
exit "$status"
