#!/usr/bin/env bash
# Starts the desktop program in a real X window on a virtual screen (Xvfb), for machines
# without a display. Builds it first when it is missing. Extra arguments go to the program.
#   LUMORA_BUILD_DIR  build folder (default: build/)
#   LUMORA_SCREEN     screen size (default: 1280x800x24)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMORA_BUILD_DIR:-$root/build}
program="$build/bin/lumora-plenum"
if [ ! -x "$program" ]; then
  cmake -S "$root" -B "$build" -G Ninja >/dev/null
  cmake --build "$build" --target lumora-plenum -j2
fi
screen=${LUMORA_SCREEN:-1280x800x24}
exec xvfb-run -a -s "-screen 0 $screen" env QT_QPA_PLATFORM=xcb "$program" "$@"
