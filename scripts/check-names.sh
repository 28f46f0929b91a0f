#!/usr/bin/env bash
# Checks the naming rule of CONTRIBUTING.md ("Names") with clang-tidy over src/ and exits
# non-zero on any name against it. Needs a configured build folder for its compile database
# (build/, or $LUMORA_BUILD_DIR; configured here when missing). Names that keep a capital are
# listed in cmake/names-fixed.txt.
#   scripts/check-names.sh                 check src/
#   scripts/check-names.sh --roots src tests bench   also the tests and the benchmarks
#   scripts/check-names.sh --sync          write the list's names into .clang-tidy
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMORA_BUILD_DIR:-$root/build}
if [[ " $* " != *" --sync "* ]] && [ ! -f "$build/compile_commands.json" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
exec python3 "$root/scripts/check-names.py" --build "$build" "$@"
