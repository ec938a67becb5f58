// format: numbers as the programs' messages write them.
#pragma once

#include <string>

// Checks a function's printf-style format string and arguments. MinGW's GCC
// knows the C99 formats of its own printf (__USE_MINGW_ANSI_STDIO) as
// "gnu_printf"; every other compiler calls them "printf".
#if defined(__MINGW32__)
#define PELZO_PRINTF(fmt, first) __attribute__((format(gnu_printf, fmt, first)))
#else
#define PELZO_PRINTF(fmt, first) __attribute__((format(printf, fmt, first)))
#endif

// A whole number with thousands separators: 2,311; -1,048,576.
std::string with_thousands(long long value);
