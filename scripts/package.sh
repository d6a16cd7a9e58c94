#!/usr/bin/env bash
# Builds the Debian package of Velmir and puts it into the current directory.
# Usage: scripts/package.sh    then: sudo apt install ./velmir_*.deb
# It builds Release in build/ (the tree scripts/run.sh uses) and packs it with CPack in build/package/.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build"

"$root/scripts/install-deps.sh" package
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELMIR_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/package/velmir_*.deb
echo "package: packing (compressing the textures takes about half a minute)"
cpack --config "$build/CPackConfig.cmake" -B "$build/package" >/dev/null
deb=$(echo "$build"/package/velmir_*.deb)
cp "$deb" .
name=$(basename "$deb")
echo "package: $PWD/$name ($(du -h "$name" | cut -f1))"
echo "Install it with:  sudo apt install ./$name"
echo "Remove it with:   sudo apt remove velmir"
