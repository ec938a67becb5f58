// SPDX-License-Identifier: MIT
// codepage_fallback: the raw byte copy both ports' conversions fall back on
// for a text too long for their 1024-unit intermediate.
#pragma once

// Copies src into dst byte for byte: at most dstSize - 1 bytes (dstSize > 0),
// then a NUL. Returns the bytes copied.
inline int codepage_fallback_copy(const char *src, char *dst, int dstSize)
{
    int n = 0;
    while (n < dstSize - 1 && src[n] != '\0') {
        dst[n] = src[n];
        ++n;
    }
    dst[n] = '\0';
    return n;
}
