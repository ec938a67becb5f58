// SPDX-License-Identifier: MIT
// Shift-JIS -> UTF-8 decodes from a table built once from iconv. These tests
// hold it to converting each text with iconv directly, as a plain
// implementation would: every single byte, every two-byte sequence, and
// random texts at random destination sizes give the same bytes and the same
// return value.
#include <gtest/gtest.h>

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "codepage.h"
#include "codepage_fallback.h"

namespace {

// Converts the whole text with one iconv pass into code points (a lead byte
// with a trail-range byte after it, or any other single byte, becomes "・"
// where iconv stops), at most 1023 of them, then encodes UTF-8 into dst.
int iconv_sjis_to_utf8(const char *src, char *dst, int dstSize)
{
    static iconv_t cd = iconv_open("UTF-32LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1) || dstSize <= 0) return -99;
    auto is_lead = [](unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); };
    auto is_trail = [](unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); };
    char32_t wide[1024];
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char *in = const_cast<char *>(src);
    size_t inLeft = strlen(src);
    char *out = reinterpret_cast<char *>(wide);
    size_t outLeft = 1023 * sizeof(char32_t);
    bool tooLong = false;
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG || outLeft < sizeof(char32_t)) {
            tooLong = true;
            break;
        }
        const auto *p = reinterpret_cast<const unsigned char *>(in);
        const size_t skip = (inLeft >= 2 && is_lead(p[0]) && is_trail(p[1])) ? 2 : 1;
        const char32_t dot = 0x30FB;
        memcpy(out, &dot, sizeof dot);
        out += sizeof dot;
        outLeft -= sizeof dot;
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    if (tooLong) return codepage_fallback_copy(src, dst, dstSize);
    const int count = static_cast<int>((out - reinterpret_cast<char *>(wide)) / sizeof(char32_t));
    int used = 0;
    for (int i = 0; i < count; ++i) {
        const char32_t c = wide[i];
        char enc[4];
        int n;
        if (c < 0x80) {
            enc[0] = static_cast<char>(c);
            n = 1;
        } else if (c < 0x800) {
            enc[0] = static_cast<char>(0xC0 | (c >> 6));
            enc[1] = static_cast<char>(0x80 | (c & 0x3F));
            n = 2;
        } else {
            enc[0] = static_cast<char>(0xE0 | (c >> 12));
            enc[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            enc[2] = static_cast<char>(0x80 | (c & 0x3F));
            n = 3;
        }
        if (used + n > dstSize - 1) {
            dst[used] = '\0';
            return 0;
        }
        memcpy(dst + used, enc, static_cast<size_t>(n));
        used += n;
    }
    dst[used] = '\0';
    return used + 1;
}

// Both conversions of src into a dstSize buffer agree on the return value and
// the text; the table's never writes past dstSize.
::testing::AssertionResult same_conversion(const std::string &src, int dstSize)
{
    std::vector<char> got(static_cast<size_t>(dstSize) + 8, '\x7F');
    std::vector<char> want(static_cast<size_t>(dstSize) + 8, '\x7F');
    const int r1 = win_sjis_to_utf8(src.c_str(), got.data(), dstSize);
    const int r2 = iconv_sjis_to_utf8(src.c_str(), want.data(), dstSize);
    for (size_t i = static_cast<size_t>(dstSize); i < got.size(); ++i)
        if (got[i] != '\x7F') return ::testing::AssertionFailure() << "wrote past the destination at " << i;
    if (r1 != r2 || strcmp(got.data(), want.data()) != 0) {
        std::string hex;
        for (unsigned char b : src.substr(0, 16)) {
            char h[4];
            snprintf(h, sizeof h, "%02X ", b);
            hex += h;
        }
        return ::testing::AssertionFailure()
               << "source " << hex << "(" << src.size() << " bytes), size " << dstSize << ": returned " << r1 << " \""
               << got.data() << "\", iconv gives " << r2 << " \"" << want.data() << "\"";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(SjisTable, EverySingleByteAndEveryPairDecodeAsIconvDecodesThem)
{
    for (int a = 1; a < 256; ++a) {
        const std::string one(1, static_cast<char>(a));
        ASSERT_TRUE(same_conversion(one, 512));
        ASSERT_TRUE(same_conversion(one + "A", 512));
        for (int b = 1; b < 256; ++b) {
            std::string two{static_cast<char>(a), static_cast<char>(b)};
            ASSERT_TRUE(same_conversion(two, 512));
            // A third byte shows whether the second was taken as a trail.
            ASSERT_TRUE(same_conversion(two + "\x82\xA0", 512));
        }
    }
}

TEST(SjisTable, RandomTextsAtRandomSizesMatchIconv)
{
    unsigned seed = 77;
    auto next = [&seed](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return ((seed >> 8) & 0xFFFFFF) % n;
    };
    for (int round = 0; round < 20000; ++round) {
        std::string src;
        const unsigned len = next(round % 50 == 0 ? 2100 : 300);
        for (unsigned i = 0; i < len; ++i) {
            unsigned b = next(256);
            const unsigned kind = next(4);
            if (kind == 0) b = 0x81 + next(0x1F);  // lead bytes
            if (kind == 1) b = 0x40 + next(0xBD);  // trail range
            if (b == 0) b = 'a';
            src += static_cast<char>(b);
        }
        const int dstSize = 1 + static_cast<int>(next(round % 3 == 0 ? 4100 : 600));
        ASSERT_TRUE(same_conversion(src, dstSize)) << "round " << round;
    }
}

TEST(SjisTable, LimitsOfTheIntermediateMatchIconv)
{
    // 1023 characters fit the intermediate, 1024 do not, whatever their kind
    // and whatever the destination holds.
    for (const std::string &unit : {std::string("a"), std::string("\x82\xA0"), std::string("\x85\x40"),
                                    std::string("\xB1"), std::string("\x80")}) {
        for (int n : {1022, 1023, 1024, 1025}) {
            std::string src;
            for (int i = 0; i < n; ++i) src += unit;
            for (int size : {1, 2, 5, 512, 1024, 4096}) ASSERT_TRUE(same_conversion(src, size)) << n << " x " << size;
        }
    }
}
