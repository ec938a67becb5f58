#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package of the game and pelzo-quiz:
#
#   scripts/build-deb.sh [OUT_DIR]     writes OUT_DIR/pelzowin_<version>_<arch>.deb (default: dist/)
#
# Installs what building needs (scripts/setup.sh --play, and python3 for the
# icons), builds a release without the tests in build-deb/ with Debian's
# build flags (dpkg-buildflags, all hardening on), packs it with CPack
# (packaging/install.cmake) and, where lintian is installed, checks the
# package with it: any lintian error fails the script. Then:
#
#   sudo apt install ./dist/pelzowin_*.deb      and later   sudo apt remove pelzowin
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/dist}
build=$top/build-deb
die() { echo "build-deb: $*" >&2; exit 1; }

bash "$top/scripts/setup.sh" --play python3

# Debian's flags: -O2 -g, fortified functions, the stack protector, full
# RELRO with immediate binding. CMAKE_BUILD_TYPE=None adds no flags of its own
# (as Debian's own CMake packages build).
cd "$top"
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=None -DPELZO_BUILD_TESTS=OFF \
  -DCMAKE_C_FLAGS="$(flags CFLAGS) $(flags CPPFLAGS)" \
  -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" >/dev/null
cmake --build "$build" -j"$(nproc)" --target pelzowin pelzo-quiz samples pelzo-install-files

rm -rf "$build/deb"
(cd "$build" && cpack -G DEB -B "$build/deb" >"$build/cpack.log" 2>&1) || { cat "$build/cpack.log" >&2; die "cpack failed"; }
package=$(ls "$build"/deb/pelzowin_*.deb 2>/dev/null | head -n 1)
[ -n "$package" ] || die "cpack wrote no pelzowin_*.deb"

if command -v lintian >/dev/null; then
  # lintian exits non-zero on an error; warnings and notes are shown.
  lintian --info "$package" || die "lintian reports errors in $(basename "$package")"
fi

mkdir -p "$out"
cp "$package" "$out/"
echo "build-deb: wrote $(cd "$out" && pwd)/$(basename "$package")"
