#!/usr/bin/env bash
# Makes every picture in the README from the demo game folder (./dev demo's),
# in both front ends, driven by the keyboard and mouse as a player would: the
# main window (and, in Qt, the About window), the Saves window with a save
# whose plugins are partly missing, the Sort plan (two characters of one name
# among the loose saves) and its summary, the Restore list, a Saves window
# with co-saves and saves Steam Cloud keeps, Rename, the Tidy Up plan of a
# Let's Play's saves, the full-screen picker of `quarlo run --pick`, and the
# Game menu with a Skyrim Special Edition character's Saves window. The Qt
# front end runs under Xvfb in a throwaway home laid out as Steam with the
# games' Proton prefixes; the native one under Wine, in a prefix of its own
# inside build-win/ with the game folder in its documents and the game
# installed in C:\Games\Oblivion, then Skyrim Special Edition and Fallout 4
# beside it.
#   scripts/screenshots.sh            both front ends
#   scripts/screenshots.sh qt|windows one of them
# Needs ./dev run (build/) and, for the native pictures, ./dev test --windows
# (build-win/); and xvfb, xdotool and imagemagick, installed when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
which=${1:-both}

missing=()
for p in xvfb xauth xdotool imagemagick; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

# A display of its own for each front end.
start_display() {
    local n
    for n in $(seq 150 250); do
        [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ] && break
    done
    export DISPLAY=":$n"
    Xvfb "$DISPLAY" -screen 0 "$1" -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        xdotool getmouselocation >/dev/null 2>&1 && break
        sleep 0.05
    done
}
wait_for() {
    for _ in $(seq 80); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
        sleep 0.25
    done
    echo "no window $1" >&2
    return 1
}
key() { xdotool key --delay 120 "$@"; sleep 0.8; }
click() { xdotool mousemove "$1" "$2"; sleep 0.3; xdotool click "${3:-1}"; sleep 0.8; }
# A window by its title, as the X server holds it (the Qt front end has no
# window manager around it, so a window is exactly its client area).
shoot_window() {
    local id
    id=$(xdotool search --onlyvisible --name "$1" | tail -1)
    import -window "$id" "$2"
    strip "$2"
}
# The whole screen, less the uniform background around what is on it.
shoot_screen() {
    import -window root png:- | convert - -trim +repage "$1"
    strip "$1"
}
# The whole screen as it is: the picker fills it.
shoot_full() {
    import -window root "$1"
    strip "$1"
}
strip() { mogrify -strip -define png:exclude-chunks=date,time "$1"; }

# One picture: a window by its title in the Qt front end (no window manager
# around it, so a window is exactly its client area); under Wine's desktop,
# whose windows are no X windows of their own, the screen less its
# background.
shot() {
    if [ "$front" = qt ]; then
        wait_for "$2"
        sleep 1
        shoot_window "$2" "docs/screenshot-$1.png"
    else
        sleep 2
        shoot_screen "docs/screenshot-$1.png"
    fi
}

# The same visit in both front ends, the main window's client area at X, Y:
# Aldric's saves, the loose saves sorted, a backup by hand and one when Load
# leaves Aldric for Brynja, then Aldric's Restore list.
play() {
    local x=$1 y=$2 suffix=$3
    click $((x + 40)) $((y + 40))     # Aldric, the first entry
    key shift+F10 s                   # its menu from the keyboard: Show Saves
    shot "saves-$suffix" '^Saves of Aldric$'
    if [ "$front" = windows ]; then
        key alt+F4
        click $((x + 123)) $((y - 12))
    fi
    click $((x + 60)) $((y + 100)) 3  # the list's empty part: Sort Loose Saves
    key l
    shot "sort-plan$4" '^Sort Loose Saves'
    key Return
    shot "sort-summary$4" '^Sort Loose Saves'
    key Return
    click $((x + 40)) $((y + 40))
    key shift+F10 b                   # Back Up
    sleep 1
    key Return
    click $((x + 40)) $((y + 53))     # Brynja
    key alt+l
    click $((x + 40)) $((y + 40))
    key shift+F10 r                   # Restore...
    shot "restore-$suffix" '^Backups of Aldric$'
    key Escape
    click $((x + 40)) $((y + 53))     # Brynja: her co-saves, two saves in Steam Cloud
    key shift+F10 s
    shot "cosaves-$suffix" '^Saves of Brynja$'
    if [ "$front" = windows ]; then
        key alt+F4
        click $((x + 123)) $((y - 12))
    fi
    click $((x + 40)) $((y + 53))
    key shift+F10 n                   # Rename...
    shot "rename$4" '^Rename'
    key Escape
    click $((x + 40)) $((y + 40))
    key End                           # Marcus, the last: a Let's Play's 88 saves
    key shift+F10 t                   # Tidy Up...
    shot "tidy-plan$4" '^Tidy Up'
    key Escape
}

