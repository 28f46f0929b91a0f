#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds lumora-batch and runs the main job on the built-in
# defaults: a first start of a fresh data folder, which creates the demonstration template.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMORA_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
data=${LUMORA_DEMO_DIR:-$root/demo-output}/data
mkdir -p "$data"
echo "Data folder: $data"
echo "Templates:"
"$build/bin/lumora-batch" --data-dir "$data" --list-templates
echo "Files:"
(cd "$data" && find . -type f | sort)
