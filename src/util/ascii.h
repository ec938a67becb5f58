// SPDX-License-Identifier: MIT
// ascii: the letter case of ASCII alone, as file name extensions, archive
// member names and a workbook's sheet names are compared (never a locale's,
// which would fold other bytes of UTF-8 text too).
#pragma once

#include <string>
#include <string_view>

inline char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string ascii_lower(std::string_view s)
{
    std::string out(s);
    for (char &c : out) c = ascii_lower(c);
    return out;
}
