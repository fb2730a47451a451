#!/usr/bin/env bash
# Times hozonix-run --verify on the 50,000-file tree and its backup against other ways to compare every
# file with its copy, warm, in the same run, and prints the ratios. Only ratios measured side by side
# mean anything on a shared VM.
#   bench/verify-bench.sh [WORKDIR]      (WORKDIR default /var/tmp/hozonix-bench)
# The others: rsync -a -c --dry-run, which reads both sides in two processes, diff -rq, one process for
# the whole tree, and cmp over every file pair from a shell loop, which pays a process start per file.
# BUILD names the build folder (default build/release); RUNS the number of timed runs (default 3; cmp
# runs once, as it takes minutes; CMP=0 leaves it out).
# The backup is made in a new folder and deleted at the end; the trees are kept.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/var/tmp/hozonix-bench}
runs=${RUNS:-3}
build=${BUILD:-$repo/build/release}

cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOZONIX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target hozonix-run >/dev/null
hz=$build/src/runner/hozonix-run
python3 "$repo/bench/make-trees.py" "$work/trees"
trees=$work/trees
out=$(mktemp -d "$work/verify-XXXXXX")
# Other benchmarks wait until files deleted here are old enough (see wait_for_aged_deletes in timing.sh).
trap 'rm -rf "$out"; sync; touch "$work/.cleaned-at"' EXIT

printf '[File_Action]\nMAX=1\nID_01=%s>>%s>><<\nNAME_01=small\n' "$trees/small" "$out/small" >"$out/small.ini"
mkdir "$out/small"
"$hz" --quiet --careful --settings "$out/small.ini" small >/dev/null
sync

# Free memory that the VM has handed back to its host is slow on first touch: fill it with clean page
# cache (holes of a sparse file, no disk used), then read both trees.
warm() {
    local filler=$work/filler free_kib
    [[ -f $filler ]] || truncate -s 64G "$filler"
    free_kib=$(awk '/MemFree/ {print $2}' /proc/meminfo)
    if ((free_kib > 400 * 1024)); then
        dd if="$filler" of=/dev/null bs=1M count=$(((free_kib - 200 * 1024) / 1024)) status=none
    fi
    for t in "$@"; do
        find "$t" -type f -print0 | xargs -0 cat >/dev/null
    done
}

# Every file of $1 against the file at the same place below $2: the names of those that differ.
cmp_all() {
    (cd "$1" && find . -type f -print0 | while IFS= read -r -d '' f; do cmp -s -- "$f" "$2/$f" || echo "$f"; done)
}

source "$repo/bench/timing.sh"

echo "== 50,000 small files and their backup (warm)"
warm "$trees/small" "$out/small"
files=$(find "$trees/small" -type f | wc -l)
result=$("$hz" --verify --settings "$out/small.ini" small)
echo "  $result"
measure verify "$hz --quiet --verify --settings $out/small.ini small" \
    "rsync -a -c --dry-run $trees/small/ $out/small/" \
    "diff -rq -x .hozonix $trees/small $out/small"
echo "files compared            : $files"
# Warm is warm for the sources only: the check reads each copy from the disk and leaves it out of the
# cache, so the tool timed after it reads the copies from the disk too. The cold figures below compare
# like with like.
echo "verify vs rsync -a -c -n  : $(ratio verify.0 verify.1) x   (warm sources)"
echo "verify vs diff -rq        : $(ratio verify.0 verify.2) x"

# Cold: the page cache emptied before each command, so that both read every byte from the disk (the
# check reads each copy past the cache anyway). Root only.
if [[ -w /proc/sys/vm/drop_caches ]]; then
    echo "== the same, cold (page cache emptied before each command)"
    drop='sync; echo 3 >/proc/sys/vm/drop_caches'
    runs=${RUNS:-3}
    measure_after cold_verify "$drop" "$hz --quiet --verify --settings $out/small.ini small"
    measure_after cold_rsync "$drop" "rsync -a -c --dry-run $trees/small/ $out/small/"
    echo "cold: verify vs rsync -a -c -n : $(ratio cold_verify.0 cold_rsync.0) x   (goal <= 1.0)"
fi

# A process per file takes minutes for the tree: once, beside one more run of the check (CMP=0 skips it).
if [[ ${CMP:-1} != 0 ]]; then
    runs=1
    measure cmp "$hz --quiet --verify --settings $out/small.ini small" "cmp_all $trees/small $out/small"
    echo "verify vs cmp per file    : $(ratio cmp.0 cmp.1) x   (goal <= 1.0)"
fi
