// SPDX-License-Identifier: MIT
// codepage: text conversion between code page 932 (Shift-JIS, Windows flavour)
// and UTF-8. On Windows the system converters (MultiByteToWideChar,
// WideCharToMultiByte); on Linux glibc iconv "CP932", with converters opened
// once and reused. The two agree on every byte sequence except the single
// bytes 0x80, 0xA0 and 0xFD-0xFF, which Windows maps to U+0080 and private-use
// code points and glibc does not decode.
//
// The game's two conversions never allocate and always leave dst
// NUL-terminated when dstSize > 0.
#pragma once

#include <string>
#include <string_view>

// Shift-JIS -> UTF-8. Returns the bytes written including the NUL; 0 when the
// UTF-8 form does not fit (dst then holds the longest whole-character prefix
// that fits); for a source longer than 1023 characters, a raw byte copy cut to
// dstSize - 1, returning the bytes copied. An undecodable character becomes
// "・" and conversion goes on.
int win_sjis_to_utf8(const char *src, char *dst, int dstSize);

// UTF-8 -> Shift-JIS. Returns the bytes written including the NUL. Characters
// code page 932 lacks become '?'. When the source is too long or the result
// does not fit, dst receives the raw UTF-8 bytes cut to dstSize - 1.
int win_utf8_to_sjis(const char *src, char *dst, int dstSize);

// Whole texts of any length, for the authors' tool: nothing is replaced or
// cut. False when a character has no code page 932 form (encode), or when
// the bytes do not decode (decode); the output is then unspecified.
bool cp932_encode(std::string_view utf8, std::string *sjis);
bool cp932_decode(std::string_view sjis, std::string *utf8);
