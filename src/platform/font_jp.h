// SPDX-License-Identifier: MIT
// font_jp: the one font all text is drawn with, rasterised at 36 px for exactly
// the characters the game will draw.
//
// load_font_jp builds it for the interface strings at start-up; rebuild_font_jp
// builds it again after each successful quiz-set load for the interface
// strings plus every text of g_genres. The file is the first font of the
// candidate list (font_files.h) that exists and loads; with none, the
// library's default font.
#pragma once

#include <string>
#include <vector>

#include "gamelib.h"

extern Font g_fontJP;

void load_font_jp();
void rebuild_font_jp();
// Loads the font again for the characters it holds now, so that its glyphs
// are rasterised at the size text is shown at (IsFontRasterStale).
void refresh_font_jp();

// Tests replace the candidate list (null restores the built-in one). The list is
// tried in order; entries are file paths. With no font found, a load says so
// once on stderr; a new list may say so again.
void set_font_candidates_for_test(const char *const *paths, int count);
// The font file the last load chose, or "" for the default font.
const char *font_jp_file();

// The name of the set's file as the title shows it (UTF-8, "" for none). Its
// characters are in every glyph set made from then on.
void font_jp_set_file_name(const char *name);
// The words of the panel the title shows over itself (its headings, buttons
// and notes; UTF-8), kept up to kPanelWordsBytes - 1 bytes, cut at a
// character. Its characters are in every glyph set made from then on.
constexpr int kPanelWordsBytes = 2048;
void font_jp_set_panel_words(const char *words);

// Lines the title lists besides its message (what a teacher's source was
// found to hold, in Japanese): their characters are in every glyph set made
// from then on, until the next call replaces them.
void font_jp_set_message_lines(std::vector<std::string> lines);

// The start-up glyph text, written into buf (at most bufSize - 1 bytes are
// kept; each string is appended strncat-style up to that cap, so a cut may
// fall inside a character): the interface strings, printable ASCII, the
// file name, then the title's message (g_errorMsg: besides the loaders' own,
// the browser page's, such as why a set could not be fetched) and the
// panel's words and the message lines (font_jp_set_message_lines). Returns
// the text's length. load_font_jp uses 64 KiB.
int font_jp_startup_text(char *buf, int bufSize);

// The codepoints of a rebuild: each distinct one once, in the order it first
// occurs in the interface strings, printable ASCII, the file name, the
// title's message, the panel's words and the message lines, then for
// each genre of g_genres its name and, per question, the text and the five
// choices. Every text of the set counts, whatever its size.
std::vector<int> font_jp_quiz_codepoints();
