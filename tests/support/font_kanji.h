// SPDX-License-Identifier: MIT
// Many distinct characters a font really draws, for tests and benchmarks of
// large glyph sets: the first CJK ideographs a font file has, and the UTF-8
// of a code point.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>
#include <vector>

#include "utf8.h"

// The first `n` CJK ideographs from U+4E00 upwards that the font file has
// (fewer when it has fewer, none when it does not load).
inline std::vector<int> kanji_in_font(const std::string &fontFile, int n)
{
    std::vector<int> out;
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) return out;
    FT_Face face = nullptr;
    if (FT_New_Face(lib, fontFile.c_str(), 0, &face) == 0) {
        for (int cp = 0x4E00; cp <= 0x9FFF && static_cast<int>(out.size()) < n; ++cp)
            if (FT_Get_Char_Index(face, static_cast<FT_ULong>(cp)) != 0) out.push_back(cp);
        FT_Done_Face(face);
    }
    FT_Done_FreeType(lib);
    return out;
}

inline std::string utf8_of(int codepoint)
{
    char bytes[4];
    return std::string(bytes, utf8_encode(static_cast<char32_t>(codepoint), bytes));
}
