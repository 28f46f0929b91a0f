#!/usr/bin/env bash
# Writes the hostile picture set (truncated, empty, enormous, oddly coloured and oddly tagged
# pictures, all made here, nothing downloaded) into a folder, with manifest.tsv describing
# each file and what a sound program does with it.
#
#   scripts/make-hostile-images.sh FOLDER [WxH]     (default 256x192)
#
# Builds the generator into build/ when needed (LUMORA_BUILD_DIR to use another build folder).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMORA_BUILD_DIR:-$root/build}
[ $# -ge 1 ] || { echo "usage: $0 FOLDER [WxH]" >&2; exit 2; }

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja >/dev/null
fi
cmake --build "$build" --target lumora-make-hostile-images -j2 >/dev/null
if [ $# -ge 2 ]; then
  QT_QPA_PLATFORM=offscreen "$build/tools/lumora-make-hostile-images" "$1" --size "$2"
else
  QT_QPA_PLATFORM=offscreen "$build/tools/lumora-make-hostile-images" "$1"
fi
