#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages that PelzoWin needs, or, given package names,
# just those (scripts/setup-windows.sh, setup-web.sh and test.sh do).
# Works as root (CI) or through sudo; packages already installed are skipped.
#
#   scripts/setup.sh                 building and playing, and testing
#   scripts/setup.sh --play          building and playing only (scripts/play.sh)
#   scripts/setup.sh [--play] [--test] [PACKAGE...]
set -euo pipefail

# Building the game and pelzo-quiz, and playing: the compiler, CMake and
# pkg-config, the libraries' headers, msgfmt for pelzo-quiz's Japanese
# messages, and a Japanese font for the game's text.
play_packages=(
  build-essential cmake pkg-config gettext
  libsdl2-dev libsdl2-image-dev libsdl2-mixer-dev
  libfreetype-dev libfontconfig-dev zlib1g-dev libgtk-3-dev libexpat1-dev
  fonts-ipafont-mincho
)
# Testing (scripts/test.sh, with its clang-format check), the benchmarks, the fuzzers, the install and
# package checks, and remaking assets/ (tools/make_assets.sh); locales holds
# the ja_JP definition the Wine test makes a Japanese locale from.
test_packages=(
  git python3 locales
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  fonts-ipafont-gothic fonts-dejavu-core
  xvfb xdotool imagemagick faketime
  sox libsox-fmt-all vorbis-tools zip unzip libarchive-tools
  xdg-utils shared-mime-info desktop-file-utils libglib2.0-bin lintian
)

packages=()
if [ $# -eq 0 ]; then
  packages=("${play_packages[@]}" "${test_packages[@]}")
fi
for arg in "$@"; do
  case "$arg" in
    --play) packages+=("${play_packages[@]}") ;;
    --test) packages+=("${test_packages[@]}") ;;
    -*) echo "usage: $0 [--play] [--test] [PACKAGE...]" >&2; exit 2 ;;
    *) packages+=("$arg") ;;
  esac
done

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
