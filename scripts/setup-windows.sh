#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Prepares the Windows build of PelzoWin on this Debian machine:
#   - installs the MinGW-w64 cross compiler (POSIX threads), Wine to run the
#     result, NSIS for the installer and the build tools;
#   - fetches the Debian sources of zlib, FreeType, SDL2, SDL2_image and
#     SDL2_mixer (the versions the Linux build uses), and expat for
#     pelzo-quiz, with apt-get source;
#   - cross-builds them, and GoogleTest/GoogleMock from /usr/src/googletest,
#     as static libraries into BUILD_DIR/deps/prefix, so that the game and its
#     tests link into executables that need no DLL besides Windows' own
#     (scripts/deps-common.sh).
#
#   scripts/setup-windows.sh [BUILD_DIR]     (default BUILD_DIR: build-win)
#
# Then configure with
#   cmake -S . -B BUILD_DIR -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# (the toolchain file looks for the libraries in BUILD_DIR/deps/prefix).
#
# Works as root (CI) or through sudo; packages already installed are skipped.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
libintl_host=x86_64-w64-mingw32  # pelzo-quiz's translations (gettext)

# shellcheck source=deps-common.sh
. "$top/scripts/deps-common.sh" setup-windows "${1:-$top/build-win}" mingw-w64-x86_64.cmake PELZO_WIN_DEPS

run "$logdir/packages.log" bash "$top/scripts/setup.sh" \
  g++-mingw-w64-x86-64-posix wine wine64 nsis \
  googletest cmake make pkg-config dpkg-dev file

build_libraries
build_tool_libraries
