// SPDX-License-Identifier: MIT
// cp932_iconv: what glibc's iconv "CP932" makes of one byte sequence. The
// Linux port builds its decoding table from it at run time, and
// tools/cp932_table builds the browser's tables from it on the build machine.
#pragma once

#include <iconv.h>

#include <cstring>

// iconv's answer for exactly the bytes in[0..n) (n <= 4) through cd (a
// "UTF-32LE" from "CP932" converter): the one code point they make together,
// or 0 (also for code points outside the BMP, which code page 932 has none of).
inline char32_t cp932_iconv_decode(iconv_t cd, const unsigned char *in, size_t n)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char buf[4];
    memcpy(buf, in, n);
    char *inp = buf;
    size_t inLeft = n;
    char32_t out[2] = {0, 0};
    char *outp = reinterpret_cast<char *>(out);
    size_t outLeft = sizeof out;
    if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) return 0;
    if (outLeft != sizeof out - sizeof(char32_t)) return 0;  // not exactly one character
    return out[0] > 0 && out[0] <= 0xFFFF ? out[0] : 0;
}
