#!/usr/bin/env bash
# Times a careful run over an up-to-date destination started from the main window (offscreen) against
# the headless engine driver on the same 50,000-file tree, alternately in the same run, and prints the
# ratio of the medians (goal: at most 1.3).
#   bench/run-gui-bench.sh [WORKDIR]     (WORKDIR default /var/tmp/hozonix-bench, shared with run-bench.sh)
# The window's figure is the time from the click to the end of the run; the driver's is its whole
# process. Both processes' wall times are printed as well.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/var/tmp/hozonix-bench}
runs=${RUNS:-5}

cmake -S "$repo" -B "$repo/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOZONIX_BUILD_TESTS=OFF -DHOZONIX_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$repo/build/release" -j2 --target hozonix-bench hozonix-gui-bench >/dev/null
hz=$repo/build/release/bench/hozonix-bench
gui=$repo/build/release/bench/gui/hozonix-gui-bench
python3 "$repo/bench/make-trees.py" "$work/trees"
src=$work/trees/small
out=$(mktemp -d "$work/gui-out-XXXXXX")
trap 'rm -rf "$out"' EXIT

cp -a "$src" "$out/sync"
sync
"$hz" "$src" "$out/sync" >/dev/null
find "$src" "$out/sync" -type f -print0 | xargs -0 cat >/dev/null

now_ns() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

engine_wall=() gui_wall=() gui_run=()
for ((r = 1; r <= runs; r++)); do
    start=$(now_ns)
    "$hz" "$src" "$out/sync" >/dev/null
    engine_wall+=($((($(now_ns) - start) / 1000000)))

    start=$(now_ns)
    line=$(QT_QPA_PLATFORM=offscreen "$gui" "$src" "$out/sync")
    gui_wall+=($((($(now_ns) - start) / 1000000)))
    [[ $line =~ run_ms=([0-9]+)\ written=([0-9-]+) ]] || { echo "unexpected output: $line" >&2; exit 1; }
    [[ ${BASH_REMATCH[2]} == 0 ]] || { echo "the window's run wrote ${BASH_REMATCH[2]} files" >&2; exit 1; }
    gui_run+=("${BASH_REMATCH[1]}")
done

e=$(printf '%s\n' "${engine_wall[@]}" | median)
g=$(printf '%s\n' "${gui_run[@]}" | median)
gw=$(printf '%s\n' "${gui_wall[@]}" | median)
echo "careful run, destination up to date, 50,000 files, medians of $runs:"
echo "  headless driver (whole process)   : $e ms"
echo "  main window, click to end of run  : $g ms   (whole process $gw ms)"
echo "  ratio window / driver             : $(echo "scale=3; $g / $e" | bc -l)   (goal <= 1.3)"
