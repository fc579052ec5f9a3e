#!/usr/bin/env bash
# Runs the cross-built quarlo.exe under Wine on a virtual display, drives it
# from the keyboard like a player (new character Bob, load Aldric back, turn
# screenshot renaming on, then a difficulty change the read-only settings
# file refuses), saves docs/screenshot-windows.png and prints what
# the game's settings files then hold. Needs ./dev test --windows first, and
# the packages xvfb, xdotool, imagemagick and (for Wine's own fonts) fonts-wine.
#   scripts/windows_screenshot.sh
set -euo pipefail
cd "$(dirname "$0")/.."

exe=$PWD/build-win/ui/win32/quarlo.exe
[ -f "$exe" ] || { echo "build it first: ./dev test --windows" >&2; exit 1; }

export WINEPREFIX=$PWD/build-win/wineprefix-gui WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
wineserver -w
# Debian's Wine leaves its own Tahoma, MS Sans Serif and Marlett out of the
# font search; without them the dialog face falls back to a wider one.
for font in tahoma.ttf tahomabd.ttf marlett.ttf ms_sans_serif.ttf; do
    [ -f "/usr/share/wine/fonts/$font" ] && cp "/usr/share/wine/fonts/$font" "$WINEPREFIX/drive_c/windows/Fonts/"
done

# Wine points the prefix's Documents at the home folder; this run keeps its
# files inside the build instead.
documents="$WINEPREFIX/drive_c/users/$(id -un)/Documents"
rm -f "$documents"
mkdir -p "$documents"
game="$documents/My Games/Oblivion"
mkdir -p "$game/Saves/Aldric"
cp tests/data/oblivion-sample.ini "$game/oblivion.ini"
chmod u+w "$game/oblivion.ini"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 640x480x24 >/dev/null 2>&1 &
xvfb=$!
cleanup() { wineserver -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true; }
trap cleanup EXIT
export DISPLAY=$display
sleep 1

# Wine's virtual desktop draws the window frames that a bare X server lacks.
wine explorer /desktop=Quarlo,640x480 "$exe" >/dev/null 2>&1 &
for _ in $(seq 50); do
    xdotool search --name '^Quarlo$' >/dev/null 2>&1 && break
    sleep 0.2
done
sleep 1
step() { xdotool key --delay 80 "$@"; sleep 0.5; }
# Client-area points of the design at 96 dpi, placed under Wine's frame.
# The pointer settles before the button goes down, so Wine sees the click there.
click() { xdotool mousemove $((4 + $1)) $((23 + $2)); sleep 0.3; xdotool click 1; sleep 0.5; }

click 123 -12                 # the title bar: the first click only activates
step Tab                      # focus starts on cmdNew; Tab goes to txtNew
xdotool type --delay 80 Bob
step alt+n                    # New Character
click 30 40                   # the list's first entry, Aldric
step alt+l                    # Load Character
click 233 192                 # scrDiff's right arrow, twice
click 233 192
step shift+Tab space          # back to Check1: screenshot renaming on
# Read-only, so the next change cannot be written; root writes through
# permission bits, so as root the file is made immutable as well.
chmod a-w "$game/oblivion.ini"
[ "$(id -u)" -ne 0 ] || chattr +i "$game/oblivion.ini"
click 233 192                 # scrDiff once more: the outcome says so, whole
[ "$(id -u)" -ne 0 ] || chattr -i "$game/oblivion.ini"
chmod u+w "$game/oblivion.ini"
sleep 1
import -window root -crop 256x252+0+0 docs/screenshot-windows.png

echo "--- oblivion.ini (entries Quarlo writes)"
grep -a -E '^(SLocalSavePath|iDifficultyLevel|SScreenShotBaseName)=' "$game/oblivion.ini"
echo "--- quarlo.ini"
cat "$game/quarlo.ini"
echo "--- Saves"
ls "$game/Saves"
