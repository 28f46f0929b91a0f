#!/usr/bin/env bash
# Installs the Debian packages needed to build, test and run Lumora Plenum.
# Idempotent and non-interactive; pass extra package names to add them.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git ccache clang-format
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools
  qt6-image-formats-plugins qt6-l10n-tools qt6-translations-l10n libqt6svg6 libqt6opengl6-dev
  libgl-dev libvulkan-dev libxkbcommon-dev
  libjpeg62-turbo-dev libtiff-dev libpng-dev zlib1g-dev
  libheif-dev libwebp-dev liblcms2-dev libexiv2-dev
  libheif-examples webp libimage-exiftool-perl icc-profiles-free colord-data
  fontconfig fonts-wqy-microhei fonts-wine fonts-dejavu-core
  xvfb xauth openbox dbus-daemon dbus-bin
  dpkg-dev lintian appstream man-db bash-completion x11-utils imagemagick
  "$@"
)
# The multi-host tests: SSH servers in network namespaces, GNU parallel and rsync.
packages+=(openssh-server openssh-client parallel rsync iproute2 procps)

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
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
