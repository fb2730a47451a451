#!/usr/bin/env bash
# Fails when a C++ file of the repository is not formatted as .clang-format says, and names those files.
#   scripts/check-format.sh            (clang-format -i FILE... formats them)
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --git-dir >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
    mapfile -t files < <(find src tests bench -name '*.cpp' -o -name '*.h')
fi
if ! out=$(clang-format --dry-run -Werror "${files[@]}" 2>&1); then
    echo "not formatted (clang-format -i FILE):" >&2
    grep -o '^[^: ]*\.\(cpp\|h\):' <<<"$out" | sort -u | tr -d ':' >&2
    exit 1
fi
echo "${#files[@]} files formatted"
