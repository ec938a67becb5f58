#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes a Wine prefix that stands in for a Windows machine with its fonts:
#
#   scripts/wine-prefix.sh PREFIX
#
# A new prefix has no font files in C:\windows\Fonts. The game looks there
# by path for its Japanese font (yumindb.ttf first) and for the default sans
# font (segoeui.ttf, arial.ttf, tahoma.ttf), so the IPA Mincho font (Debian's
# fonts-ipafont-mincho) goes in as yumindb.ttf and DejaVu Sans, the Linux
# build's default sans, as arial.ttf. An existing prefix is reused; the
# fonts are copied again only when missing.
set -euo pipefail
prefix=${1:?usage: scripts/wine-prefix.sh PREFIX}
mkdir -p "$prefix"
prefix=$(cd "$prefix" && pwd)
export WINEPREFIX=$prefix WINEDEBUG=-all

if [ ! -f "$prefix/system.reg" ]; then
  # The first start builds the prefix (about 15 s); the 64-bit-only Wine of
  # Debian says once that it lacks syswow64's rundll32, which is harmless.
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi

fonts=$prefix/drive_c/windows/Fonts
mkdir -p "$fonts"
copy_font() {
  [ -f "$fonts/$2" ] && return
  [ -f "$1" ] || { echo "wine-prefix: $1 is missing (scripts/setup.sh installs it)" >&2; exit 1; }
  cp "$1" "$fonts/$2"
}
copy_font /usr/share/fonts/opentype/ipafont-mincho/ipam.ttf yumindb.ttf
copy_font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf arial.ttf
