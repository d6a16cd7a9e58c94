#!/usr/bin/env bash
# Records a scripted run of Velmir on a virtual X server as an MP4 video and an animated GIF.
# The run: the system stands still, is set in motion at 8 times the speed of the clock, the camera
# follows the earth and rides behind it, then turns back to the sun, with trails and arrows shown.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build"
usage() {
    cat <<'TEXT'
Usage: scripts/record.sh [SECONDS [NAME]]
       scripts/record.sh --docs
       scripts/record.sh --help

Records a scripted run of Velmir on a virtual X server.

  SECONDS   length of the recording, a whole number of at least 4 (20 by default)
  NAME      name of the recording (velmir by default): writes build/recordings/NAME.mp4 and
            build/recordings/NAME.gif; a NAME with a slash is a path, taken as it is
  --docs    the documentation's pictures: docs/velmir.gif (10 s, 320 pixels wide) and docs/velmir.png
            (the last frame)
  --help    prints this text
TEXT
}
docs=0
case "${1:-}" in
    -h | --help)
        usage
        exit 0
        ;;
    --docs)
        docs=1
        seconds=10
        name="$root/docs/velmir"
        gif_width=320
        ;;
    -*)
        usage >&2
        exit 2
        ;;
    *)
        seconds=${1:-20}
        name=${2:-velmir}
        # Recordings stay in the build tree, which git ignores, unless a path is asked for.
        [[ "$name" == */* ]] || name="$build/recordings/$name"
        gif_width=480
        ;;
esac
[[ "$seconds" =~ ^[0-9]+$ && "$seconds" -ge 4 ]] || { echo "record: SECONDS must be a whole number of at least 4 (see --help)" >&2; exit 2; }
gif_fps=12

"$root/scripts/install-deps.sh" record
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELMIR_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target velmir velmir_textures velmir-xtool >/dev/null
xtool="$build/tools/x11/velmir-xtool"
work=$(mktemp -d "${TMPDIR:-/tmp}/velmir-record-XXXXXX")

# A private virtual screen; Xvfb picks a free display number and tells it on the pipe.
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
velmir=
cleanup() {
    [[ -n "$velmir" ]] && kill "$velmir" 2>/dev/null
    kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
read -r -t 10 -u "$fd" number || { echo "record: the virtual X server did not start" >&2; exit 1; }
export DISPLAY=":$number"

# The program logs every step; nobody reads that here.
(cd "$build/run" && exec "$build/app/velmir" >/dev/null) &
velmir=$!
window=$("$xtool" find Velmir 10) || { echo "record: the window did not appear" >&2; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$window")" # X, Y, WIDTH, HEIGHT
# No window manager: give the window the pointer and the keyboard focus ourselves.
xdotool mousemove --window "$window" 320 240 windowfocus --sync "$window"

# A window shows black until the program first draws into it. Black here means that the brightest
# pixel of a rectangle is at most this luma (16 is black; the sky's stars and the menus are far
# brighter).
black_luma=32
# Prints the brightest luma in the rectangle WIDTH HEIGHT X Y of the screen, from one grabbed frame.
brightest() {
    ffmpeg -nostdin -loglevel error -f x11grab -draw_mouse 0 -video_size "$1x$2" -i "$DISPLAY+$3,$4" \
        -frames:v 1 -vf "signalstats,metadata=print:key=lavfi.signalstats.YMAX:file=-" -f null - |
        sed -n 's/.*YMAX=//p'
}
# Waits up to 5 s until the rectangle WIDTH HEIGHT X Y of the screen shows a picture.
wait_drawn() {
    local luma
    for _ in $(seq 50); do
        luma=$(brightest "$@")
        ((${luma:-0} > black_luma)) && return 0
        sleep 0.1
    done
    return 1
}
wait_drawn "$WIDTH" "$HEIGHT" "$X" "$Y" || { echo "record: the window shows no picture" >&2; exit 1; }

# The pop-up menus are top-level windows of their own, mapped at the pointer when they open.
viewable() { xdotool search --onlyvisible --maxdepth 1 --name '' 2>/dev/null | tr '\n' ' '; }
# Prints "x y width height" of the first viewable top-level window that is not in the list $1.
new_window() {
    local id
    for _ in $(seq 100); do
        for id in $(viewable); do
            [[ " $1 " == *" $id "* ]] && continue
            (
                eval "$(xdotool getwindowgeometry --shell "$id")"
                echo "$X $Y $WIDTH $HEIGHT"
            )
            return 0
        done
        sleep 0.03
    done
    return 1
}
# The menus' rectangles on the screen, "WIDTH HEIGHT X Y" each: frames in which one of them is still
# black are left out of the videos.
menus=()
# Chooses entry $1 (0 to 4) of the camera-mode submenu, the first entry of the main menu; both
# menus have five entries of equal height.
camera_mode() {
    local before x y w h
    before=$(viewable)
    xdotool mousemove --window "$window" 60 60 mousedown 3
    read -r x y w h < <(new_window "$before") || { echo "record: the pop-up menu did not open" >&2; exit 1; }
    menus+=("$w $h $x $y")
    xdotool mouseup 3
    before=$(viewable)
    xdotool mousemove $((x + w / 2)) $((y + h / 10))
    read -r x y w h < <(new_window "$before") || { echo "record: the camera-mode submenu did not open" >&2; exit 1; }
    menus+=("$w $h $x $y")
    # GLUT draws a submenu only once the pointer moves inside it; until then it is a black box.
    xdotool mousemove $((x + w / 2)) $((y + h / 10))
    wait_drawn "$w" "$h" "$x" "$y" || { echo "record: the camera-mode submenu was not drawn" >&2; exit 1; }
    sleep 0.3 # long enough to be seen in the video
    xdotool mousemove $((x + w / 2)) $((y + (2 * $1 + 1) * h / 10))
    sleep 0.3
    xdotool click 1 mousemove --window "$window" 320 240
}
keys() { xdotool key --delay 60 "$@"; }

ffmpeg -nostdin -loglevel error -f x11grab -draw_mouse 0 -framerate 25 -video_size "${WIDTH}x$HEIGHT" \
    -i "$DISPLAY+$X,$Y" -t "$seconds" -c:v libx264 -preset ultrafast -qp 0 "$work/raw.mkv" &
grabber=$!
start=$(date +%s%3N)
shown=-1
# The progress line: rewritten in place on a terminal, one line every 5 s otherwise.
logged=-1
progress() {
    if [[ -t 1 ]]; then
        printf '\rrecord: %2d of %d s recorded' "$1" "$seconds"
    elif (($1 / 5 != logged)); then
        logged=$(($1 / 5))
        echo "record: $1 of $seconds s recorded"
    fi
}
# Waits until the recording has run for the fraction $1/100 of its length, showing the progress.
at() {
    local now
    while :; do
        now=$(($(date +%s%3N) - start))
        if ((now / 1000 != shown && now / 1000 <= seconds)); then
            shown=$((now / 1000))
            progress "$shown"
        fi
        ((now * 100 >= $1 * seconds * 1000)) && return
        sleep 0.1
    done
}

at 5
keys space period period period # start; time scale 8
at 30
keys n n n x x x x x x # follow the earth, and come closer
at 40
camera_mode 3 # ride behind it: "Look At Object Anti Velocity"
at 75
camera_mode 0 # free camera again
keys p p p z z z z z z # back to the sun, and away again
at 100
wait "$grabber" || { echo; echo "record: ffmpeg could not record the screen" >&2; exit 1; }
[[ -t 1 ]] && echo
echo "record: encoding"
keys space # pause, so the picture is of one settled frame
sleep 0.5

mkdir -p "$(dirname "$name")"
if [[ $docs -eq 1 ]]; then
    "$xtool" shot "$window" "$name.png"
    mp4="$build/velmir-docs.mp4"
else
    mp4="$name.mp4"
fi
"$xtool" close "$window"
wait "$velmir" || true
velmir=

# Frames in which the window or a menu is still black are left out: the frame before stands in for
# them, and the video starts with the first picture. Prints the numbers of those frames.
black_frames() {
    local rectangle w h x y
    for rectangle in "$WIDTH $HEIGHT $X $Y" "${menus[@]}"; do
        read -r w h x y <<<"$rectangle"
        # From the screen into the window, whose part of the screen the video shows.
        x=$((x - X)) y=$((y - Y))
        w=$((w < WIDTH - x ? w : WIDTH - x)) h=$((h < HEIGHT - y ? h : HEIGHT - y))
        ffmpeg -nostdin -loglevel error -i "$work/raw.mkv" \
            -vf "crop=$w:$h:$x:$y,signalstats,metadata=print:key=lavfi.signalstats.YMAX:file=-" -f null - |
            awk -v black="$black_luma" -F '[: =]+' '/^frame:/ { n = $2 } /YMAX=/ && $2 + 0 <= black { print n }'
    done | sort -nu
}
mapfile -t black < <(black_frames)
keep=null
if ((${#black[@]} > 0)); then
    keep=$(printf 'eq(n\\,%s)+' "${black[@]}")
    keep="select='not(${keep%+})'"
    echo "record: left out ${#black[@]} frames with a window or menu not yet drawn (${black[*]})"
fi
ffmpeg -nostdin -loglevel error -y -i "$work/raw.mkv" -vf "$keep,fps=25" -c:v libx264 -preset slow -crf 20 \
    -pix_fmt yuv420p -movflags +faststart "$mp4"
# One palette for the whole clip, ordered dithering: small files without flicker.
ffmpeg -nostdin -loglevel error -y -i "$work/raw.mkv" -filter_complex \
    "$keep,fps=$gif_fps,scale=$gif_width:-1:flags=lanczos,split[a][b];[a]palettegen=max_colors=128[p];[b][p]paletteuse=dither=bayer:bayer_scale=3" \
    "$name.gif"

for file in "$mp4" "$name.gif" $([[ $docs -eq 1 ]] && echo "$name.png"); do
    echo "record: $file ($(du -h "$file" | cut -f1))"
done
