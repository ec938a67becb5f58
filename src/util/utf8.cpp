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
