#!/usr/bin/env bash
# Times the opening of a crafted report file: one page of 10,000 texts, each in a font family that is not
# installed, and a second drawing of that page (a zoom or a change of page), in a release build.
#   bench/crafted-report-bench.sh [TEXTS]      (TEXTS default 10000; BUILD default build/release)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$repo/build/release}
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOZONIX_BUILD_TESTS=OFF \
    -DHOZONIX_BUILD_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j2 --target hozonix-crafted-report-bench >/dev/null
file=$(mktemp --suffix=.REP)
trap 'rm -f "$file"' EXIT
for run in 1 2 3; do
    QT_QPA_PLATFORM=offscreen "$build/bench/hozonix-crafted-report-bench" "$file" "${1:-10000}"
done