qt() {
    local home=$PWD/build/screenshots-home
    ./build/tools/quarlo_demo_folders --proton "$home"
    mkdir -p "$home/.runtime"
    chmod 700 "$home/.runtime"
    start_display 1600x1000x24
    env -u WINEPREFIX HOME="$home" XDG_CONFIG_HOME="$home/.config" \
        XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home/.runtime" \
        ./build/ui/qt/quarlo >/dev/null 2>&1 &
    local app=$!
    front=qt
    wait_for '^Quarlo - Oblivion$'
    sleep 1
    # Without a window manager every window opens at the screen's corner: the
    # main window goes where the Saves window will not cover it. The Game
    # menu's bar is above the client area: its height is the window's less
    # the client's 223 points.
    local main
    main=$(xdotool search --onlyvisible --name '^Quarlo - ' | head -1)
    xdotool windowmove "$main" 1300 720
    sleep 0.5
    local bar
    bar=$(($(xdotool getwindowgeometry "$main" | sed -n 's/.*Geometry: [0-9]*x//p') - 223))
    shoot_window '^Quarlo - ' docs/screenshot-main.png
    click $((1300 + 196)) $((720 + bar + 104))   # About
    wait_for '^About$'
    sleep 1
    shoot_window '^About$' docs/screenshot-about.png
    play 1300 $((720 + bar)) qt ""
    # The Game menu, open, then Skyrim Special Edition: Lydia loaded over
    # the stale value another tool left, and her saves.
    click $((1300 + 20)) $((720 + 8))
    sleep 0.5
    import -window root -crop 320x150+1300+720 +repage docs/screenshot-games-qt.png
    strip docs/screenshot-games-qt.png
    key Down Down Return
    wait_for '^Quarlo - Skyrim Special Edition$'
    click $((1300 + 40)) $((720 + bar + 40))     # Lydia
    key alt+l
    click $((1300 + 40)) $((720 + bar + 40))
    key shift+F10 s
    shot skyrim-saves-qt '^Saves of Lydia$'
    # New Vegas: saves with no time of their own, the game's quicksave.fos.bak.
    xdotool windowactivate --sync "$main" 2>/dev/null || true
    click $((1300 + 20)) $((720 + 8))
    key Down Down Down Return
    wait_for '^Quarlo - Fallout: New Vegas$'
    click $((1300 + 40)) $((720 + bar + 40))     # Courier
    key shift+F10 s
    shot newvegas-saves-qt '^Saves of Courier$'
    kill "$app" 2>/dev/null || true
    # The picker as a launch option shows it, on a screen of the Deck's size,
    # one row down from the character the game will use.
    kill "$xvfb_pid" 2>/dev/null || true
    start_display 1280x800x24
    env -u WINEPREFIX HOME="$home" XDG_CONFIG_HOME="$home/.config" \
        XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home/.runtime" \
        ./build/ui/qt/quarlo run --pick --timeout 30 -- true >/dev/null 2>&1 &
    app=$!
    wait_for '^Quarlo'
    sleep 1
    key Down
    shoot_full docs/screenshot-picker-qt.png
    key Escape
    wait "$app" 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
}

