// SPDX-License-Identifier: MIT
// utf8: small operations on UTF-8 text that every layer shares.
//
// No allocation; every function reads only up to the source's NUL and writes
// only inside the destination it is given.
#pragma once

#include <cstddef>

// The length of the longest prefix of the first `len` bytes of s that does not
// end inside a multi-byte character (continuation bytes at the cut are backed
// off; s[len] is the byte after the cut, which must be readable when
// len < strlen(s)).
size_t utf8_cut_length(const char *s, size_t len);

// Copies src into dst (dstSize > 0 bytes), cut at a character boundary when it
// does not fit, always NUL-terminated. Returns the bytes copied.
size_t utf8_copy_cut(char *dst, size_t dstSize, const char *src);

// Decodes the one UTF-8 character at the start of s (len bytes readable).
// Returns its length, 1 to 4, with the code point in *cp; 0 when the bytes
// there are no valid UTF-8 (a stray continuation byte, an overlong form, a
// surrogate, beyond U+10FFFF, or a sequence cut by len). Each byte is checked
// before the next is read, so a NUL inside a sequence ends it as invalid: on
// a NUL-terminated text, len 4 never reads past the terminator. Inline: the
// font decodes every character of a loaded set through it.
inline size_t utf8_decode(const char *s, size_t len, char32_t *cp)
{
    if (len == 0) return 0;
    const auto b = static_cast<unsigned char>(s[0]);
    if (b < 0x80) {
        *cp = b;
        return 1;
    }
    size_t n;
    char32_t v, min;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
        v = b & 0x1Fu;
        min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        v = b & 0x0Fu;
        min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        v = b & 0x07u;
        min = 0x10000;
    } else {
        return 0;
    }
    for (size_t i = 1; i < n; ++i) {
        if (i >= len) return 0;
        const auto c = static_cast<unsigned char>(s[i]);
        if ((c & 0xC0) != 0x80) return 0;
        v = (v << 6) | (c & 0x3Fu);
    }
    if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
    *cp = v;
    return n;
}

// True when the len bytes at s are valid UTF-8 throughout.
bool utf8_valid(const char *s, size_t len);

// Writes the UTF-8 form of code point `cp` (up to U+10FFFF) into out (room for
// 4 bytes, no terminator). Returns its length: 1 to 4.
size_t utf8_encode(char32_t cp, char *out);
