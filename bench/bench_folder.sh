#!/usr/bin/env bash
# The large-folder benchmark: vellumtext against cat on a generated mail folder, then on one
# with twice the messages in every file, to show that the time grows linearly.
#
#   bench/bench_folder.sh [MESSAGES [FILES]]     defaults: 100000 messages (about 1 GB) in 8 files
#
# Builds vellumtext and make_folder in Release (BUILD_DIR, default build-bench), writes the folders
# and documents under a temporary folder in /tmp (removed at the end), and runs each command
# REPEATS times (default 3), alternating, from the page cache, after one untimed run of each. Prints the median wall time, the
# spread, MB/s of folder bytes, the CPU seconds, the ratio vellumtext/cat, the peak RSS and
# PASS/FAIL for the goals: ratio <= 3, peak RSS < 100 MiB, time for the doubled folder <= 2.4
# times the first (wall time, and CPU time, which other work on the machine disturbs less).
# Exits with 1 when a goal is missed.
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$src/build-bench}
messages=${1:-100000}
files=${2:-8}
repeats=${REPEATS:-3}

if ! [ -x /usr/bin/time ]; then
    echo "bench_folder.sh: GNU time is needed for the peak RSS (apt-get install time)" >&2
    exit 2
fi

cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELLUM_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j2 --target vellumtext make_folder >/dev/null

work=$(mktemp -d /tmp/vellum-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
folder=$work/Inbox
out=$work/out

# timed TIMES STDOUT CMD...: one run into an empty output folder; appends its wall seconds, CPU
# seconds (user + system) and peak RSS in KiB. The wall time is taken in nanoseconds around GNU
# time, whose own %e has only 10 ms.
timed() {
    local times=$1 stdout=$2
    shift 2
    rm -rf "$out" && mkdir "$out"
    sync -f "$work"  # nothing left to write back from the run before
    local start end user system rss
    start=$(date +%s%N)
    /usr/bin/time -f "%U %S %M" -o "$work/time" "$@" >"$stdout"
    end=$(date +%s%N)
    read -r user system rss <"$work/time"
    echo "$(calc "%.3f" "($end - $start) / 1e9") $(calc "%.2f" "$user + $system") $rss" >>"$times"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
column_of() { awk -v c="$1" '{ printf "%s%s", (NR > 1 ? " " : ""), $c }' "$2"; }
calc() { awk "BEGIN { printf \"$1\", $2 }"; }

# measure SCALE: sets seconds_cat, seconds_vt, cpu_vt, rss_vt (MiB), ratio for that folder.
measure() {
    local scale=$1
    rm -rf "$folder"
    "$build/bench/make_folder" "$folder" --messages "$messages" --files "$files" --scale "$scale" >/dev/null
    local bytes
    bytes=$(stat -c %s "$folder"/* | awk '{ s += $1 } END { print s }')
    cat "$folder"/* >/dev/null  # into the page cache, as for both commands alike
    # One untimed run of each first: on a virtual machine the first use of memory the host has
    # taken back costs several times the copy itself, and that cost belongs to neither program.
    timed /dev/null "$out/all.cat" cat "$folder"/Folder.idx "$folder"/*.bmf
    timed /dev/null /dev/null "$build/vellumtext" "$folder" -o "$out" -q
    rm -f "$work/cat.times" "$work/vt.times"
    for ((i = 0; i < repeats; i++)); do
        timed "$work/cat.times" "$out/all.cat" cat "$folder"/Folder.idx "$folder"/*.bmf
        timed "$work/vt.times" /dev/null "$build/vellumtext" "$folder" -o "$out" -q
    done
    local doc_bytes
    doc_bytes=$(stat -c %s "$out/Inbox.REN")
    folder_mb=$(calc "%.1f" "$bytes / 1e6")
    seconds_cat=$(cut -d' ' -f1 "$work/cat.times" | median)
    seconds_vt=$(cut -d' ' -f1 "$work/vt.times" | median)
    cpu_vt=$(cut -d' ' -f2 "$work/vt.times" | median)
    rss_vt=$(cut -d' ' -f3 "$work/vt.times" | sort -n | tail -1 | awk '{ printf "%.1f", $1 / 1024 }')
    local rss_cat
    rss_cat=$(cut -d' ' -f3 "$work/cat.times" | sort -n | tail -1 | awk '{ printf "%.1f", $1 / 1024 }')
    ratio=$(calc "%.2f" "$seconds_vt / $seconds_cat")

    echo "folder: $((messages * scale)) messages in $files files ($((messages * scale / files)) a file)," \
        "$folder_mb MB; document $(calc "%.1f" "$doc_bytes / 1e6") MB"
    local name times seconds rss
    for name in cat vellumtext; do
        if [ $name = cat ]; then times=$work/cat.times seconds=$seconds_cat rss=$rss_cat; else
            times=$work/vt.times seconds=$seconds_vt rss=$rss_vt; fi
        printf "  %-10s  median %7.3f s  runs %-25s %7.1f MB/s  CPU s %-17s  peak RSS %5.1f MiB\n" $name \
            "$seconds" "($(column_of 1 "$times"))" "$(calc "%.1f" "$bytes / 1e6 / $seconds")" "($(column_of 2 "$times"))" "$rss"
    done
    echo "  ratio vellumtext/cat: $ratio"
    rm -rf "$folder" "$out"
}

failed=0
goal() {  # goal CONDITION TEXT: CONDITION is an awk expression
    if awk "BEGIN { exit !($1) }"; then echo "PASS $2"; else echo "FAIL $2"; failed=1; fi
}

# Other work on the machine stretches wall times; the load and the CPU seconds tell how much.
echo "== $(nproc) cores, $(uname -sr), $repeats runs each, work folder $work, load $(cut -d' ' -f1-3 /proc/loadavg)"
measure 1
seconds_1=$seconds_vt cpu_1=$cpu_vt ratio_1=$ratio rss_1=$rss_vt
measure 2
seconds_2=$seconds_vt cpu_2=$cpu_vt ratio_2=$ratio rss_2=$rss_vt
doubling=$(calc "%.2f" "$seconds_2 / $seconds_1")
doubling_cpu=$(calc "%.2f" "$cpu_2 / $cpu_1")
echo "doubled messages per file: wall time x$doubling ($seconds_1 s -> $seconds_2 s)," \
    "CPU time x$doubling_cpu ($cpu_1 s -> $cpu_2 s); load at the end $(cut -d' ' -f1-3 /proc/loadavg)"
echo
goal "$ratio_1 <= 3" "vellumtext/cat $ratio_1 <= 3 ($messages messages)"
goal "$ratio_2 <= 3" "vellumtext/cat $ratio_2 <= 3 ($((2 * messages)) messages)"
goal "$rss_1 < 100" "peak RSS $rss_1 MiB < 100 MiB ($messages messages)"
goal "$rss_2 < 100" "peak RSS $rss_2 MiB < 100 MiB ($((2 * messages)) messages)"
goal "$doubling <= 2.4" "doubling the messages per file: wall time x$doubling <= 2.4"
goal "$doubling_cpu <= 2.4" "doubling the messages per file: CPU time x$doubling_cpu <= 2.4"
exit $failed
