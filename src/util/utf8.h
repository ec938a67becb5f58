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

// Writes the UTF-8 form of code point `cp` (up to U+10FFFF) into out (room for
// 4 bytes, no terminator). Returns its length: 1 to 4.
size_t utf8_encode(char32_t cp, char *out);
