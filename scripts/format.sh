#!/usr/bin/env bash
# The tree's C++ format, as .clang-format describes it.
#   scripts/format.sh          rewrites every C++ file of the tree in that format
#   scripts/format.sh --check  lists the files that differ from it and fails if any does
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" != "--check" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
differing=0
for f in "${files[@]}"; do
  if ! clang-format --dry-run -Werror "$f" > /dev/null 2>&1; then
    echo "not formatted: $f"
    differing=$((differing + 1))
  fi
done
echo "format: $differing of ${#files[@]} files differ from .clang-format"
[ "$differing" -eq 0 ]
