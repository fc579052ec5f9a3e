#!/usr/bin/env bash
# Sets Quarlo's benchmark figures beside the system's own tools, measured on
# this machine in this run, on trees and files of the same shape and names:
#   the folder walk (LogPath)       beside  find DIR -printf ''
#   one profile write (2,000 lines) beside  cp FILE TMP && mv TMP FILE2
#   the headers of 2,000 saves          beside  head -c 4096 FILE... (timed by
#                                       quarlo_bench_save_header itself)
# Prints the machine, each median, and the ratios to paste into
# docs/performance.md.
#   bench/compare.sh [ROUNDS]   (default 5 rounds; the median is reported)
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=${1:-5}
build=build-bench
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DQUARLO_BUILD_BENCH=ON -DQUARLO_BUILD_TESTS=OFF \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j2 >/dev/null

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quarlo-compare-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# The same layout as bench/bench_files.cpp: Saves/charNNN/saveNNNN.ess.
make_tree() {
    local root=$1 folders=$2 files=$3 f
    mkdir -p "$root/Saves"
    : >"$root/oblivion.ini"
    for f in $(seq -f '%03g' 1 "$folders"); do
        mkdir "$root/Saves/char$f"
        (cd "$root/Saves/char$f" && seq -f 'save%04g.ess' 1 "$files" | xargs touch)
    done
}

# The same text as settingsFileText(2000): sections of twenty entries, CRLF,
# with [General] and SLocalSavePath before the fiftieth section.
settings_file() {
    awk -v lines="$1" 'BEGIN {
        written = 0
        for (s = 1; written < lines; s++) {
            if (s == int(lines / 40)) {
                printf "[General]\r\nSLocalSavePath=Saves\\Aldric\\\r\n"; written += 2
            }
            printf "[Section%03d]\r\n", s; written++
            for (k = 1; k <= 20 && written < lines; k++) {
                printf "sKey%02d=value %d.%d\r\n", k, s, k; written++
            }
        }
    }'
}

now_ns() { date +%s%N; }

# median_ms RUNS CMD...: runs CMD RUNS times per round, prints the median over
# the rounds of the mean time of one run, in milliseconds.
median_ms() {
    local runs=$1 r i start end
    shift
    local means=()
    for ((r = 0; r < rounds; r++)); do
        start=$(now_ns)
        for ((i = 0; i < runs; i++)); do "$@"; done
        end=$(now_ns)
        means+=("$(awk -v ns=$((end - start)) -v n="$runs" 'BEGIN { printf "%.3f", ns / n / 1e6 }')")
    done
    printf '%s\n' "${means[@]}" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

cp_mv() { cp "$scratch/oblivion.ini" "$scratch/oblivion.tmp" && mv "$scratch/oblivion.tmp" "$scratch/copy.ini"; }

make_tree "$scratch/small" 50 600
make_tree "$scratch/large" 200 1000
settings_file 2000 >"$scratch/oblivion.ini"
find "$scratch" -printf ''  # warm the caches as the benchmarks' own first runs do

find_small=$(median_ms 10 find "$scratch/small" -printf '')
find_large=$(median_ms 3 find "$scratch/large" -printf '')
cpmv=$(median_ms 50 cp_mv)

# Medians of our benchmarks, in milliseconds of wall time.
ours=$(
    for b in "$build"/bench/quarlo_bench_*; do
        "$b" --benchmark_repetitions="$rounds" --benchmark_report_aggregates_only=true \
            --benchmark_format=csv 2>/dev/null
    done | awk -F, '$1 ~ /_median"?$/ {
        name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
        t = $3; u = $5; gsub(/"/, "", u)
        if (u == "us") t /= 1000; else if (u == "ns") t /= 1e6; else if (u == "s") t *= 1000
        printf "%s %.3f\n", name, t
    }'
)
ours_ms() { awk -v n="$1" '$1 == n { print $2 }' <<<"$ours"; }
walk_small=$(ours_ms LogPath/50x600)
walk_large=$(ours_ms LogPath/200x1000)
write=$(ours_ms BM_ProfileWrite)
read_=$(ours_ms BM_ProfileRead)
saves=$(ours_ms ListSaves/2000/real_time)
head_c=$(ours_ms HeadC/2000/real_time)

# The block device under the scratch folder; virtual disks often claim to be
# rotational whatever backs them.
dev=$(df --output=source "$scratch" | awk 'NR == 2 { sub("/dev/", ""); print }')
disk=$(lsblk -dno NAME,ROTA,MODEL "/dev/$dev" 2>/dev/null |
    awk '{ m = ""; for (i = 3; i <= NF; i++) m = m " " $i
           printf "%s, %s%s", $1, ($2 ? "reports rotational" : "non-rotational"), m }')
echo "Date:       $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "CPU:        $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(nproc) cores"
echo "Disk:       ${disk:-unknown}"
echo "Scratch fs: $(df -T "$scratch" | awk 'NR == 2 { print $2 }') ($scratch)"
echo "Rounds:     $rounds (medians)"
echo
printf '%-34s %10s %10s %7s %6s\n' "Work" "Quarlo ms" "Tool ms" "Ratio" "Aim"
row() { printf '%-34s %10s %10s %7s %6s\n' "$1" "$2" "$3" "$(awk -v a="$2" -v b="$3" 'BEGIN { printf "%.2f", a / b }')" "$4"; }
row "walk 50 x 600 vs find" "$walk_small" "$find_small" "1.5"
row "walk 200 x 1000 vs find" "$walk_large" "$find_large" "1.5"
row "write 2,000 lines vs cp + mv" "$write" "$cpmv" "3"
row "2,000 save headers vs head -c" "$saves" "$head_c" "1.5"
printf '%-34s %10s\n' "read 2,000 lines (for scale)" "$read_"
