#!/usr/bin/env bash
# Builds the Debian packages lumora-batch and lumora-plenum from debian/ with
# dpkg-buildpackage -b -uc -us, in a copy of the sources in build-package/src (kept, so that the
# compiler cache serves a later build), and prints lintian's findings (--pedantic). The
# packages end up in build-package/. Installs what it needs first (scripts/install-deps.sh
# --package: no test tools, no SSH server).
#   LUMORA_PACKAGE_DIR  the folder (default: build-package/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${LUMORA_PACKAGE_DIR:-$root/build-package}

"$root/scripts/install-deps.sh" --package rsync
if command -v ccache >/dev/null; then
  export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ccache}
fi

rm -rf "$out/src"
mkdir -p "$out/src"
rm -f "$out"/*.deb "$out"/*.buildinfo "$out"/*.changes
# The sources as the repository has them, without build folders.
if git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
  (cd "$root" && git ls-files -co --exclude-standard -z) >"$out/files"
else
  (cd "$root" && find . -path './build*' -prune -o -path './obj-*' -prune -o -type f -print0) >"$out/files"
fi
rsync -a --from0 --files-from="$out/files" \
  "$root/" "$out/src/"
(cd "$out/src" && dpkg-buildpackage -b -uc -us)

echo "lintian --pedantic:"
lintian --pedantic --display-info --tag-display-limit 0 "$out"/*.deb 2>&1 | grep -v '^running with root privileges' || true
echo
echo "Debian packages: $(ls "$out"/*.deb | tr '\n' ' ')"
echo "Install them with: sudo apt install $out/lumora-batch_*.deb $out/lumora-plenum_*.deb"
