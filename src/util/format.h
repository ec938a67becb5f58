// SPDX-License-Identifier: MIT
// format: numbers as the programs' messages write them.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

// Checks a function's printf-style format string and arguments. MinGW's GCC
// knows the C99 formats of its own printf (__USE_MINGW_ANSI_STDIO) as
// "gnu_printf"; every other compiler calls them "printf".
#if defined(__MINGW32__)
#define PELZO_PRINTF(fmt, first) __attribute__((format(gnu_printf, fmt, first)))
#else
#define PELZO_PRINTF(fmt, first) __attribute__((format(printf, fmt, first)))
#endif

// printf into a new string, of any length: for messages whose format string
// is translated, so that a translation can put the places in its own order.
std::string formatted(const char *fmt, ...) PELZO_PRINTF(1, 2);
std::string vformatted(const char *fmt, va_list ap) PELZO_PRINTF(1, 0);

// A whole number with thousands separators: 2,311; -1,048,576.
std::string with_thousands(long long value);

// Appends text to out so that a terminal or a parser can take it only as
// text: every control character (U+0000-U+001F, U+007F, U+0080-U+009F; the
// last are single bytes to an 8-bit terminal) as \u00XX, each character of
// `quoted` after a backslash, and each byte that is not UTF-8 as \xXX, or as
// `invalid` when given. Everything else is copied as it is.
void append_escaped(std::string &out, std::string_view text, std::string_view quoted = {},
                    const char *invalid = nullptr);
// The same, as a new string: for messages that print text from a quiz set
// or a file name (an ESC in a genre name could otherwise retitle or clear
// the terminal).
std::string escaped(std::string_view text);
