#!/usr/bin/env bash
# Times runs with nothing to copy after the page cache was emptied, as the first run of the day meets the
# disk, against rsync -a on the same trees in the same run, and prints the ratios (medians).
#   bench/cold-bench.sh [WORKDIR]      (WORKDIR default /var/tmp/hozonix-bench; needs root to empty the
#   cache). RUNS sets the number of timed runs (default 3); TREES the trees (default "small usr-share":
#   the 50,000-file tree and a copy of /usr/share). WARM=1 times the same with warm caches.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/var/tmp/hozonix-bench}
runs=${RUNS:-3}
trees_wanted=${TREES:-small usr-share}

cmake -S "$repo" -B "$repo/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOZONIX_BUILD_TESTS=OFF -DHOZONIX_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$repo/build/release" -j2 --target hozonix-bench >/dev/null
hz=$repo/build/release/bench/hozonix-bench
python3 "$repo/bench/make-trees.py" "$work/trees"
out=$(mktemp -d "$work/cold-XXXXXX")
trap 'rm -rf "$out"; sync; touch "$work/.cleaned-at"' EXIT

empty_cache() {
    sync
    if [[ ${WARM:-0} != 1 ]]; then
        echo 3 >/proc/sys/vm/drop_caches
    fi
}

source "$(dirname "$0")/timing.sh"

for tree in $trees_wanted; do
    tree_source "$tree"
    # A copy for each tool, each made once untimed, so that each finds its copy as it leaves it: where the
    # source holds links to files, rsync -a puts links in their place and this program files, so in one
    # shared copy each would rewrite what the other wrote.
    cp -a "$src" "$out/$tree"
    cp -a "$src" "$out/$tree-rsync"
    rsync -a "$src/" "$out/$tree-rsync/"
    "$hz" "$src" "$out/$tree" >/dev/null 2>&1
    names=("rsync -a" "careful" "fast")
    cmds=("rsync -a $src/ $out/$tree-rsync/" "$hz $src $out/$tree" "$hz --fast $src $out/$tree")
    declare -A times=()
    for ((r = 1; r <= runs; r++)); do
        order=(0 1 2)
        ((r % 2 == 0)) && order=(2 1 0)
        for i in "${order[@]}"; do
            empty_cache
            start=$(date +%s%N)
            eval "${cmds[$i]}" >/dev/null 2>&1
            times[$i]+="$((($(date +%s%N) - start) / 1000000)) "
        done
    done
    declare -A med=()
    for i in 0 1 2; do
        med[$i]=$(tr ' ' '\n' <<<"${times[$i]}" | grep . | median)
        printf '  %-10s %-8s %8s ms   (%s)\n' "$tree" "${names[$i]}" "${med[$i]}" "${times[$i]% }"
    done
    echo "  $tree careful: $(calc "${med[1]} / ${med[0]}") x rsync -a, fast: $(calc "${med[2]} / ${med[0]}") x rsync -a" \
        "($([[ ${WARM:-0} == 1 ]] && echo warm || echo cold))"
done
