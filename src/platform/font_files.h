// SPDX-License-Identifier: MIT
// font_files: which font file the game draws its Japanese text with, and at
// what size, with no graphics: the game loads the file (font_jp.h), and
// pelzo-quiz measures a set's texts with the same file to see them as the
// screen will.
//
// The candidates are the files the port offers for Japanese: on Windows its
// three font paths (C:/Windows/Fonts/...), which exist only there (on Linux
// they would be relative paths, found in whatever folder the program runs
// from); on Linux fontconfig's Japanese serif, then its Japanese sans; in the
// browser the IPA Mincho the page ships. The first that exists as a regular
// file and loads as a font is the one.
#pragma once

#include <string>
#include <vector>

// The size in pixels the game rasterises its font at: the base size its
// glyph advances are measured in.
constexpr int kJapaneseFontSize = 36;

// Font files the system offers for Japanese text, best first, looked up anew
// on each call (japanese_font_candidates keeps the first answer).
std::vector<std::string> sys_japanese_fonts();
// Readies the port's font files for a glyph set of these codepoints before
// the candidates are tried: the browser inflates its shipped font and fetches
// the whole font when its first part lacks one of them. Nothing elsewhere.
void sys_ready_japanese_fonts(const int *codepoints, int count);
// What to install when the system has no Japanese font at all.
const char *sys_japanese_font_hint();

// The whole candidate list, best first. Asked once per process.
const std::vector<std::string> &japanese_font_candidates();

// Every path of list that names a regular file (UTF-8 paths), in order.
// Whoever loads a font from them takes the first one that loads (a file may
// be no font).
std::vector<std::string> existing_files(const std::vector<std::string> &list);
