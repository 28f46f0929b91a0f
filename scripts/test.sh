#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds everything and runs every test.
# Extra arguments go to the CMake configure step (scripts/build.sh), e.g.
#   LUMORA_BUILD_DIR=build-asan scripts/test.sh -DLUMORA_SANITIZE=ON
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMORA_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh" --tests
"$root/scripts/build.sh" "$@"
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 600
