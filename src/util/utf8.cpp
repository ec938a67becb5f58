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

size_t utf8_decode(const char *s, size_t len, char32_t *cp)
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
    } else
        return 0;
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
