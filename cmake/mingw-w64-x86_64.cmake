# SPDX-License-Identifier: MIT
# CMake toolchain file for the 64-bit Windows build, made on Debian with
# MinGW-w64 (the POSIX-threads flavour, so std::thread and std::mutex work)
# and run under Wine.
#
#   scripts/setup-windows.sh build-win
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# The libraries come from the prefix that scripts/setup-windows.sh fills:
# PELZO_WIN_DEPS, by default deps/prefix inside the build folder.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PELZO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PELZO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PELZO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${PELZO_MINGW_TRIPLET}-windres)

# The prefix with the cross-built libraries: PELZO_WIN_DEPS, PELZO_WIN_DEPS_DIR.
include(${CMAKE_CURRENT_LIST_DIR}/deps-prefix.cmake)
pelzo_deps_prefix(PELZO_WIN_DEPS "Prefix holding the cross-built Windows libraries (scripts/setup-windows.sh)")

# Libraries, headers and package files are looked up only in the prefix and
# in MinGW's own tree, never among the Linux ones; programs (pkg-config,
# tools run during the build) are the host's.
set(CMAKE_FIND_ROOT_PATH "${PELZO_WIN_DEPS_DIR}" /usr/${PELZO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads only the prefix's .pc files, which hold absolute paths.
set(ENV{PKG_CONFIG_LIBDIR} "${PELZO_WIN_DEPS_DIR}/lib/pkgconfig:${PELZO_WIN_DEPS_DIR}/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# Link executables fully statically: libgcc, libstdc++ and winpthreads go
# into the .exe, which then imports only Windows' own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs and other built executables run under Wine (Debian's
# /usr/bin/wine starts 64-bit programs with wine64), through wine-run.sh,
# which keeps Wine's helper processes off ctest's output pipes.
find_program(PELZO_WINE NAMES wine wine64)
if(PELZO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh")
endif()
