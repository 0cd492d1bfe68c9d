#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the program need.
# A quick no-op when everything is there; 'apt-get update' runs only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev libqt6test6 libqscintilla2-qt6-dev
  libqt6sql6-sqlite libqt6sql6-psql postgresql libsqlite3-dev
  qt6-translations-l10n
  libjpeg62-turbo-dev libxlsxwriter-dev
  fonts-liberation fontconfig
  libgtest-dev libgmock-dev libbenchmark-dev
  xdg-utils unzip locales desktop-file-utils sqlite3
  cups cups-client poppler-utils libcups2-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The operators' desktop locale: the tests write files under it (decimal comma).
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
  echo "Generating the ru_RU.UTF-8 locale"
  $SUDO sed -i 's/^# *ru_RU.UTF-8/ru_RU.UTF-8/' /etc/locale.gen
  grep -q '^ru_RU.UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
