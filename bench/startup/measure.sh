#!/usr/bin/env bash
# Time from starting a program to its first window being mapped, Quarlo
# against a bare Qt window (empty, and holding one laid-out label), on a
# private Xvfb display with a private session bus, as on a desktop. The
# programs run in turn, the same number of times, after one warm-up run each;
# the medians and their ratios are printed.
#
#   bench/startup/measure.sh [-n RUNS] QUARLO BARE_WINDOW MAP_WATCH
#
# QUARLO is the built program (ui/qt/quarlo in a build folder); BARE_WINDOW and
# MAP_WATCH are built from this folder (quarlo_startup_bare_window and
# quarlo_startup_map_watch). Quarlo starts against a sample game folder in a
# temporary home: the sample settings files of tests/data when they are there, else
# small ones written here, and two character folders.
set -euo pipefail

runs=15
if [ "${1:-}" = "-n" ]; then
    runs=$2
    shift 2
fi
if [ $# -ne 3 ]; then
    sed -n '2,14p' "$0" >&2
    exit 2
fi
quarlo=$(realpath "$1")
bare=$(realpath "$2")
watch=$(realpath "$3")
here=$(cd "$(dirname "$0")" && pwd)
samples="$here/../../tests/data"

work=$(mktemp -d)
xvfb_pid=
bus_pid=
cleanup() {
    [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

game="$work/home/Documents/My Games/Oblivion"
mkdir -p "$game/Saves/Aldric" "$game/Saves/Brynja" "$work/runtime"
chmod 700 "$work/runtime"
if [ -f "$samples/oblivion-sample.ini" ] && [ -f "$samples/quarlo-sample.ini" ]; then
    cp "$samples/oblivion-sample.ini" "$game/oblivion.ini"
    cp "$samples/quarlo-sample.ini" "$game/quarlo.ini"
else
    printf '[General]\r\nSLocalSavePath=Saves\\Aldric\\\r\n[GamePlay]\r\niDifficultyLevel=65\r\n' \
        >"$game/oblivion.ini"
    printf '[Aldric]\r\nSScreenShotBaseName=1\r\niDifficultyLevel=70\r\n' >"$game/quarlo.ini"
fi

# A display of our own, on a number nobody holds a lock for. It must not
# reset when the last client leaves, or the next run could not connect.
display_number=
for n in $(seq 150 250); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
        display_number=$n
        break
    fi
done
[ -n "$display_number" ] || { echo "no free X display number" >&2; exit 1; }
Xvfb ":$display_number" -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    DISPLAY=":$display_number" xwininfo -root >/dev/null 2>&1 && break
    sleep 0.05
done

bus=$(env -i PATH="$PATH" HOME="$work/home" dbus-daemon --session --fork --print-address=1 \
    --print-pid=1)
bus_address=$(sed -n 1p <<<"$bus")
bus_pid=$(sed -n 2p <<<"$bus")

run_one() {
    env -i PATH="$PATH" HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" \
        DISPLAY=":$display_number" DBUS_SESSION_BUS_ADDRESS="$bus_address" \
        "$watch" Quarlo "$@"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

run_one "$quarlo" >/dev/null
run_one "$bare" >/dev/null
run_one "$bare" --label >/dev/null
: >"$work/quarlo.us"
: >"$work/bare.us"
: >"$work/label.us"
for _ in $(seq "$runs"); do
    run_one "$quarlo" >>"$work/quarlo.us"
    run_one "$bare" >>"$work/bare.us"
    run_one "$bare" --label >>"$work/label.us"
done

median_ms() { median <"$1" | awk '{ printf "%.1f", $1 / 1000 }'; }
all_ms() { awk '{ printf "%.1f ", $1 / 1000 }' "$1"; }
quarlo_ms=$(median_ms "$work/quarlo.us")
bare_ms=$(median_ms "$work/bare.us")
label_ms=$(median_ms "$work/label.us")
echo "runs:                     $runs each, in turn, after one warm-up run each"
echo "quarlo          median ms: $quarlo_ms   (all: $(all_ms "$work/quarlo.us"))"
echo "empty window    median ms: $bare_ms   (all: $(all_ms "$work/bare.us"))"
echo "window + label  median ms: $label_ms   (all: $(all_ms "$work/label.us"))"
awk -v q="$quarlo_ms" -v b="$bare_ms" -v l="$label_ms" 'BEGIN {
    printf "ratio to empty window:    %.2f\nratio to window + label:  %.2f\n", q / b, q / l }'
