// SPDX-License-Identifier: MIT
// The process services in the browser. Emscripten's C library is POSIX and
// its paths are UTF-8, as on Linux, so the Linux port's file serves as it is:
// this is the one Linux file the web port shares. Every other service of the
// web port has its own file in this folder.
#include "../linux/sys.cpp"
