#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need,
# when any of them is missing. Runs apt-get as root (or through sudo).
set -euo pipefail

PACKAGES=(
  cmake make g++ pkg-config
  qtbase5-dev libqt5webkit5-dev qttools5-dev qhelpgenerator-qt5
  libhpdf-dev zlib1g-dev libidn2-dev
  xdg-utils libfile-mimeinfo-perl shared-mime-info
  xvfb xauth x11-utils
  poppler-utils qpdf python3 procps faketime
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
