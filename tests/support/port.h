// SPDX-License-Identifier: MIT
// The port a test runs on, for the few tests of what only the desktop has.
#pragma once

#ifdef __EMSCRIPTEN__
inline constexpr bool kBrowserPort = true;
#else
inline constexpr bool kBrowserPort = false;
#endif
