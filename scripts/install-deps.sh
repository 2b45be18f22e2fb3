#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Lindora needs.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config git python3
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format clang-tidy
  openbabel opencc rime-data-luna-pinyin
  fonts-noto-cjk fonts-dejavu-core xvfb xauth
  libigraph-dev qt6-charts-dev libqt6opengl6-dev qt6-svg-dev libboost-math-dev libcli11-dev
  poppler-utils ccache
  libzip-dev libexpat1-dev libxlsxwriter-dev libopencc-dev libicu-dev qt6-translations-l10n python3-openpyxl
  time bc
  libqpdf-dev openbox imagemagick xdotool
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get -o DPkg::Lock::Timeout=600 update
  $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${missing[@]}"
fi
