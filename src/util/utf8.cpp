// SPDX-License-Identifier: MIT
#include "utf8.h"

#include <cstring>

size_t utf8_cut_length(const char *s, size_t len)
{
    while (len > 0 && (static_cast<unsigned char>(s[len]) & 0xC0) == 0x80) --len;
    return len;
}

size_t utf8_copy_cut(char *dst, size_t dstSize, const char *src)
{
    if (!dst || dstSize == 0) return 0;
    size_t len = src ? strlen(src) : 0;
    if (len > dstSize - 1) len = utf8_cut_length(src, dstSize - 1);
    if (len > 0) memcpy(dst, src, len);
    dst[len] = '\0';
    return len;
}

bool utf8_valid(const char *s, size_t len)
{
    char32_t cp;
    for (size_t i = 0; i < len;) {
        const size_t n = utf8_decode(s + i, len - i, &cp);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

size_t utf8_encode(char32_t cp, char *out)
{
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}
