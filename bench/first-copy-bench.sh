#!/usr/bin/env bash
# Times a first copy into an empty folder by the headless runner against cp -a followed by a sync of its
# destination (the runner's copies are on disk when it returns), side by side, and prints the ratio with
# the bytes each wrote: the runner follows links to folders where cp -a copies the link.
#   bench/first-copy-bench.sh [WORKDIR]   (WORKDIR default /var/tmp/hozonix-bench). RUNS sets the number
#   of timed runs (default 3); TREES the trees (default "small usr-share": the 50,000-file tree and a copy
#   of /usr/share).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/var/tmp/hozonix-bench}
runs=${RUNS:-3}
trees_wanted=${TREES:-small usr-share}

cmake -S "$repo" -B "$repo/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOZONIX_BUILD_TESTS=OFF \
    -DHOZONIX_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$repo/build/release" -j2 --target hozonix-run >/dev/null
hz=$repo/build/release/src/runner/hozonix-run
python3 "$repo/bench/make-trees.py" "$work/trees"
out=$(mktemp -d "$work/first-XXXXXX")
source "$(dirname "$0")/timing.sh"
wait_for_aged_deletes
trap 'rm -rf "$out"; sync; touch "$cleaned"' EXIT

profile() { # NAME SOURCE DEST
    mkdir -p "$3"
    printf '[File_Action]\nMAX=1\nID_01=%s>>%s>><<\nNAME_01=%s\n' "$2" "$3" "$1" >"$out/$1.ini"
}
bytes() { du -sb --apparent-size "$1" | awk '{printf "%.1f MB", $1 / 1e6}'; }

for tree in $trees_wanted; do
    tree_source "$tree"
    find "$src" -type f -print0 | xargs -0 cat >/dev/null
    # Each run copies into new folders; the last run's are kept until its bytes are counted.
    measure_after "$tree" "rm -rf $out/$tree-cp $out/$tree-hz; sync; profile $tree $src $out/$tree-hz" \
        "cp -a $src $out/$tree-cp && sync -f $out/$tree-cp" \
        "$hz --quiet --settings $out/$tree.ini $tree"
    echo "  $tree first copy: $(ratio "$tree.1" "$tree.0") x cp -a + sync;" \
        "written: cp -a $(bytes "$out/$tree-cp"), hozonix-run $(bytes "$out/$tree-hz")"
    rm -rf "${out:?}/$tree"-*
done
