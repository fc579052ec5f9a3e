#!/usr/bin/env bash
# Screenshots of the Saves window in both front ends, on saves made by
# scripts/make_saves.py: the Qt one under Xvfb (docs/screenshot-saves-qt.png)
# and the native one under Wine (docs/screenshot-saves-windows.png). Each is
# opened as a player opens it, from lstLoad's context menu, and the newest
# readable save is selected so its screenshot shows. Needs build/ (./dev run),
# build-win/ and its GUI prefix (./dev test --windows, then
# scripts/windows_screenshot.sh), and xvfb, xdotool and imagemagick.
#   scripts/saves_screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/.."

# Aldric with six saves, a damaged file and a co-save; Brynja with two.
game_folder() {
    mkdir -p "$1/Saves/Brynja"
    python3 scripts/make_saves.py "$1/Saves/Aldric" Aldric 6
    python3 scripts/make_saves.py "$1/Saves/Brynja" Brynja 2 3
    printf 'not a save' >"$1/Saves/Aldric/Broken.ess"
    printf 'co-save' >"$1/Saves/Aldric/Save6.obse"
    printf '[General]\r\nSLocalSavePath=Saves\\Aldric\\\r\n' >"$1/oblivion.ini"
}

# A right click at X,Y on the list's first entry, "Show Saves..." from the
# menu, then the second row of the table.
cat >"${TMPDIR:-/tmp}/quarlo-open-saves.sh" <<'STEPS'
wait_for() { for _ in $(seq 60); do xdotool search --name "$1" >/dev/null 2>&1 && return; sleep 0.25; done; }
open_saves() {
    wait_for '^Quarlo$'; sleep 1
    xdotool mousemove "$1" "$2"; sleep 0.3; xdotool click 3; sleep 0.8
    xdotool key Down; sleep 0.2; xdotool key Return
    wait_for '^Saves of Aldric$'; sleep 1
    w=$(xdotool search --name '^Saves of Aldric$' | head -1)
    xdotool windowfocus "$w"; sleep 0.3; xdotool key Down; sleep 1
}
STEPS
steps=${TMPDIR:-/tmp}/quarlo-open-saves.sh

home=$(mktemp -d)
trap 'rm -rf "$home" "$steps"' EXIT
game_folder "$home/Documents/My Games/Oblivion"
HOME=$home XDG_CONFIG_HOME=$home/.config xvfb-run -a -s "-screen 0 1024x600x24" bash -c '
    unset WINEPREFIX
    . "$1"
    ./build/ui/qt/quarlo & p=$!
    open_saves 30 40
    import -window root -crop 900x420+0+0 docs/screenshot-saves-qt.png
    kill $p' _ "$steps"

export WINEPREFIX=$PWD/build-win/wineprefix-gui WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
game="$WINEPREFIX/drive_c/users/$(id -un)/Documents/My Games/Oblivion"
rm -rf "$game"
game_folder "$game"
xvfb-run -a -s "-screen 0 1024x600x24" bash -c '
    . "$1"
    # Wine draws the frames a bare X server lacks in a virtual desktop.
    wine explorer /desktop=Quarlo,1000x560 build-win/ui/win32/quarlo.exe >/dev/null 2>&1 &
    open_saves 34 63
    import -window root -crop 1000x560+0+0 docs/screenshot-saves-windows.png
    wineserver -k' _ "$steps"
