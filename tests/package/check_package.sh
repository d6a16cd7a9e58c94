#!/usr/bin/env bash
# Builds the Debian package twice as scripts/package.sh does (Debian's release flags; gzip instead of
# xz, to pack in seconds), the second time from an empty build tree, and checks it: the two packages
# are the same bytes, it holds exactly the files it should, its dependencies come from dpkg-shlibdeps,
# the program is hardened, the AppStream metadata is valid, and lintian finds no error or warning.
# Leaves an unpacked copy in OUT_DIR/root for the launcher test.
# Usage: check_package.sh OUT_DIR
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out=$1
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Runs scripts/package.sh with its build tree in OUT_DIR/build and the package going to $1.
package() {
    mkdir -p "$1"
    (cd "$1" && VELMIR_PACKAGE_BUILD_DIR="$out/build" VELMIR_PACKAGE_COMPRESSION=gzip \
        "$root/scripts/package.sh" >"$1/log" 2>&1) || { tail -n 30 "$1/log" >&2; fail "scripts/package.sh failed"; }
}
rm -rf "$out"
package "$out/first"
rm -rf "$out/build"
package "$out/second"
deb=$(echo "$out"/first/velmir_*_*.deb)
[[ -f "$deb" ]] || fail "no package in $out/first"
cmp "$deb" "$out/second/$(basename "$deb")" || fail "two builds of the same sources gave different packages"

textures="sun mercury venus earth mars jupiter saturn uranus neptune pluto moon skybox"
expected=$({
    printf '%s\n' usr/games/velmir usr/lib/games/velmir/velmir usr/share/applications/velmir.desktop \
        usr/share/doc/velmir/changelog.gz usr/share/doc/velmir/copyright usr/share/man/man6/velmir.6.gz \
        usr/share/metainfo/org.example.velmir.metainfo.xml
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
dpkg-deb -x "$deb" "$out/root"
[[ $(gzip -dc "$out/root/usr/share/doc/velmir/changelog.gz" | head -1) == "velmir ($version) "* ]] ||
    fail "the changelog's first entry is not version $version"
grep -q "<release version=\"$version\"" "$out"/root/usr/share/metainfo/*.xml ||
    fail "the AppStream metadata names no release $version"

# Debian 12's C start files carry no x86 control-flow (IBT/SHSTK) note, so no program linked there
# has it and dpkg-buildflags does not ask for it; every other protection is required.
hardening-check --nocfprotection "$out/root/usr/lib/games/velmir/velmir" || fail "the program is not hardened"
# The metadata file, its id against its name and its desktop entry; offline, so the screenshot's
# address is checked for its form only.
appstreamcli validate-tree --no-net "$out/root" || fail "appstreamcli finds errors or warnings"
# lintian warns that it runs as root, on CI; only its tags matter here.
lintian --fail-on error,warning "$deb" 2> >(grep -v "running with root privileges" >&2) ||
    fail "lintian reports errors or warnings"

echo "$(basename "$deb"): $(du -h "$deb" | cut -f1), $(echo "$actual" | wc -l) files, the same bytes twice; Depends: $depends"
