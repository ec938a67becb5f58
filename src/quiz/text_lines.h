// SPDX-License-Identifier: MIT
// text_lines: the one line splitter for the game's text members and for the
// authors' genre sources.
//
// LF ends a line and CR is dropped wherever it stands. With pieceBytes > 0 a
// line that reaches pieceBytes bytes ends there, and the rest of its physical
// line starts the next one (a line end right after makes an empty line); with
// maxLines > 0 no more lines than that are taken. Each kept line carries the
// physical line of the input it comes from, for "file:line" messages. Bytes
// are kept as they are, NUL included (a C string of the line ends there).
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// The game's rules for a text member: pieces of 511 bytes, 1,024 lines.
constexpr size_t kMemberLineBytes = 511;
constexpr size_t kMemberMaxLines = 1024;

struct TextLine {
    std::string text;
    int physical = 0;  // 1-based
};

struct TextLines {
    std::vector<TextLine> lines;
    bool moreAfterLimit = false;  // bytes other than line ends followed the last line taken
    // Physical lines of pieceBytes bytes or more (CRs not counted): their
    // number and length.
    std::vector<std::pair<int, size_t>> longLines;
};

TextLines split_text_lines(const char *data, size_t length, size_t pieceBytes, size_t maxLines);

// Drops the empty lines at the end: those with no text before a NUL.
void drop_trailing_empty_lines(TextLines &split);
