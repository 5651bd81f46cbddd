#!/usr/bin/env bash
# Checks that every C++ file follows .clang-format; with --fix, formats them.
#   scripts/format.sh [--fix]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
# A clean machine (CI) has no clang-format yet: install what is missing first.
command -v clang-format >/dev/null || "$root/scripts/deps.sh"
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
clang-format --dry-run --Werror "${files[@]}"
echo "format: ${#files[@]} files follow .clang-format"
