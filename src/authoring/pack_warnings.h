// SPDX-License-Identifier: MIT
// pack_warnings: what pack says of texts that pack but that the play screen
// cannot show whole:
//   - a question or a choice that wraps to more lines than its box shows
//     (the lines below are dropped without a mark);
//   - a genre name too wide for its tag even at the smallest size (the tag
//     cuts it with "…");
//   - two choices of one question whose shown lines are the same (they
//     differ only in what is dropped, or not at all).
// Texts are measured as the game draws them: with the font file it would
// load (font_files.h; pack's --font names another) and through the layout
// rule and boxes of its screens (text_layout.h, screen_layout.h).
#pragma once

#include <string>
#include <vector>

#include "font_advances.h"
#include "genre_source.h"

// Opens the font the checks measure with. With `file` not empty, that file:
// false, with "FILE: reason" in *problem, when it cannot be read as a font.
// Otherwise the game's choice; when there is none, or it does not load (the
// game would fall back to its library's Latin font), *font stays null and
// *notice says why the checks are skipped.
bool open_pack_font(const std::string &file, FontAdvancesHandle *font, std::string *problem, std::string *notice);

// Every warning for the genres, in source order.
std::vector<PackWarning> pack_warnings(const std::vector<GenreSource> &genres, FontAdvances &font);
