# SPDX-License-Identifier: MIT
# CMake toolchain file for the browser build: WebAssembly with Debian's
# emscripten, run in Chromium (the game) and under Node (the tests).
#
#   scripts/setup-web.sh build-web
#   cmake -S . -B build-web -DCMAKE_TOOLCHAIN_FILE=cmake/emscripten-web.cmake
#
# The libraries come from the prefix that scripts/setup-web.sh fills:
# PELZO_WEB_DEPS, by default deps/prefix inside the build folder.

include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

# PELZO_WEB_DEPS and PELZO_WEB_DEPS_DIR (cmake/deps-prefix.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/deps-prefix.cmake)
pelzo_deps_prefix(PELZO_WEB_DEPS "Prefix holding the libraries built for the browser (scripts/setup-web.sh)")

# Libraries, headers and package files come from the prefix and emscripten's
# own sysroot, never from the Linux system.
list(PREPEND CMAKE_FIND_ROOT_PATH "${PELZO_WEB_DEPS_DIR}")
set(ENV{PKG_CONFIG_LIBDIR} "${PELZO_WEB_DEPS_DIR}/lib/pkgconfig:${PELZO_WEB_DEPS_DIR}/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# Debian's emcc runs its JavaScript optimizer under the system's Node, which
# finds the optimizer's modules only through NODE_PATH.
set(ENV{NODE_PATH} /usr/share/nodejs)

# Built programs (the tests) run under Node. Node 20's fetch would be tried
# on a file path for the .wasm; without it the file is read from disk.
find_program(PELZO_NODE NAMES node nodejs)
if(PELZO_NODE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${PELZO_NODE};--no-experimental-fetch" CACHE STRING
    "How built programs run on this machine" FORCE)
endif()
