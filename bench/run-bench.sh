#!/usr/bin/env bash
# Times the engine (through the hozonix-bench driver) against rsync -a and cp -a on the same trees in
# the same run and prints the ratios. Only ratios measured side by side mean anything on a shared VM.
#   bench/run-bench.sh [WORKDIR] [--million]     (WORKDIR default /var/tmp/hozonix-bench)
# Copies always go into a new folder (creating files right after deleting many is several times slower
# on this file system); everything made here is deleted at the end (about 30 GB at the peak).
# Needs rsync (scripts/install-deps.sh --extras). RUNS sets the number of timed runs (default 5; at most 3
# for the mixed tree, always 6 for the large files).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/var/tmp/hozonix-bench}
million=${2:-}
runs=${RUNS:-5}

cmake -S "$repo" -B "$repo/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOZONIX_BUILD_TESTS=OFF -DHOZONIX_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$repo/build/release" -j2 --target hozonix-bench >/dev/null
hz=$repo/build/release/bench/hozonix-bench
python3 "$repo/bench/make-trees.py" "$work/trees" $million
trees=$work/trees
source "$repo/bench/timing.sh"
wait_for_aged_deletes
out=$(mktemp -d "$work/out-XXXXXX")
trap 'rm -rf "$out"; sync; touch "$cleaned"' EXIT

# Free memory that the VM has handed back to its host is slow on first touch: fill it with clean page
# cache (holes of a sparse file, no disk used) before the warm timings, then read the trees.
warm_memory() {
    local filler=$work/filler free_kib
    truncate -s 64G "$filler"
    free_kib=$(awk '/MemFree/ {print $2}' /proc/meminfo)
    if ((free_kib > 400 * 1024)); then
        dd if="$filler" of=/dev/null bs=1M count=$(((free_kib - 200 * 1024) / 1024)) status=none
    fi
    for t in "$@"; do
        find "$trees/$t" -type f -print0 | xargs -0 cat >/dev/null
    done
}

# premake NAME: the engine copies into a folder that exists; make those outside the timing, as cp makes its own.
premake() { for ((r = 1; r <= runs; r++)); do mkdir "$out/$1-$r"; done; }

echo "== 50,000 small files (warm)"
cp -a "$trees/small" "$out/sync"
sync
warm_memory small
measure nochange "rsync -a $trees/small/ $out/sync/" "$hz $trees/small $out/sync" "$hz --fast $trees/small $out/sync"
echo "careful run, up to date   : $(ratio nochange.1 nochange.0) x rsync -a   (goal <= 0.6)"
echo "fast run, nothing new     : $(ratio nochange.2 nochange.0) x rsync -a   (goal <= 0.35)"

# The engine's copies are on disk when it returns (it flushes them): the others are timed with a sync of
# their destination's file system after them, since the user's data is only safe after that.
premake hz
measure fullcopy "cp -a $trees/small $out/cp-{n} && sync -f $out/cp-{n}" "$hz $trees/small $out/hz-{n}" \
    "rsync -a $trees/small/ $out/rs-{n}/ && sync -f $out/rs-{n}"
sync
echo "full copy into empty      : $(ratio fullcopy.1 fullcopy.0) x cp -a + sync     (goal <= 0.8)"
echo "                            $(ratio fullcopy.1 fullcopy.2) x rsync -a + sync"

echo "== about 1 GB of mixed sizes (warm)"
warm_memory mixed
runs=$((runs > 3 ? 3 : runs))
premake mhz
measure mixed "cp -a $trees/mixed $out/mcp-{n} && sync -f $out/mcp-{n}" "$hz $trees/mixed $out/mhz-{n}"
sync
echo "mixed full copy           : $(ratio mixed.1 mixed.0) x cp -a + sync"

echo "== two files of 1.5 GiB (warm)"
sync
warm_memory large
# Each round's 3 GiB of copies are deleted before the next (two files: no slow creation follows), so
# that page cache filling up over the rounds does not fall on whichever tool runs second more often;
# an even number of rounds has each tool go first equally often.
runs=6
measure_after large "rm -rf $out/lcp-* $out/lhz-*; mkdir $out/lhz-{n}" \
    "cp -a $trees/large $out/lcp-{n} && sync -f $out/lcp-{n}" "$hz $trees/large $out/lhz-{n}"
bytes=$((2 * 1536 * 1024 * 1024))
echo "large files (both on disk): cp $(calc "$bytes / ${med[large.0]} / 1000") GB/s," \
    "engine $(calc "$bytes / ${med[large.1]} / 1000") GB/s," \
    "ratio $(ratio large.0 large.1) (engine throughput / cp; goal >= 1)"

echo "== memory (peak resident set, KiB)"
mkdir -p "$out/empty"
base=$(/usr/bin/time -f %M "$hz" --scan-only "$out/empty" 2>&1 >/dev/null)
small=$(/usr/bin/time -f %M "$hz" --scan-only "$trees/small" 2>&1 >/dev/null)
echo "scan list of 50,000 files : $((small - base)) KiB beyond start-up (goal < 16384)"
list=$(/usr/bin/time -f %M "$hz" --list-only 1000000 2>&1 >/dev/null)
echo "list of 1,000,000 entries : $((list - base)) KiB beyond start-up, typical paths, no files made (goal < 307200)"
if [[ -d $trees/million ]]; then
    big=$(/usr/bin/time -f %M "$hz" --scan-only "$trees/million" 2>&1 >/dev/null)
    echo "scan list of 1,000,000    : $((big - base)) KiB beyond start-up (goal < 307200)"
fi
