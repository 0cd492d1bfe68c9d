#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the program need.
# A quick no-op when everything is there; 'apt-get update' runs only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  libqt6sql6-sqlite libqt6sql6-psql postgresql
  libjpeg62-turbo-dev libxlsxwriter-dev
  fonts-liberation fontconfig
  libgtest-dev libgmock-dev libbenchmark-dev
  xdg-utils
  poppler-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
