#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds Lumora Plenum and runs the main job: the photos the
# project ships (painted at build time into build/demo-photos) are stamped with the
# demonstration template "Demo 1" of a fresh data folder, and the stamped photos are listed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMORA_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

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
