#!/usr/bin/env bash
# Installs the Debian packages Velmir needs, and only those that are missing.
# Usage: scripts/install-deps.sh run|test|package|record|fuzz|web
# Safe to run again: with everything present it changes nothing and needs no network.
set -euo pipefail

build=(build-essential cmake pkg-config freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri
       libx11-dev libstb-dev)
# The headless demonstration runs the program under a virtual X server.
run=("${build[@]}" xvfb xauth xdotool)
# The Debian package: dpkg-shlibdeps computes its dependencies; the tests check it with lintian.
package=("${build[@]}" dpkg-dev)
# Recording videos of a run.
record=("${run[@]}" ffmpeg)
fuzz=("${build[@]}" clang libclang-rt-14-dev)
# The test command fuzzes as well, checks the package with lintian, hardening-check (devscripts) and
# appstreamcli (appstream), and the end-to-end tests watch the window's drawing (X DAMAGE).
test=("${run[@]}" dpkg-dev lintian devscripts appstream libgtest-dev libbenchmark-dev clang libclang-rt-14-dev
      libxdamage-dev)
# The browser version: the compiler, and real browsers for its test, both engines (npm drives them);
# the test compares its picture with the desktop program's on a virtual X server, where Firefox also
# finds its WebGL. webp packs the textures.
web=("${run[@]}" emscripten chromium firefox-esr python3 webp)
command -v npm >/dev/null || web+=(npm)

case "${1:-run}" in
    run) wanted=("${run[@]}") ;;
    test) wanted=("${test[@]}") ;;
    package) wanted=("${package[@]}") ;;
    record) wanted=("${record[@]}") ;;
    fuzz) wanted=("${fuzz[@]}") ;;
    web) wanted=("${web[@]}") ;;
    *) echo "usage: $0 run|test|package|record|fuzz|web" >&2; exit 2 ;;
esac

missing=()
for pkg in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
    sudo=()
elif command -v sudo >/dev/null; then
    sudo=(sudo)
else
    echo "install-deps: missing packages (${missing[*]}) and neither root nor sudo" >&2
    exit 1
fi
echo "install-deps: installing ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
