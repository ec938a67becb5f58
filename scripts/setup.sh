#!/usr/bin/env bash
# Installs every Debian package that building, playing and testing PelzoWin needs,
# or, given package names, just those (scripts/setup-windows.sh does).
# Works as root (CI) or through sudo; packages already installed are skipped.
#
#   scripts/setup.sh [PACKAGE...]
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  libsdl2-dev libsdl2-image-dev libsdl2-mixer-dev
  libfreetype-dev libfontconfig-dev zlib1g-dev libgtk-3-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  fonts-ipafont-mincho fonts-ipafont-gothic fonts-dejavu-core
  xvfb xdotool imagemagick faketime
  sox libsox-fmt-all vorbis-tools zip unzip libarchive-tools python3
  xdg-utils shared-mime-info desktop-file-utils libglib2.0-bin
)
if [ $# -gt 0 ]; then packages=("$@"); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
