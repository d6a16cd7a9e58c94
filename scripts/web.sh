#!/usr/bin/env bash
# The browser version: installs what it needs, builds it into build-web/site/ (static files, ready to
# serve) and serves that folder on http://localhost:${VELMIR_WEB_PORT:-8000}/.
# Usage: scripts/web.sh           build and serve (Ctrl-C ends the server)
#        scripts/web.sh --build   build only
#        scripts/web.sh --test    build, then run the browser test in headless Chromium and Firefox,
#                                 comparing the first picture with the desktop program's
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="$root/build-web"
site="$out/site"
mode=serve
case "${1:-}" in
    "") ;;
    --build) mode=build ;;
    --test) mode=test ;;
    *) echo "usage: $0 [--build|--test]" >&2; exit 2 ;;
esac

"$root/scripts/install-deps.sh" web

# The textures and the page's icon come from the native tools, built as the desktop build builds
# them. The test command hands over its own desktop build (VELMIR_NATIVE_BUILD) rather than have a
# second one made.
native=${VELMIR_NATIVE_BUILD:-$out/native}
[[ -n "${VELMIR_NATIVE_BUILD:-}" ]] || cmake -S "$root" -B "$native" -DCMAKE_BUILD_TYPE=Release -DVELMIR_TESTS=OFF >/dev/null
cmake --build "$native" -j2 --target velmir_textures velmir_icons >/dev/null

# Debian's Emscripten keeps its node modules where Debian's node looks, not every node.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
# Its prebuilt system libraries are used as they are (its cache is frozen: nothing is rebuilt). A
# private cache folder that links to them keeps the package's folder untouched (Emscripten takes a
# lock in its cache) and works without root.
if [[ ! -e "$out/em-cache/sysroot_install.stamp" ]]; then
    package_cache=$(em-config CACHE)
    mkdir -p "$out/em-cache"
    ln -sfn "$package_cache/sysroot" "$out/em-cache/sysroot"
    cp "$package_cache/sysroot_install.stamp" "$out/em-cache/"
fi
export EM_CACHE="$out/em-cache"
emcmake cmake -S "$root/web" -B "$out/wasm" -DCMAKE_BUILD_TYPE=Release -DVELMIR_TEXTURE_DIR="$native/run" \
    -DVELMIR_ICON_DIR="$native/icons" -DVELMIR_SITE_DIR="$site" >/dev/null
cmake --build "$out/wasm" -j2
echo "web: the site is in $site ($(du -sh "$site" | cut -f1))"

case $mode in
    build) ;;
    test)
        # The desktop program's first picture, for the browser's to be compared with: the paused
        # initial system on a private virtual screen.
        cmake --build "$native" -j2 --target velmir velmir-xtool >/dev/null
        desktop_shot="$out/desktop-initial.png"
        rm -f "$desktop_shot"
        exec {fd}<> <(:)
        Xvfb -displayfd "$fd" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb=$!
        trap 'kill "$xvfb" 2>/dev/null || true' EXIT
        read -r -t 10 -u "$fd" number || { echo "web: the virtual X server did not start" >&2; exit 1; }
        xtool="$native/tools/x11/velmir-xtool"
        (cd "$native/run" && DISPLAY=":$number" exec "$native/app/velmir" >/dev/null) &
        desktop=$!
        window=$(DISPLAY=":$number" "$xtool" find Velmir 10) || { echo "web: no desktop window" >&2; exit 1; }
        # The program starts paused: its first drawn picture stays. Shots until two in a row are the
        # same and not black (a black picture packs into a few kilobytes, the initial system into
        # hundreds), rather than a fixed wait that a busy machine may outlast.
        previous=""
        for _ in $(seq 80); do
            DISPLAY=":$number" "$xtool" shot "$window" "$desktop_shot"
            current=$(cksum < "$desktop_shot")
            [[ $(stat -c %s "$desktop_shot") -gt 50000 && "$current" == "$previous" ]] && break
            previous=$current
            sleep 0.25
        done
        DISPLAY=":$number" "$xtool" close "$window"
        wait "$desktop" || true

        cd "$root/web/tests"
        # The browsers are Debian's chromium and firefox-esr; npm brings only the library that drives
        # them (pinned), and no browser of its own. Headless Firefox gets WebGL only with an X display:
        # it is handed the virtual one (it opens no window there).
        # npm ci again whenever the lockfile is newer than what it installed (a pulled change adds a package).
        [[ node_modules/.package-lock.json -nt package-lock.json ]] || npm ci --no-audit --no-fund --loglevel=error
        DISPLAY=":$number" node browser_test.mjs "$site" --desktop "$desktop_shot" --textures "$native/run"
        ;;
    serve)
        port=${VELMIR_WEB_PORT:-8000}
        echo "web: open http://localhost:$port/ in a browser (Ctrl-C stops the server)"
        cd "$site"
        # Any static server serves the site; this one also sends the precompressed copies.
        exec python3 "$root/web/serve.py" "$port"
        ;;
esac
