#!/usr/bin/env bash
# Builds the Debian package of Velmir and puts it into the current directory.
# Usage: scripts/package.sh    then: sudo apt install ./velmir_*.deb
# It builds Release in build/ (the tree scripts/run.sh uses) with Debian's release flags
# (dpkg-buildflags, hardening included) and packs it with CPack in build/package/. Two runs on one
# commit give the same bytes: every time stamp in the package is the commit's.
# For the package test: VELMIR_PACKAGE_BUILD_DIR builds elsewhere, VELMIR_PACKAGE_COMPRESSION=gzip
# packs in seconds instead of half a minute (xz by default).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELMIR_PACKAGE_BUILD_DIR:-$root/build}
compression=${VELMIR_PACKAGE_COMPRESSION:-xz}

"$root/scripts/install-deps.sh" package
# Unless given, the time of the last commit, or of the changelog's first entry outside a git
# checkout; CPack gives it to every file and archive member.
if [[ -z "${SOURCE_DATE_EPOCH:-}" ]] && ! SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null); then
    SOURCE_DATE_EPOCH=$(date -d "$(sed -n 's/^ -- .*>  //p' "$root/packaging/changelog" | head -1)" +%s)
fi
export SOURCE_DATE_EPOCH
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELMIR_TESTS=OFF -DVELMIR_DEBIAN_FLAGS=ON >/dev/null
# What the package holds: the program, the textures, the icons, the compressed manual and changelog.
cmake --build "$build" -j"$(nproc)" --target velmir velmir_textures velmir_icons velmir_package_files
rm -f "$build"/package/velmir_*.deb
echo "package: packing$([[ $compression == xz ]] && echo " (compressing the textures takes about half a minute)")"
cpack --config "$build/CPackConfig.cmake" -B "$build/package" -D CPACK_DEBIAN_COMPRESSION_TYPE="$compression" >/dev/null
deb=$(echo "$build"/package/velmir_*.deb)
cp "$deb" .
name=$(basename "$deb")
echo "package: $PWD/$name ($(du -h "$name" | cut -f1))"
echo "Install it with:  sudo apt install ./$name"
echo "Remove it with:   sudo apt remove velmir"
