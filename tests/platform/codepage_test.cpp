// SPDX-License-Identifier: MIT
// Code page 932 <-> UTF-8: return values, the 1023-character intermediate,
// undecodable input, cutting at character boundaries, CP932-only characters,
// and where the Linux port (glibc iconv) and the Windows port (the system
// converters) differ: only in the cases named here.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "codepage.h"

namespace {

std::string to_utf8(const std::string &sjis, int dstSize, int *ret)
{
    std::string dst(static_cast<size_t>(dstSize), '\x7F');
    *ret = win_sjis_to_utf8(sjis.c_str(), dst.data(), dstSize);
    return std::string(dst.c_str());
}

std::string to_utf8(const std::string &sjis)
{
    int ret = 0;
    std::string out = to_utf8(sjis, 512, &ret);
    EXPECT_EQ(ret, static_cast<int>(out.size()) + 1) << "conversion of a short text must succeed";
    return out;
}

std::string to_sjis(const std::string &utf8, int dstSize = 512, int *ret = nullptr)
{
    std::string dst(static_cast<size_t>(dstSize), '\x7F');
    int r = win_utf8_to_sjis(utf8.c_str(), dst.data(), dstSize);
    if (ret) *ret = r;
    return std::string(dst.c_str());
}

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

std::string repeat(const std::string &s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

}  // namespace

TEST(SjisToUtf8, EmptySourceReturnsTerminatorOnly)
{
    char dst[8] = "xxxxxxx";
    EXPECT_EQ(win_sjis_to_utf8("", dst, sizeof dst), 1);
    EXPECT_EQ(dst[0], '\0');
}

TEST(SjisToUtf8, PlainAndDoubleByteText)
{
    EXPECT_EQ(to_utf8("Quiz 1"), "Quiz 1");
    EXPECT_EQ(to_utf8("\x82\xA0\x82\xA2"), "あい");
    EXPECT_EQ(to_utf8("\xB1"), "ｱ");  // half-width katakana, single byte
}

TEST(SjisToUtf8, BackslashAndTildeStayAscii)
{
    EXPECT_EQ(to_utf8("C:\\a~b"), "C:\\a~b");
    // ソ and 表 carry 0x5C as their second byte; they must not split there.
    EXPECT_EQ(to_utf8("\x83\x5C\x95\x5C"), "ソ表");
}

TEST(SjisToUtf8, Cp932OnlyCharacters)
{
    EXPECT_EQ(to_utf8("\x87\x40"), "①");
    EXPECT_EQ(to_utf8("\xFB\xFC"), "髙");
    EXPECT_EQ(to_utf8("\x81\x60"), "～");
    EXPECT_EQ(to_utf8("\x87\x54"), "Ⅰ");
    EXPECT_EQ(to_utf8("\xED\x40"), "\u7E8A");  // NEC-selected IBM extension
    EXPECT_EQ(to_utf8("\xB1"), "ｱ");  // half-width katakana
}

TEST(SjisToUtf8, UndecodableInputBecomesOneDotPerCharacter)
{
    // Unassigned double-byte code: lead plus trail-range byte is one character.
    EXPECT_EQ(to_utf8("a\x85\x40z"), "a・z");
    // Lead byte followed by a byte outside the trail range: the lead alone on
    // Linux; the Windows converter takes the pair as one bad character.
    EXPECT_EQ(to_utf8("\x82\x20x"), kWindows ? "・x" : "・ x");
    // Single bytes glibc's table does not assign; Windows maps them to U+0080
    // and private-use code points.
    EXPECT_EQ(to_utf8("\x80"), kWindows ? "\u0080" : "・");
    EXPECT_EQ(to_utf8("\xA0"), kWindows ? "\uF8F0" : "・");
    EXPECT_EQ(to_utf8("\xFD\xFE\xFF"), kWindows ? "\uF8F1\uF8F2\uF8F3" : "・・・");
    // A lead byte cut off by the end of the text.
    EXPECT_EQ(to_utf8("ab\x82"), "ab・");
    // Conversion goes on after each bad character.
    EXPECT_EQ(to_utf8("\x85\x40\x82\xA0\x85\x40"), "・あ・");
}

TEST(SjisToUtf8, IntermediateHolds1023Characters)
{
    int ret = 0;
    // 1023 double-byte characters convert (3 UTF-8 bytes each).
    std::string out = to_utf8(repeat("\x82\xA0", 1023), 4096, &ret);
    EXPECT_EQ(ret, 1023 * 3 + 1);
    EXPECT_EQ(out, repeat("あ", 1023));

    // 1024 characters fall back to a raw byte copy cut to dstSize - 1.
    out = to_utf8(repeat("\x82\xA0", 1024), 4096, &ret);
    EXPECT_EQ(ret, 2048);
    EXPECT_EQ(out, repeat("\x82\xA0", 1024));

    out = to_utf8(repeat("a", 1024), 512, &ret);
    EXPECT_EQ(ret, 511);
    EXPECT_EQ(out, repeat("a", 511));

    // Undecodable characters count against the limit one each.
    out = to_utf8(repeat("\x85\x40", 1023), 4096, &ret);
    EXPECT_EQ(ret, 1023 * 3 + 1);
    out = to_utf8(repeat("\x85\x40", 1024), 4096, &ret);
    EXPECT_EQ(ret, 2048);
}

TEST(SjisToUtf8, ResultThatDoesNotFitIsCutAtCharacterBoundary)
{
    int ret = -1;
    // "ああ" needs 6 bytes plus the NUL.
    EXPECT_EQ(to_utf8("\x82\xA0\x82\xA0", 7, &ret), "ああ");
    EXPECT_EQ(ret, 7);
    EXPECT_EQ(to_utf8("\x82\xA0\x82\xA0", 6, &ret), "あ");
    EXPECT_EQ(ret, 0);
    EXPECT_EQ(to_utf8("\x82\xA0\x82\xA0", 3, &ret), "");
    EXPECT_EQ(ret, 0);
    EXPECT_EQ(to_utf8("a\x82\xA0", 4, &ret), "a");
    EXPECT_EQ(ret, 0);

    // 1023 ASCII characters fit the intermediate but not 512 bytes.
    std::string out = to_utf8(repeat("a", 1023), 512, &ret);
    EXPECT_EQ(ret, 0);
    EXPECT_EQ(out, repeat("a", 511));

    // A 511-byte Shift-JIS line of half-width katakana grows to 1533 bytes.
    out = to_utf8(repeat("\xB1", 511), 512, &ret);
    EXPECT_EQ(ret, 0);
    EXPECT_EQ(out, repeat("ｱ", 170));
}

TEST(SjisToUtf8, NeverWritesPastDestination)
{
    char buf[16];
    memset(buf, 'Z', sizeof buf);
    win_sjis_to_utf8("\x82\xA0\x82\xA0\x82\xA0", buf, 5);
    for (int i = 5; i < 16; ++i) EXPECT_EQ(buf[i], 'Z') << i;
    memset(buf, 'Z', sizeof buf);
    win_sjis_to_utf8(repeat("b", 2000).c_str(), buf, 5);
    EXPECT_STREQ(buf, "bbbb");
    for (int i = 5; i < 16; ++i) EXPECT_EQ(buf[i], 'Z') << i;
}

TEST(Utf8ToSjis, RoundTripsCp932Characters)
{
    int ret = 0;
    const std::string sjis = to_sjis("①髙～\\ソ", 512, &ret);
    EXPECT_EQ(sjis, "\x87\x40\xFB\xFC\x81\x60\\\x83\x5C");
    EXPECT_EQ(ret, 10);
    EXPECT_EQ(to_utf8(sjis), "①髙～\\ソ");
    // The wave dash has no code of its own. glibc writes the full-width
    // tilde's; Windows writes the default character.
    EXPECT_EQ(to_sjis("〜"), kWindows ? "?" : "\x81\x60");
}

TEST(Utf8ToSjis, MissingCharactersBecomeDefaultCharacter)
{
    // Windows writes one default character per UTF-16 unit: two for a
    // character outside the BMP.
    EXPECT_EQ(to_sjis("a😀b"), kWindows ? "a??b" : "a?b");
    EXPECT_EQ(to_sjis("한"), "?");
    // Bytes that are not UTF-8 are characters the code page lacks too.
    EXPECT_EQ(to_sjis("x\xFFy"), "x?y");
}

TEST(Utf8ToSjis, EmptyAndFallbackCopies)
{
    int ret = 0;
    EXPECT_EQ(to_sjis("", 8, &ret), "");
    EXPECT_EQ(ret, 1);

    // The Shift-JIS form does not fit: raw UTF-8 cut to dstSize - 1.
    char dst[6];
    memset(dst, 'Z', sizeof dst);
    win_utf8_to_sjis("abcdefgh", dst, sizeof dst);
    EXPECT_STREQ(dst, "abcde");

    // More than 1023 UTF-16 units: raw copy; a character outside the BMP
    // counts two units.
    EXPECT_EQ(to_sjis(repeat("a", 1024), 2048), repeat("a", 1024));
    EXPECT_EQ(to_sjis(repeat("a", 1023), 2048), repeat("a", 1023));
    EXPECT_EQ(to_sjis(repeat("a", 1022) + "😀", 2048), repeat("a", 1022) + "😀");
    EXPECT_EQ(to_sjis(repeat("a", 1021) + "😀", 2048), repeat("a", 1021) + (kWindows ? "??" : "?"));
}

namespace {

bool valid_utf8(const std::string &s)
{
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

}  // namespace

TEST(SjisToUtf8, RandomInputStaysInsideDestination)
{
    // Random bytes weighted towards lead and trail bytes, random sizes: the
    // result is terminated inside the buffer, nothing past it is written, and
    // a converted (not raw-copied) result is whole UTF-8.
    unsigned seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFF;
    };
    std::vector<char> buf(700);
    for (int round = 0; round < 3000; ++round) {
        std::string src;
        const int len = static_cast<int>(next() % 1300);
        for (int i = 0; i < len; ++i) {
            unsigned b = next() % 256;
            if (next() % 3 == 0) b = 0x81 + next() % 31;
            if (b == 0) b = 0x5C;
            src += static_cast<char>(b);
        }
        const int dstSize = 1 + static_cast<int>(next() % 600);
        std::fill(buf.begin(), buf.end(), '\x7F');
        const int ret = win_sjis_to_utf8(src.c_str(), buf.data(), dstSize);
        const std::string out(buf.data());
        ASSERT_LT(out.size(), static_cast<size_t>(dstSize)) << round;
        for (size_t i = static_cast<size_t>(dstSize); i < buf.size(); ++i) ASSERT_EQ(buf[i], '\x7F') << round;
        if (ret == static_cast<int>(out.size()) + 1 || ret == 0) {
            EXPECT_TRUE(valid_utf8(out)) << round;
        }

        std::fill(buf.begin(), buf.end(), '\x7F');
        win_utf8_to_sjis(src.c_str(), buf.data(), dstSize);
        ASSERT_LT(strlen(buf.data()), static_cast<size_t>(dstSize)) << round;
        for (size_t i = static_cast<size_t>(dstSize); i < buf.size(); ++i) ASSERT_EQ(buf[i], '\x7F') << round;
    }
}

// Both ports decode every other one- and two-byte sequence alike: the
// conversions of all of them hash to one value, computed on Linux. (A lone
// lead byte, and every pair the table holds or lacks, is in the set.)
TEST(SjisToUtf8, BothPortsDecodeEveryOtherShortSequenceAlike)
{
    auto is_lead = [](unsigned b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); };
    auto is_trail = [](unsigned b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); };
    auto differs = [](unsigned b) { return b == 0x80 || b == 0xA0 || b >= 0xFD; };
    uint64_t hash = 14695981039346656037u;  // FNV-1a over every result and its terminator
    auto add = [&](const std::string &s) {
        for (size_t i = 0; i <= s.size(); ++i)
            hash = (hash ^ static_cast<unsigned char>(s.c_str()[i])) * 1099511628211u;
    };
    int sequences = 0;
    for (unsigned a = 1; a < 256; ++a) {
        if (differs(a)) continue;
        add(to_utf8(std::string(1, char(a))));
        ++sequences;
        for (unsigned b = 1; b < 256; ++b) {
            if (differs(b) || (is_lead(a) && !is_trail(b))) continue;
            add(to_utf8(std::string{char(a), char(b)}));
            ++sequences;
        }
    }
    EXPECT_EQ(sequences, 58910);
    EXPECT_EQ(hash, 9119974981119417538u);
}
