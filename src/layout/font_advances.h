// SPDX-License-Identifier: MIT
// font_advances: the glyph advances of a font file as the game's font holds
// them, read with FreeType alone (no window, no SDL), and the game's text
// layout (text_layout.h, screen_layout.h) measured with them. pelzo-quiz
// uses it to see a set's texts as the play screen will show them.
//
// The game rasterises its font at a base size with FreeType (src/gamelib/
// font.cpp): each glyph is hinted and rendered, and keeps its horizontal
// advance rounded to whole pixels; a character the font lacks, or whose glyph
// does not load or render, draws as the font's missing-glyph glyph (or, when
// that draws nothing, a box of the library's own). This table loads every
// glyph the same way, on first use, and gives the same advance.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "text_layout.h"

struct FontAdvances;  // the FreeType face and the advances looked up so far

struct FontAdvancesClose {
    void operator()(FontAdvances *font) const;
};
using FontAdvancesHandle = std::unique_ptr<FontAdvances, FontAdvancesClose>;

// Opens face 0 of the font file whose contents are `bytes` at baseSize
// pixels, as the game loads its font. Null, with the reason in *why, when
// FreeType cannot read it as a font or size it.
FontAdvancesHandle font_advances_open(std::string bytes, int baseSize, std::string *why);

// The advance of codepoint's glyph at the base size, in whole pixels.
int font_advance(FontAdvances &font, int codepoint);

// What MeasureTextEx gives for text at fontSize in the game's font.
float font_text_width(FontAdvances &font, const char *text, float fontSize);

// The lines of text that a box shows at fontSize (text_fill_box), and in
// *hidden (when given) the text that does not fit below them.
std::vector<std::string> font_box_lines(FontAdvances &font, const char *text, const TextBox &box, float fontSize,
                                        std::string *hidden);
