#!/usr/bin/env bash
# A million files: time and peak memory of hozonix-run against rsync on the same tree in the same run.
#   bench/million.sh [WORKDIR]     (WORKDIR default /var/tmp/hozonix-bench; the tree takes about 4 GB)
# Rows: a first copy into an empty folder (rsync and cp followed by a sync of their destination, since the
# runner's copies are on disk when it returns), a careful run with nothing changed, and a dry run into an
# empty folder against rsync -an. Peak memory is the resident set that /usr/bin/time reports.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/var/tmp/hozonix-bench}
runs=${RUNS:-3}

cmake -S "$repo" -B "$repo/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOZONIX_BUILD_TESTS=OFF \
    -DHOZONIX_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$repo/build/release" -j2 --target hozonix-run >/dev/null
hz=$repo/build/release/src/runner/hozonix-run
[[ -x $hz ]] || hz=$(find "$repo/build/release" -name hozonix-run -type f -perm -u+x | head -1)
python3 "$repo/bench/make-trees.py" "$work/trees" --million
tree=$work/trees/million
source "$repo/bench/timing.sh"
wait_for_aged_deletes
out=$(mktemp -d "$work/million-XXXXXX")
trap 'rm -rf "$out"; sync; touch "$cleaned"' EXIT

profile() { # NAME DEST
    mkdir -p "$2"
    printf '[File_Action]\nMAX=1\nID_01=%s>>%s>><<\nNAME_01=%s\n' "$tree" "$2" "$1" >"$out/$1.ini"
}
# peak RSS in MiB of a command
peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1 | awk '{printf "%.0f", $1 / 1024}'; }

find "$tree" -type f -print0 | xargs -0 cat >/dev/null

echo "== first copy into an empty folder"
measure_after first "profile first-{n} $out/hz-{n}" \
    "rsync -a $tree/ $out/rs-{n}/ && sync -f $out/rs-{n}" \
    "cp -a $tree $out/cp-{n} && sync -f $out/cp-{n}" \
    "$hz --quiet --settings $out/first-{n}.ini first-{n}"
echo "first copy        : $(ratio first.2 first.0) x rsync -a + sync, $(ratio first.2 first.1) x cp -a + sync"

echo "== nothing changed"
mem_first=$(peak "$hz" --quiet --careful --settings "$out/first-1.ini" first-1)
measure same "rsync -a $tree/ $out/rs-1/" "$hz --quiet --careful --settings $out/first-1.ini first-1"
echo "careful, same     : $(ratio same.1 same.0) x rsync -a, peak $mem_first MiB (rsync $(peak rsync -a "$tree/" "$out/rs-1/") MiB)"

echo "== dry run into an empty folder"
profile dry "$out/empty"
measure dry "rsync -an $tree/ $out/empty/" "$hz --quiet --dry-run --settings $out/dry.ini dry"
echo "dry run           : $(ratio dry.1 dry.0) x rsync -an, peak $(peak "$hz" --quiet --dry-run --settings "$out/dry.ini" dry) MiB"

echo "== peak memory of a first copy"
profile mem "$out/mem"
echo "first copy        : peak $(peak "$hz" --quiet --settings "$out/mem.ini" mem) MiB (written list included)"
