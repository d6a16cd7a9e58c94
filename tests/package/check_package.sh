#!/usr/bin/env bash
# Packs the build tree BUILD_DIR into a Debian package in OUT_DIR and checks it: exactly the files
# it should hold, dependencies found by dpkg-shlibdeps, and no lintian error or warning. Leaves an
# unpacked copy in OUT_DIR/root for the launcher test.
# Usage: check_package.sh BUILD_DIR OUT_DIR
set -euo pipefail

build=$1
out=$2
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$out"
mkdir -p "$out"
# gzip instead of the release's xz: the same files, packed in seconds instead of half a minute.
cpack --config "$build/CPackConfig.cmake" -B "$out" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >/dev/null
deb=$(echo "$out"/velmir_*_*.deb)
[[ -f "$deb" ]] || fail "no package in $out"

textures="sun mercury venus earth mars jupiter saturn uranus neptune pluto moon skybox"
expected=$({
    printf '%s\n' usr/games/velmir usr/lib/games/velmir/velmir usr/share/applications/velmir.desktop \
        usr/share/doc/velmir/changelog.gz usr/share/doc/velmir/copyright usr/share/man/man6/velmir.6.gz
    for size in 48 128 256; do echo "usr/share/icons/hicolor/${size}x$size/apps/velmir.png"; done
    for name in $textures; do echo "usr/share/games/velmir/$name.bmp"; done
} | sort)
actual=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./||' | sort)
diff <(echo "$expected") <(echo "$actual") || fail "the package holds other files than expected (< expected, > found)"

depends=$(dpkg-deb --field "$deb" Depends)
for library in libglut libstdc++6; do
    [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
[[ $(dpkg-deb --field "$deb" Section) == games ]] || fail "not in section games"
version=$(dpkg-deb --field "$deb" Version)
[[ $(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/velmir/changelog.gz | gzip -d | head -1) == \
    "velmir ($version) "* ]] || fail "the changelog's first entry is not version $version"

# lintian warns that it runs as root, on CI; only its tags matter here.
lintian --fail-on error,warning "$deb" 2> >(grep -v "running with root privileges" >&2) ||
    fail "lintian reports errors or warnings"

dpkg-deb -x "$deb" "$out/root"
echo "$(basename "$deb"): $(du -h "$deb" | cut -f1), $(echo "$actual" | wc -l) files; Depends: $depends"
