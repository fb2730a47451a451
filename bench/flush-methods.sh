#!/usr/bin/env bash
# How long making a fresh copy of the 50,000-file tree durable takes: one syncfs of the destination's
# file system, against fdatasync of every copied file (in one batch after the copy). Run after
# bench/run-bench.sh has made the trees.   bench/flush-methods.sh [WORKDIR]
set -euo pipefail
work=${1:-/var/tmp/hozonix-bench}
trees=$work/trees
out=$(mktemp -d "$work/flush-XXXXXX")
trap 'rm -rf "$out"' EXIT
for round in 1 2 3; do
    for method in syncfs fdatasync; do
        dest=$out/$method-$round
        sync
        cp -a "$trees/small" "$dest"
        start=$(date +%s%N)
        if [[ $method == syncfs ]]; then
            sync -f "$dest"
        else
            find "$dest" -type f -print0 | xargs -0 python3 -c '
import os, sys
for p in sys.argv[1:]:
    fd = os.open(p, os.O_RDONLY)
    os.fdatasync(fd)
    os.close(fd)'
        fi
        echo "$method round $round: $((($(date +%s%N) - start) / 1000000)) ms"
    done
done
