#!/usr/bin/env bash
# A new player's first use of the save commands in the Qt front end, under
# Xvfb: a Saves folder holding 60 loose saves of three players is sorted from
# lstLoad's context menu (screenshots of the plan and of the summary in docs/),
# then one of Aldric's saves is moved to Brynja and one deleted to the trash.
# What is on disk afterwards is printed. Needs build/ (./dev run), xvfb,
# xdotool and imagemagick.
#   scripts/sort_trial.sh
set -euo pipefail
cd "$(dirname "$0")/.."

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
game="$home/Documents/My Games/Oblivion"
mkdir -p "$game/Saves"
python3 scripts/make_saves.py "$game/Saves" Aldric 25 1
python3 scripts/make_saves.py "$game/Saves" Brynja 20 26
python3 scripts/make_saves.py "$game/Saves" Cara 15 46
python3 scripts/make_saves.py "$game/Saves" "Sir [Bob]" 1 61
printf 'not a save' >"$game/Saves/Broken.ess"
printf 'co-save' >"$game/Saves/Save3.obse"
printf '[General]\r\nSLocalSavePath=Saves\\\r\n' >"$game/oblivion.ini"
cp "$game/oblivion.ini" "$home/oblivion.before"

export shots=${TMPDIR:-/tmp}
HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
    xvfb-run -a -s "-screen 0 1024x600x24" bash -c '
    set -e
    unset WINEPREFIX
    wait_for() { for _ in $(seq 60); do xdotool search --name "$1" >/dev/null 2>&1 && return; sleep 0.25; done; echo "no window $1"; }
    ./build/ui/qt/quarlo & p=$!
    wait_for "^Quarlo$"; sleep 1
    # Away from the corner, so that dialogs centred on it show whole.
    xdotool windowmove "$(xdotool search --name "^Quarlo$" | head -1)" 200 150; sleep 0.5
    # The empty list: its menu holds Sort Loose Saves... alone.
    xdotool mousemove 230 190; sleep 0.3; xdotool click 3; sleep 0.8
    xdotool key Down; sleep 0.2; xdotool key Return
    wait_for "^Sort Loose Saves"; sleep 1
    import -window root png:- | convert - -trim +repage docs/screenshot-sort-plan.png
    xdotool key Return; sleep 2
    import -window root png:- | convert - -trim +repage docs/screenshot-sort-summary.png
    xdotool key Return; sleep 1
    # Aldric is the first entry now: Show Saves..., the newest save, Move To...
    xdotool mousemove 230 190; sleep 0.3; xdotool click 3; sleep 0.8
    xdotool key Down; sleep 0.2; xdotool key Return
    wait_for "^Saves of Aldric$"; sleep 1
    w=$(xdotool search --name "^Saves of Aldric$" | head -1)
    xdotool windowfocus "$w"; sleep 0.3
    xdotool key --window "$w" alt+m; sleep 1
    xdotool key ctrl+a; xdotool type Brynja; sleep 0.3; xdotool key Return; sleep 1.5
    import -window root -crop 900x420+0+0 "$shots/quarlo-trial-move.png"
    xdotool key Return; sleep 0.5
    xdotool windowfocus "$w"; sleep 0.3
    xdotool key --window "$w" alt+d; sleep 1
    xdotool key Return; sleep 1.5
    import -window root -crop 900x420+0+0 "$shots/quarlo-trial-delete.png"
    xdotool key Return; sleep 0.5
    kill $p'

echo "--- loose in Saves:"; find "$game/Saves" -maxdepth 1 -type f -printf '%f\n' | sort
for c in Aldric Brynja Cara; do
    echo "--- $c: $(find "$game/Saves/$c" -type f | wc -l) files"
done
echo "--- trash:"; ls "$home/.local/share/Trash/files" 2>/dev/null || true
cat "$home/.local/share/Trash/info/"*.trashinfo 2>/dev/null || true
# Start-up writes the difficulty and the screenshot name as ever; the sort
# leaves SLocalSavePath as it was.
echo "--- oblivion.ini now:"; cat "$game/oblivion.ini"; echo
