#!/usr/bin/env bash
# Times the headless runner hozonix-run, end to end as a user runs it (settings file, profile, output),
# against rsync -a on the same trees in the same run, and prints the ratios. Only ratios measured side by
# side mean anything on a shared VM.
#   bench/runner-vs-rsync.sh [WORKDIR] [--large]   (WORKDIR default /var/tmp/hozonix-bench)
# Trees come from make-trees.py (made once, kept); every copy goes into a new folder, and everything made
# here apart from the trees is deleted at the end. Needs rsync (install-deps --extras).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/var/tmp/hozonix-bench}
large=${2:-}
runs=${RUNS:-3}

cmake -S "$repo" -B "$repo/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOZONIX_BUILD_TESTS=OFF -DHOZONIX_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$repo/build/release" -j2 --target hozonix-run >/dev/null
hz=$repo/build/release/src/runner/hozonix-run
python3 "$repo/bench/make-trees.py" "$work/trees"
trees=$work/trees
out=$(mktemp -d "$work/runner-XXXXXX")
source "$(dirname "$0")/timing.sh"
wait_for_aged_deletes
trap 'rm -rf "$out"; sync; touch "$cleaned"' EXIT

# profile NAME SOURCE DEST: a settings file of its own holding one profile, as the desktop stores it.
profile() {
    mkdir -p "$3"
    printf '[File_Action]\nMAX=1\nID_01=%s>>%s>><<\nNAME_01=%s\n' "$2" "$3" "$1" >"$out/$1.ini"
}

# Free memory that the VM has handed back to its host is slow on first touch: fill it with clean page
# cache (holes of a sparse file, no disk used), then read the tree.
warm() {
    local filler=$work/filler free_kib
    [[ -f $filler ]] || truncate -s 64G "$filler"
    free_kib=$(awk '/MemFree/ {print $2}' /proc/meminfo)
    if ((free_kib > 400 * 1024)); then
        dd if="$filler" of=/dev/null bs=1M count=$(((free_kib - 200 * 1024) / 1024)) status=none
    fi
    find "$1" -type f -print0 | xargs -0 cat >/dev/null
}

run_tree() {
    local t=$1
    echo "== $t: full copy into an empty folder (warm)"
    warm "$trees/$t"
    measure_after "$t.full" "profile $t-{n} $trees/$t $out/$t-hz-{n}" \
        "rsync -a $trees/$t/ $out/$t-rs-{n}/" \
        "$hz --quiet --settings $out/$t-{n}.ini $t-{n}"
    sync
    echo "$t full copy     : hozonix-run $(ratio "$t.full.1" "$t.full.0") x rsync -a"

    echo "== $t: nothing changed (warm)"
    profile "$t-sync" "$trees/$t" "$out/$t-sync"
    "$hz" --quiet --careful --settings "$out/$t-sync.ini" "$t-sync" >/dev/null # also stores the last-run time
    rsync -a "$trees/$t/" "$out/$t-rsync/"
    warm "$trees/$t"
    measure_after "$t.same" ":" \
        "rsync -a $trees/$t/ $out/$t-rsync/" \
        "$hz --quiet --careful --settings $out/$t-sync.ini $t-sync" \
        "$hz --quiet --settings $out/$t-sync.ini $t-sync"
    echo "$t careful, same : hozonix-run $(ratio "$t.same.1" "$t.same.0") x rsync -a"
    echo "$t fast, same    : hozonix-run $(ratio "$t.same.2" "$t.same.0") x rsync -a"
    rm -rf "${out:?}/$t"-*
}

run_tree small
if [[ $large == --large ]]; then
    run_tree large
fi
