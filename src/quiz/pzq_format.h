// SPDX-License-Identifier: MIT
// pzq_format: the layout of a binary quiz file (.pzq), and its writer.
//
// A .pzq file is eight 256-byte genre header records followed by the question
// records of every genre, in header order. A header record holds the genre's
// name (plain Shift-JIS, up to 16 bytes, zero-filled), its question count (a
// little-endian int16 at byte 18) and, in record 0 only, the magic at byte 34.
// A question record holds the question text (116 bytes) and the five choices
// (28 bytes each), every field Shift-JIS with bit 7 flipped and padded with
// plain spaces. The reader (pzq_reader.h) and the writer below are the only
// code that knows these numbers.
#pragma once

#include <array>
#include <string>

#include "quiz_data.h"

constexpr int kPzqRecordSize = 256;
constexpr int kPzqHeaderSize = kMaxGenres * kPzqRecordSize;  // 2048
constexpr int kPzqNameSize = 16;
constexpr int kPzqCountOffset = 18;
constexpr int kPzqMagicOffset = 34;
constexpr int kPzqMagicSize = 8;
constexpr int kPzqTextWidth = 116;
constexpr int kPzqChoiceWidth = 28;
constexpr int kPzqMaxQuestions = 32767;  // the largest int16 count
// The largest file a load reads: the header and eight full genres.
constexpr long long kPzqLargestFile = kPzqHeaderSize + 8LL * kPzqMaxQuestions * kPzqRecordSize;

inline constexpr char kPzqMagic[] = "PELZOQDT";  // what the writer writes
inline constexpr char kPzqMagicOther[] = "PELZOQDX";  // read as well

// True when the 8 bytes at `magic` are either magic.
bool pzq_is_magic(const char *magic);

// The eight header records: each genre's name (cut to 16 bytes) and count,
// the magic in record 0.
std::string pzq_write_header(const std::array<int, kMaxGenres> &counts,
                             const std::array<std::string, kMaxGenres> &names);
// One question record from plain Shift-JIS texts (each cut to its width).
std::string pzq_write_record(const std::string &text, const std::array<std::string, kChoices> &choices);
// One field: bit 7 of each byte flipped, padded with plain spaces to `width`.
std::string pzq_write_field(const std::string &plain, int width);
