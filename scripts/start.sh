#!/usr/bin/env bash
# Installs what is missing, builds Hozonix and starts the desktop program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOZONIX_BUILD_TESTS=OFF
cmake --build build/release
exec build/release/src/app/hozonix "$@"
