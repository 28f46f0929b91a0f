#!/usr/bin/env bash
# Checks that every C++ source of the project is formatted as .clang-format says; lists the
# files that are not and exits non-zero then. Format a file with: clang-format -i FILE
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -d '' files < <(git ls-files -z -co --exclude-standard -- '*.cpp' '*.h')
else
  mapfile -d '' files < <(find src tests fuzz bench tools resources \( -name '*.cpp' -o -name '*.h' \) -print0)
fi
clang-format --dry-run -Werror "${files[@]}"
echo "format: ${#files[@]} files checked"
