// font_jp: the one font all text is drawn with, rasterised at 36 px for exactly
// the characters the game will draw.
//
// load_font_jp builds it for the interface strings at start-up; rebuild_font_jp
// builds it again after each successful quiz-set load for the interface
// strings plus every text of g_genres. The file is the first existing font of
// the candidate list (three Windows paths, then fontconfig's Japanese serif,
// then Japanese sans); with none, the library's default font.
#pragma once

#include "gamelib.h"

extern Font g_fontJP;

void load_font_jp();
void rebuild_font_jp();

// Tests replace the candidate list (null restores the built-in one). The list is
// tried in order; entries are file paths. With no font found, a load says so
// once on stderr; a new list may say so again.
void set_font_candidates_for_test(const char *const *paths, int count);
// The font file the last load chose, or "" for the default font.
const char *font_jp_file();

// The glyph texts, written into buf (at most bufSize - 1 bytes are kept; each
// string is appended strncat-style up to that cap, so a cut may fall inside a
// character). Return the text's length. load_font_jp uses 64 KiB and
// rebuild_font_jp 1 MiB.
// Start-up: the interface strings, then printable ASCII.
int font_jp_startup_text(char *buf, int bufSize);
// Rebuild: the interface strings, printable ASCII, then for each genre of
// g_genres its name and, per question, the text and the five choices.
int font_jp_quiz_text(char *buf, int bufSize);
