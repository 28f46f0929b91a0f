#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds what the demonstration needs and runs the main job:
# the photos the project ships (painted at build time into build/demo-photos) are stamped with
# the demonstration template "Demo 1" of a fresh data folder, and the stamped photos are listed.
# Installs only what building and running need (scripts/install-deps.sh) and builds only
# lumora-batch and the demonstration photos; scripts/build.sh builds everything.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMORA_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
  export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
  export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros}
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target lumora-batch demo-photos

demo=${LUMORA_DEMO_DIR:-$root/demo-output}
data=$demo/data
photos=$demo/photos
rm -rf "$photos"
mkdir -p "$data" "$photos"
cp "$build"/demo-photos/*.jpg "$photos/"

echo "Data folder: $data"
echo "Templates:"
"$build/bin/lumora-batch" --data-dir "$data" --list-templates
echo "Stamping the demonstration photos with the selected template:"
"$build/bin/lumora-batch" --data-dir "$data" "$photos"/*.jpg
echo "The stamped photos (*_new.jpg) are in $photos"
