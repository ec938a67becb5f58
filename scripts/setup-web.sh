#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Prepares the browser build of PelzoWin on this Debian machine:
#   - installs Debian's emscripten, Node and the build tools;
#   - fetches the Debian sources of zlib, FreeType, SDL2, SDL2_image,
#     SDL2_mixer and expat (the versions the Linux build uses) with apt-get
#     source;
#   - builds them for WebAssembly, and GoogleTest/GoogleMock from
#     /usr/src/googletest (without threads), as static libraries into
#     BUILD_DIR/deps/prefix (scripts/deps-common.sh). Emscripten's own ports
#     would download their sources at build time; these come from Debian.
#
#   scripts/setup-web.sh [BUILD_DIR]     (default BUILD_DIR: build-web)
#
# Then configure with
#   cmake -S . -B BUILD_DIR -DCMAKE_TOOLCHAIN_FILE=cmake/emscripten-web.cmake
#
# Works as root (CI) or through sudo; packages already installed are skipped.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
# The game's code catches std::bad_alloc with WebAssembly's own exception
# handling; GoogleTest's code, linked into the same tests, must use it too.
gtest_extra_options="-Dgtest_disable_pthreads=ON -DCMAKE_CXX_FLAGS=-fwasm-exceptions"
# Debian's emcc runs its JavaScript optimizer under the system's Node, which
# finds the optimizer's modules only through NODE_PATH.
export NODE_PATH=/usr/share/nodejs

# shellcheck source=deps-common.sh
. "$top/scripts/deps-common.sh" setup-web "${1:-$top/build-web}" emscripten-web.cmake PELZO_WEB_DEPS

# fonttools cuts the page's font into parts, zopfli compresses them, Pillow
# scales the web app's icons (tools/web/web_parts.py).
# vorbis-tools encodes the page's sounds as Ogg Vorbis (cmake/EmbedAssets.cmake).
run "$logdir/packages.log" bash "$top/scripts/setup.sh" \
  emscripten nodejs googletest cmake make pkg-config dpkg-dev fonttools zopfli python3-pil vorbis-tools

build_libraries
