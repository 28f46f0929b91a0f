#!/usr/bin/env bash
# Builds the Debian package of Lumora Plenum on a Debian machine: installs the packages it
# needs (as scripts/install-deps.sh does), makes a Release build into build-package/ (without
# tests and benchmarks, with Debian's hardening flags) and runs CPack's DEB generator. The
# package ends up in build-package/package/; lintian's findings are printed after it.
#   LUMORA_PACKAGE_DIR          build folder (default: build-package/)
#   CMAKE_BUILD_PARALLEL_LEVEL  compile jobs (default: the number of cores)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMORA_PACKAGE_DIR:-$root/build-package}

"$root/scripts/install-deps.sh"

# Fortified C library calls and a read-only relocation table bound at start, as Debian's own
# packages are built (dpkg-buildflags).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DLUMORA_BUILD_TESTS=OFF -DLUMORA_BUILD_BENCH=OFF -DLUMORA_BUILD_UI=ON \
  "-DCMAKE_C_FLAGS=$cppflags" "-DCMAKE_CXX_FLAGS=$cppflags" "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" >/dev/null
cmake --build "$build" --parallel "${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"

rm -rf "$build/package"
(cd "$build" && cpack -G DEB -B "$build/package")
deb=$(ls "$build"/package/lumora-plenum_*.deb)

echo "lintian:"
lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v '^running with root privileges' || true
echo
echo "Debian package: $deb"
echo "Install it with: sudo apt install $deb"
