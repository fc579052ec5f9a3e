#!/usr/bin/env bash
# Screenshots of the main window after start-up and of the About window, for
# docs/. Runs the built program on a private Xvfb display (no window manager,
# so the pictures show the client areas) against a sample game folder in a
# temporary home.
#   ui/make_screenshots.sh BUILD_DIR
set -euo pipefail
[ $# -eq 1 ] || { sed -n '2,6p' "$0" >&2; exit 2; }
quarlo=$(realpath "$1/ui/qt/quarlo")
root=$(cd "$(dirname "$0")/.." && pwd)
samples="$root/tests/data"

work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

game="$work/home/Documents/My Games/Oblivion"
mkdir -p "$game/Saves/Aldric" "$game/Saves/Brynja" "$work/runtime"
chmod 700 "$work/runtime"
cp "$samples/oblivion-sample.ini" "$game/oblivion.ini"
cp "$samples/quarlo-sample.ini" "$game/quarlo.ini"
chmod u+w "$game"/*.ini

display_number=
for n in $(seq 150 250); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
        display_number=$n
        break
    fi
done
export DISPLAY=":$display_number"
Xvfb "$DISPLAY" -screen 0 640x480x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    xwininfo -root >/dev/null 2>&1 && break
    sleep 0.05
done

HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" "$quarlo" >/dev/null 2>&1 &
app_pid=$!
main=$(xdotool search --sync --name '^Quarlo$' | head -1)
sleep 1
import -window "$main" "$root/docs/screenshot-main.png"

# cmdAbout sits at (152, 96), 89 x 17.
xdotool mousemove --window "$main" 196 104 click 1
about=$(xdotool search --sync --name '^About$' | head -1)
sleep 1
import -window "$about" "$root/docs/screenshot-about.png"

for shot in "$root/docs/screenshot-main.png" "$root/docs/screenshot-about.png"; do
    mogrify -strip -define png:exclude-chunks=date,time "$shot"
done