windows() {
    local exe=$PWD/build-win/ui/win32/quarlo.exe
    [ -f "$exe" ] || { echo "build it first: ./dev test --windows" >&2; exit 1; }
    export WINEPREFIX=$PWD/build-win/wineprefix-screenshots WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=" XDG_DATA_HOME=$PWD/build-win/screenshots-data
    rm -rf "$WINEPREFIX" "$XDG_DATA_HOME"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    # Debian's Wine leaves its own Tahoma, MS Sans Serif and Marlett out of
    # the font search; without them the dialog face falls back to a wider one.
    for font in tahoma.ttf tahomabd.ttf marlett.ttf ms_sans_serif.ttf; do
        [ -f "/usr/share/wine/fonts/$font" ] &&
            cp "/usr/share/wine/fonts/$font" "$WINEPREFIX/drive_c/windows/Fonts/"
    done
    local profile
    profile="$WINEPREFIX/drive_c/users/$(id -un)"
    # Wine links the prefix's Documents to the home folder; this one keeps
    # its files inside the build.
    rm -f "$profile/Documents"
    ./build/tools/quarlo_demo_folders --folders "$profile/Documents/My Games/Oblivion" \
        "$WINEPREFIX/drive_c/Games/Oblivion" "$profile/AppData/Local/Oblivion"
    # Where the game's installer records it, in the 32-bit view it writes to.
    wine reg add 'HKLM\Software\Bethesda Softworks\Oblivion' /v 'Installed Path' /t REG_SZ \
        /d 'C:\Games\Oblivion' /reg:32 /f >/dev/null 2>&1
    wineserver -w

    start_display 1280x800x24
    front=windows
    wine explorer /desktop=Quarlo,1280x800 "$exe" >/dev/null 2>&1 &
    wait_for '^Quarlo$'
    sleep 2
    # Client-area points at 96 dpi, under the frame Wine's desktop draws.
    click 127 11                      # the title bar: activate
    shoot_screen docs/screenshot-windows.png
    play 4 23 windows -windows
    wineserver -k 2>/dev/null || true
    # The picker, a popup over the whole screen of its own.
    wine "$exe" --game oblivion --root 'C:\users\'"$(id -un)"'\Documents\My Games\Oblivion' \
        run --pick --timeout 30 -- cmd /c exit 0 >/dev/null 2>&1 &
    local app=$!
    wait_for '^Quarlo$'
    sleep 2
    # Wine's popup takes the keyboard once clicked (anywhere: clicks do
    # nothing there); the countdown ends it should a key be lost.
    click 640 760
    key Down
    shoot_full docs/screenshot-picker-windows.png
    key Escape
    wait "$app" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    # Skyrim Special Edition and Fallout 4 beside Oblivion: the Game menu
    # above the same client area, one menu bar's height lower.
    ./build/tools/quarlo_demo_folders --family "$profile/Documents/My Games" \
        "$WINEPREFIX/drive_c/Games" "$profile/AppData/Local"
    wine reg add 'HKLM\Software\Bethesda Softworks\Skyrim Special Edition' /v 'Installed Path' \
        /t REG_SZ /d 'C:\Games\Skyrim Special Edition' /reg:32 /f >/dev/null 2>&1
    wineserver -w
    wine explorer /desktop=Quarlo,1280x800 "$exe" >/dev/null 2>&1 &
    sleep 4
    click 127 11
    click 20 32                       # Game
    shoot_screen docs/screenshot-games-windows.png
    key Down Down Return              # Skyrim Special Edition
    sleep 2
    click 44 $((23 + 19 + 40))        # Lydia
    key alt+l
    click 44 $((23 + 19 + 40))
    key shift+F10 s
    shot skyrim-saves-windows '^Saves of Lydia$'
    wineserver -k 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
}

# The main window in German, as a player whose system speaks it sees it.
german() {
    local home=$PWD/build/screenshots-home-de
    ./build/tools/quarlo_demo_folders --proton "$home"
    mkdir -p "$home/.runtime"
    chmod 700 "$home/.runtime"
    start_display 1600x1000x24
    env -u WINEPREFIX LANG=de_DE.UTF-8 LANGUAGE=de HOME="$home" XDG_CONFIG_HOME="$home/.config" \
        XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home/.runtime" \
        ./build/ui/qt/quarlo >/dev/null 2>&1 &
    local app=$!
    wait_for '^Quarlo - Oblivion$'
    sleep 1
    shoot_window '^Quarlo - ' docs/screenshot-main-de-qt.png
    kill "$app" 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
    local exe=$PWD/build-win/ui/win32/quarlo.exe
    [ -f "$exe" ] || return 0
    export WINEPREFIX=$PWD/build-win/wineprefix-screenshots WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=" XDG_DATA_HOME=$PWD/build-win/screenshots-data
    [ -d "$WINEPREFIX" ] || { echo "run the windows pictures first" >&2; return 0; }
    # The language kept for the window (`quarlo language de`), on Oblivion.
    local kept
    kept="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Quarlo"
    mkdir -p "$kept"
    printf '[Quarlo]\r\nGame=oblivion\r\nLanguage=de\r\n' >"$kept/quarlo.ini"
    start_display 1280x800x24
    wine explorer /desktop=Quarlo,1280x800 "$exe" >/dev/null 2>&1 &
    sleep 5
    click 127 11
    shoot_screen docs/screenshot-main-de-windows.png
    wineserver -k 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
}

case "$which" in
both) qt; windows; german ;;
qt) qt ;;
windows) windows ;;
de) german ;;
*) sed -n '2,13p' "$0" >&2; exit 2 ;;
esac
echo "Pictures in docs/: $(ls docs/*.png | xargs -n1 basename | tr '\n' ' ')"
