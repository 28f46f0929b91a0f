#!/usr/bin/env bash
# Installs the Debian packages Lumora Plenum needs. Idempotent and non-interactive.
#   scripts/install-deps.sh            building and running the programs (and the demonstration)
#   scripts/install-deps.sh --tests    also every tool the test suite drives (Xvfb and openbox,
#                                      lintian, the Debian packaging tools, exiftool, GNU parallel
#                                      and the SSH server of the multi-host test, ...)
#   scripts/install-deps.sh --package  also what dpkg-buildpackage and lintian need
# Other arguments are further package names to install.
set -euo pipefail

# Building: the compilers, CMake and Ninja, Qt 6 and the picture libraries. Running: the Qt
# plugins and translations, and the fonts of the interface and of text layers.
packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools
  qt6-image-formats-plugins qt6-l10n-tools qt6-translations-l10n libqt6svg6 libqt6opengl6-dev
  libgl-dev libvulkan-dev libxkbcommon-dev
  libjpeg62-turbo-dev libtiff-dev libpng-dev zlib1g-dev
  libheif-dev libwebp-dev liblcms2-dev libexiv2-dev
  fontconfig fonts-wqy-microhei fonts-wine fonts-dejavu-core
)
# The Debian packages: dpkg-buildpackage with debhelper, lintian and hardening-check.
package_tools=(dpkg-dev debhelper lintian devscripts)
# The test suite: formatting and the naming rule, real X windows, the packaging checks, reference decoders and
# metadata tools, and the multi-host test (SSH servers in network namespaces, GNU parallel,
# rsync). Only this set installs an SSH server.
test_tools=(
  git clang-format clang-tidy xvfb xauth openbox x11-utils imagemagick dbus-daemon dbus-bin
  appstream man-db bash-completion
  libheif-examples webp libimage-exiftool-perl icc-profiles-free colord-data
  openssh-server openssh-client parallel rsync iproute2 procps
)

for argument in "$@"; do
  case $argument in
    --tests) packages+=("${package_tools[@]}" "${test_tools[@]}") ;;
    --package) packages+=("${package_tools[@]}") ;;
    *) packages+=("$argument") ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  # An SSH server installed for the tests is not left running as a service of this machine
  # (the multi-host test starts its own servers).
  if [[ " ${missing[*]} " == *" openssh-server "* ]] && [ ! -e /usr/sbin/policy-rc.d ]; then
    printf '#!/bin/sh\nexit 101\n' | $SUDO tee /usr/sbin/policy-rc.d >/dev/null
    $SUDO chmod +x /usr/sbin/policy-rc.d
    trap '$SUDO rm -f /usr/sbin/policy-rc.d' EXIT
  fi
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
