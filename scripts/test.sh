#!/usr/bin/env bash
# Installs what is missing, builds Hozonix with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# every test. Tests that need a print or file server start their own private one and stop it again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHOZONIX_SANITIZE=ON -DHOZONIX_WERROR=ON
cmake --build build/asan
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir build/asan --output-on-failure --timeout 300 -j "$(nproc)" "$@"
