#!/usr/bin/env bash
# Installs the Debian packages Velmir needs, and only those that are missing.
# Usage: scripts/install-deps.sh run|test|package|record|fuzz|web|windows
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
# The Windows build: the MinGW-w64 cross compiler (its posix thread model, whose libstdc++ is whole:
# the win32 model's lacks std::thread), freeglut's source package (dpkg-dev unpacks it; the source line is added below),
# the textures painted by a native build of the generator, and Wine to run the result on the virtual
# X server.
windows=("${run[@]}" g++-mingw-w64-x86-64-posix dpkg-dev wine wine64)

case "${1:-run}" in
    run) wanted=("${run[@]}") ;;
    test) wanted=("${test[@]}") ;;
    package) wanted=("${package[@]}") ;;
    record) wanted=("${record[@]}") ;;
    fuzz) wanted=("${fuzz[@]}") ;;
    web) wanted=("${web[@]}") ;;
    windows) wanted=("${windows[@]}") ;;
    *) echo "usage: $0 run|test|package|record|fuzz|web|windows" >&2; exit 2 ;;
esac

missing=()
for pkg in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
# The Windows build fetches freeglut's source with apt-get source, which needs a source line and the
# index it brings. A machine set up for binaries only has neither: add the line for this release's
# main component, beside its own, and read the index once.
need_sources=false
if [[ ${1:-run} == windows ]] && ! apt-cache showsrc freeglut 2>/dev/null | grep -q '^Package: freeglut$'; then
    need_sources=true
fi
[[ ${#missing[@]} -eq 0 ]] && ! $need_sources && exit 0

if [[ $(id -u) -eq 0 ]]; then
    sudo=()
elif command -v sudo >/dev/null; then
    sudo=(sudo)
else
    echo "install-deps: missing packages (${missing[*]}) and neither root nor sudo" >&2
    exit 1
fi
if $need_sources && ! grep -qsE '^(deb-src[[:space:]]|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
        /etc/apt/sources.list.d/*.sources; then
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
    echo "install-deps: adding the source line for $codename main (/etc/apt/sources.list.d/velmir-sources.sources)"
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$codename" | "${sudo[@]}" tee /etc/apt/sources.list.d/velmir-sources.sources >/dev/null
fi
"${sudo[@]}" apt-get update -qq
if [[ ${#missing[@]} -gt 0 ]]; then
    echo "install-deps: installing ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
