#!/usr/bin/env bash
# The native front end under Wine, as a new player meets the save commands:
# 60 loose saves of three players (beside a damaged file and a name that
# cannot be a folder) sorted from lstLoad's context menu, one of Aldric's
# saves moved to Brynja, one deleted into the trash; screenshots of the plan
# and summary go to docs/, and what is on disk afterwards is printed. Wine
# puts a deleted file into the Linux trash of XDG_DATA_HOME, here a folder of
# this run. Needs ./dev test --windows first, and xvfb, xdotool, imagemagick.
#   scripts/sort_trial_windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."

exe=$PWD/build-win/ui/win32/quarlo.exe
[ -f "$exe" ] || { echo "build it first: ./dev test --windows" >&2; exit 1; }
work=$(mktemp -d)
export XDG_DATA_HOME=$work/data
export WINEPREFIX=$PWD/build-win/wineprefix-trial WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
    wineserver -w
    for font in tahoma.ttf tahomabd.ttf marlett.ttf ms_sans_serif.ttf; do
        [ -f "/usr/share/wine/fonts/$font" ] && cp "/usr/share/wine/fonts/$font" "$WINEPREFIX/drive_c/windows/Fonts/"
    done
fi
documents="$WINEPREFIX/drive_c/users/$(id -un)/Documents"
[ -L "$documents" ] && rm -f "$documents"
mkdir -p "$documents"
game="$documents/My Games/Oblivion"
rm -rf "$game"
mkdir -p "$game/Saves"
python3 scripts/make_saves.py "$game/Saves" Aldric 25 1
python3 scripts/make_saves.py "$game/Saves" Brynja 20 26
python3 scripts/make_saves.py "$game/Saves" Cara 15 46
python3 scripts/make_saves.py "$game/Saves" "Sir [Bob]" 1 61
printf 'not a save' >"$game/Saves/Broken.ess"
printf 'co-save' >"$game/Saves/Save3.obse"
printf '[General]\r\nSLocalSavePath=Saves\\\r\n' >"$game/oblivion.ini"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1000x600x24 >/dev/null 2>&1 &
xvfb=$!
cleanup() { wineserver -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
export DISPLAY=$display
sleep 1
wine explorer /desktop=Quarlo,1000x600 "$exe" >/dev/null 2>&1 &
for _ in $(seq 50); do
    xdotool search --name '^Quarlo$' >/dev/null 2>&1 && break
    sleep 0.2
done
sleep 1.5
step() { xdotool key --delay 80 "$@"; sleep 0.8; }
# Client-area points at 96 dpi, under Wine's frame.
at() { xdotool mousemove $((4 + $1)) $((23 + $2)); sleep 0.3; }
shot() { import -window root png:- | convert - -trim +repage "$1"; }

at 123 -12; xdotool click 1; sleep 0.5   # the title bar: activate
at 30 40; xdotool click 3; sleep 1        # the empty list: Sort Loose Saves... alone
step Down Return
sleep 1
shot docs/screenshot-sort-plan-windows.png
step Return                               # OK
sleep 1.5
shot docs/screenshot-sort-summary-windows.png
step Return
at 30 40; xdotool click 3; sleep 1        # Aldric: Show Saves...
step Down Return
sleep 1.5
step Tab space                            # Move To... on the newest save
sleep 1
step Return                               # the first other character: Brynja
sleep 1
shot "$work/move.png"; cp "$work/move.png" "${TMPDIR:-/tmp}/quarlo-trial-windows-move.png"
step Return
step Tab Tab space                        # Delete on the newest save left
sleep 1
shot "${TMPDIR:-/tmp}/quarlo-trial-windows-delete-question.png"
step Return                               # Yes
sleep 1.5
shot "${TMPDIR:-/tmp}/quarlo-trial-windows-delete.png"
step Return
wineserver -k 2>/dev/null || true

echo "--- loose in Saves:"; find "$game/Saves" -maxdepth 1 -type f -printf '%f\n' | sort
for c in Aldric Brynja Cara; do
    echo "--- $c: $(find "$game/Saves/$c" -type f 2>/dev/null | wc -l) files"
done
echo "--- trash:"; ls "$XDG_DATA_HOME/Trash/files" 2>/dev/null || true
cat "$XDG_DATA_HOME/Trash/info/"*.trashinfo 2>/dev/null || true
echo "--- oblivion.ini:"; cat "$game/oblivion.ini"; echo
