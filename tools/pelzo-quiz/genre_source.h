// genre_source: reads one quiz author's genre file (UTF-8) for packing.
//
// A genre file is the text member's layout in UTF-8: a genre-name line, then
// six lines per question (question, right answer, four wrong answers). LF or
// CR LF line ends; empty lines at the end are ignored. Each line is converted
// to Shift-JIS (code page 932) strictly: a character the code page lacks, or
// one the game would read back as a different character (〜 comes back as ～),
// is refused instead of replaced. Every refusal is one "path:line: reason"
// text, so an author can fix the source without knowing the formats.
// Reads the file once; keeps nothing between calls.
#pragma once

#include <string>
#include <vector>

#include "pzq_format.h"

enum class PackFormat { Zip, Pzq };

// What each kind of set can hold.
constexpr int kZipLineBytes = 510;    // Shift-JIS bytes per line (511 would split off an empty line)
constexpr int kTextSlotBytes = 511;   // UTF-8 bytes the game keeps of any text
constexpr int kZipMaxQuestions = 170; // 1 + 6 x 170 = 1,021 of the 1,024 lines read from a member

struct SourceLine {
    std::string text;  // UTF-8, line end removed
    std::string sjis;  // the same in code page 932
};

struct GenreSource {
    std::string path;
    std::vector<SourceLine> lines;  // line i is line i + 1 of the file
    int questions() const { return static_cast<int>((lines.size() - 1) / 6); }
};

// Reads and checks one genre file for the given kind of set. Returns true when
// it can be packed; otherwise appends at least one "path:line: reason" (or
// "path: reason") to problems.
bool read_genre_source(const std::string &path, PackFormat format, GenreSource &out, std::vector<std::string> &problems);

// Strict UTF-8 -> code page 932 of one whole text. False when a character has
// no code page 932 form or does not read back as itself.
bool utf8_to_cp932_strict(const std::string &utf8, std::string &sjis);

// Which text a line holds in the layout: "the genre name", "the question",
// "the right answer", "wrong answer 1" .. "wrong answer 4". `index` is 0-based.
std::string line_role(size_t index);

// Shortens a UTF-8 text for a message: at most `chars` characters, then "…".
std::string excerpt(const std::string &utf8, size_t chars = 60);
