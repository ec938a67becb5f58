// SPDX-License-Identifier: MIT
// cp932_table: the half of the code page 932 conversions that the Linux and
// browser ports share. Each port supplies what a byte sequence decodes to (a
// table, built once) and how a run of characters encodes; the game's two
// conversions, win_sjis_to_utf8 and win_utf8_to_sjis (codepage.h), are written
// once over those.
//
// Both conversions behave as if they passed through a fixed intermediate of
// 1024 UTF-16 units (a text of at most 1023 characters plus its terminator),
// as the Windows converters do; a longer text falls back to a raw byte copy.
// The UTF-8 side is encoded and decoded by hand, so a result that does not fit
// can be cut at a character boundary.
#pragma once

#include <cstdint>

// What each byte sequence of code page 932 decodes to, as UTF-8: a single byte
// alone, or a lead byte with the byte after it. An entry is the UTF-8 bytes in
// its low three bytes, in order, and their count in the top byte; 0 when the
// bytes do not decode that way. Code page 932 decodes into the BMP only, so
// three bytes always do.
using Cp932Entry = uint32_t;
struct Cp932DecodeTable {
    Cp932Entry single[256];
    bool pairs[256];  // some two-byte sequence starts with this byte
    Cp932Entry pair[256][256];  // [first][second]
};

// The entry of code point c (0 for 0).
Cp932Entry cp932_entry_of(char32_t c);

// The table, built on first use by the port's cp932_fill_table; null when
// the port has none or memory ran out.
const Cp932DecodeTable *cp932_decode_table();
// The port's part: fills a zeroed table; false when it cannot.
bool cp932_fill_table(Cp932DecodeTable *table);

// Encodes count code points into out (at most outCap bytes, no terminator),
// writing '?' for each one code page 932 lacks. Returns the bytes written, or
// -1 when they do not fit or the port cannot encode at all.
int cp932_encode_run(const char32_t *wide, int count, char *out, int outCap);
