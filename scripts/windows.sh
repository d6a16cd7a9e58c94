#!/usr/bin/env bash
# The Windows version: installs what it needs, cross-compiles velmir.exe with Debian's MinGW-w64 and
# writes velmir-VERSION-windows-x86_64.zip (the program, its twelve textures, a README) into the
# current directory.
# Usage: scripts/windows.sh
# Everything is built in build-windows/ (VELMIR_WINDOWS_BUILD elsewhere): freeglut for Windows from
# Debian's source package, once, and reused on later runs; the textures by a native build of the
# generator (VELMIR_TEXTURE_DIR hands over a folder already painted, as the test suite does); the
# program and the zip.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${VELMIR_WINDOWS_BUILD:-$root/build-windows}
toolchain="$root/windows/mingw-w64-x86_64.cmake"

"$root/scripts/install-deps.sh" windows
mkdir -p "$out"

# The textures: painted on this machine by the generator built for it.
textures=${VELMIR_TEXTURE_DIR:-}
if [[ -z "$textures" ]]; then
    cmake -S "$root" -B "$out/native" -DCMAKE_BUILD_TYPE=Release -DVELMIR_TESTS=OFF >/dev/null
    cmake --build "$out/native" -j2 --target velmir_textures >/dev/null
    textures="$out/native/run"
fi

# freeglut, static, for Windows: from the source package of the freeglut this machine has, built with
# the same toolchain. Its library is installed as libfreeglut_static.a with a CMake package file.
freeglut="$out/freeglut"
if [[ ! -e "$freeglut/prefix/lib/cmake/FreeGLUT/FreeGLUTConfig.cmake" ]]; then
    echo "windows: building freeglut for Windows from Debian's source package"
    rm -rf "$freeglut"
    mkdir -p "$freeglut/source"
    # Its output only if it fails: it lists every step of the unpacking, and warns when root downloads
    # outside its sandbox (the download is checked all the same).
    if ! (cd "$freeglut/source" && apt-get source -qq freeglut) >"$freeglut/source.log" 2>&1; then
        cat "$freeglut/source.log" >&2
        exit 1
    fi
    source=$(find "$freeglut/source" -mindepth 1 -maxdepth 1 -type d -name 'freeglut-*' | head -1)
    [[ -n "$source" ]] || { echo "windows: apt-get source freeglut unpacked nothing" >&2; exit 1; }
    # The library's own warnings are not ours to fix.
    cmake -S "$source" -B "$freeglut/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_C_FLAGS=-w -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
        -DFREEGLUT_BUILD_DEMOS=OFF -DCMAKE_INSTALL_PREFIX="$freeglut/prefix" >/dev/null
    cmake --build "$freeglut/build" -j2 >/dev/null
    cmake --install "$freeglut/build" >/dev/null
fi

cmake -S "$root/windows" -B "$out/exe" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DVELMIR_WERROR=ON -DVELMIR_FREEGLUT_PREFIX="$freeglut/prefix" -DVELMIR_TEXTURE_DIR="$textures" >/dev/null
cmake --build "$out/exe" -j2 >/dev/null

# Nothing but Windows's own DLLs: a user has no other (a missing one stops the program before it can
# say a word). ADVAPI32 is freeglut's: it reads joysticks' names and serial devices from the registry.
exe="$out/exe/app/velmir.exe"
system_dlls='^(KERNEL32|USER32|GDI32|OPENGL32|GLU32|WINMM|msvcrt|ADVAPI32)\.dll$'
foreign=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | grep -viE "$system_dlls" || true)
if [[ -n "$foreign" ]]; then
    echo "windows: velmir.exe needs DLLs that are not Windows's own:" $foreign >&2
    exit 1
fi

zip=$(echo "$out"/exe/velmir-*-windows-x86_64.zip)
cp "$zip" .
name=$(basename "$zip")
echo "windows: $PWD/$name ($(du -h "$name" | cut -f1)); unpack it on Windows and start velmir.exe in its folder"
