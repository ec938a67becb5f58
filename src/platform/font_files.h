// font_files: which font file the game draws its Japanese text with, and at
// what size, with no graphics: the game loads the file (font_jp.h), and
// pelzo-quiz measures a set's texts with the same file to see them as the
// screen will.
//
// The candidates are the three Windows font paths, then the files the system
// offers for Japanese beyond them (one file per port: fontconfig's Japanese
// serif, then its Japanese sans, on Linux; none on Windows). The first that
// exists as a regular file is the one.
#pragma once

#include <string>
#include <vector>

// The size in pixels the game rasterises its font at: the base size its
// glyph advances are measured in.
constexpr int kJapaneseFontSize = 36;

// Font files the system offers for Japanese text besides the three Windows
// font paths, best first. Asked once per process.
const std::vector<std::string> &win_japanese_fonts();
// What to install when the system has no Japanese font at all.
const char *win_japanese_font_hint();

// The whole candidate list, best first. Asked once per process.
const std::vector<std::string> &japanese_font_candidates();

// The first path of list that names a regular file (UTF-8 paths), or null.
const std::string *first_existing_file(const std::vector<std::string> &list);
