// SPDX-License-Identifier: MIT
// The text member parser: line splitting (CR, LF, the 511-byte cut, the
// 1024-line table), trailing empty lines, the 1 + 6n layout and conversion.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "quiz_fixtures.h"
#include "quiz_load.h"

using fixture::Bytes;

namespace {

// Holds one parsed genre and releases its items.
struct Parsed {
    GENRE_DATA genre{};
    bool ok = false;
    explicit Parsed(const Bytes &data)
    {
        genre.items = nullptr;
        genre.count = 0;
        ok = parse_qtext_member(reinterpret_cast<const unsigned char *>(data.data()),
                                static_cast<uint32_t>(data.size()), &genre);
    }
    ~Parsed() { free(genre.items); }
    Parsed(const Parsed &) = delete;
    Parsed &operator=(const Parsed &) = delete;
};

}  // namespace

TEST(QtextMember, SevenLinesMakeOneQuestion)
{
    Parsed p(fixture::lines({"Name", "Question?", "Right", "W1", "W2", "W3", "W4"}));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.genre.count, 1);
    EXPECT_STREQ(p.genre.name, "Name");
    EXPECT_STREQ(p.genre.items[0].text, "Question?");
    EXPECT_STREQ(p.genre.items[0].choice[0], "Right");
    EXPECT_STREQ(p.genre.items[0].choice[4], "W4");
}

TEST(QtextMember, ThirteenLinesMakeTwoQuestions)
{
    Parsed p(fixture::lines(fixture::genre_lines("G", 2)));
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(p.genre.count, 2);
    EXPECT_STREQ(p.genre.items[1].text, "Q1");
    EXPECT_STREQ(p.genre.items[1].choice[0], "R1");
    EXPECT_STREQ(p.genre.items[1].choice[3], "W13");
}

TEST(QtextMember, WrongLineCountsAreFormatErrors)
{
    for (int n : {0, 1, 5, 6, 8, 12, 14, 18}) {
        std::vector<std::string> ls = fixture::genre_lines("G", 3);
        ls.resize(static_cast<size_t>(n));
        Parsed p(fixture::lines(ls));
        EXPECT_FALSE(p.ok) << n << " lines";
        EXPECT_EQ(p.genre.items, nullptr) << n << " lines";
    }
    Parsed empty("");
    EXPECT_FALSE(empty.ok);
    Parsed onlyNewlines("\n\n\r\n\n");
    EXPECT_FALSE(onlyNewlines.ok);
}

TEST(QtextMember, LineEndingsAndTrailingEmptyLinesReadAlike)
{
    const std::vector<std::string> ls = fixture::genre_lines("G", 2);
    for (const Bytes &data :
         {fixture::lines(ls), fixture::lines(ls, "\r\n"), fixture::lines(ls) + "\n\n\n",
          fixture::lines(ls, "\r\n") + "\r\n\r\n", fixture::lines(ls).substr(0, fixture::lines(ls).size() - 1)}) {
        Parsed p(data);
        ASSERT_TRUE(p.ok);
        EXPECT_EQ(p.genre.count, 2);
        EXPECT_STREQ(p.genre.items[1].choice[4], "W14");
    }
    // A CR inside a line is removed too; spaces are kept.
    Parsed p(fixture::lines({" G\r ", "Q", "R", "a", "b", "c", "d "}));
    ASSERT_TRUE(p.ok);
    EXPECT_STREQ(p.genre.name, " G ");
    EXPECT_STREQ(p.genre.items[0].choice[4], "d ");
}

TEST(QtextMember, EmptyLineInsideShiftsTheLayout)
{
    std::vector<std::string> ls = fixture::genre_lines("G", 2);
    ls.insert(ls.begin() + 7, "");
    EXPECT_FALSE(Parsed(fixture::lines(ls)).ok);
    // An empty text is valid where the layout expects a line.
    Parsed p(fixture::lines({"G", "", "R", "", "b", "c", "d"}));
    ASSERT_TRUE(p.ok);
    EXPECT_STREQ(p.genre.items[0].text, "");
    EXPECT_STREQ(p.genre.items[0].choice[1], "");
}

TEST(QtextMember, LongLinesAreCutInto511BytePieces)
{
    // 600 bytes: a 511-byte line and an 89-byte line.
    const std::string longLine(511, 'x');
    Parsed p(fixture::lines({"G", longLine + std::string(89, 'y'), "W1", "W2", "W3", "W4"}));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(std::string(p.genre.items[0].text), longLine);
    EXPECT_EQ(std::string(p.genre.items[0].choice[0]), std::string(89, 'y'));
    EXPECT_STREQ(p.genre.items[0].choice[1], "W1");

    // Seven physical lines with one of 600 bytes are eight table lines.
    EXPECT_FALSE(Parsed(fixture::lines({"G", std::string(600, 'x'), "R", "a", "b", "c", "d"})).ok);

    // Exactly 511 bytes and then LF: the LF ends an extra empty line.
    Parsed q(fixture::lines({"G", longLine, "a", "b", "c", "d"}));
    ASSERT_TRUE(q.ok);
    EXPECT_EQ(std::string(q.genre.items[0].text), longLine);
    EXPECT_STREQ(q.genre.items[0].choice[0], "");
    EXPECT_STREQ(q.genre.items[0].choice[1], "a");
}

TEST(QtextMember, OnlyTheFirst1024LinesAreRead)
{
    // 170 questions fill 1021 lines; then 3 empty lines and 76 lines of junk.
    std::vector<std::string> ls = fixture::genre_lines("G", 170);
    ls.insert(ls.end(), {"", "", ""});
    for (int i = 0; i < 76; ++i) ls.push_back("junk");
    ASSERT_EQ(ls.size(), 1100u);
    Parsed p(fixture::lines(ls));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.genre.count, 170);
    EXPECT_STREQ(p.genre.items[169].choice[4], "W1694");

    // 171 questions need 1027 lines: the cut leaves 1024, which is no layout.
    EXPECT_FALSE(Parsed(fixture::lines(fixture::genre_lines("G", 171))).ok);
}

TEST(QtextMember, ZeroByteEndsTheLineText)
{
    Bytes data = fixture::lines({"G", std::string("Q\0hidden", 8), "R", "a", "b", "c", "d"});
    data += std::string("\0tail\n", 6);  // a last line starting with 0 counts as empty
    Parsed p(data);
    ASSERT_TRUE(p.ok);
    EXPECT_STREQ(p.genre.items[0].text, "Q");
    EXPECT_EQ(p.genre.count, 1);
}

TEST(QtextMember, ConvertsShiftJisPerLine)
{
    Parsed p(fixture::lines({"\x83\x57\x83\x83\x83\x93\x83\x8B", "\x83\x5C\x95\x5C?", "\x87\x40", "\xFB\xFC",
                             "\x85\x40", "\xEF\xBB\xBFutf8", "\x81\x60"}));
    ASSERT_TRUE(p.ok);
    EXPECT_STREQ(p.genre.name, "ジャンル");
    EXPECT_STREQ(p.genre.items[0].text, "ソ表?");
    EXPECT_STREQ(p.genre.items[0].choice[0], "①");
    EXPECT_STREQ(p.genre.items[0].choice[1], "髙");
    EXPECT_STREQ(p.genre.items[0].choice[2], "・");
    EXPECT_STREQ(p.genre.items[0].choice[4], "～");
}

TEST(QtextMember, Utf8FormTooLongKeepsWholeCharacters)
{
    // 511 half-width katakana bytes grow to 1533 UTF-8 bytes. (The LF right
    // after the 511th byte ends an extra empty line: the right answer.)
    Parsed p(fixture::lines({"G", std::string(511, '\xB1'), "a", "b", "c", "d"}));
    ASSERT_TRUE(p.ok);
    std::string expect;
    for (int i = 0; i < 170; ++i) expect += "ｱ";
    EXPECT_EQ(std::string(p.genre.items[0].text), expect);
}

TEST(QtextMember, RandomMembersKeepTextsInsideSlots)
{
    // Random members of short and long lines, with CRs, zero bytes and double-
    // byte characters: every accepted genre holds terminated texts of at most
    // 511 bytes and the count the layout gives.
    unsigned seed = 777;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFF;
    };
    int accepted = 0;
    for (int round = 0; round < 400; ++round) {
        Bytes data;
        const int nLines = 1 + static_cast<int>(next() % 40);
        for (int l = 0; l < nLines; ++l) {
            const int len = next() % 10 == 0 ? static_cast<int>(next() % 1200) : static_cast<int>(next() % 12);
            for (int i = 0; i < len; ++i) {
                const unsigned r = next() % 20;
                data += r == 0 ? '\r' : r == 1 ? '\0' : r < 5 ? "\x82\xA0"[r % 2] : static_cast<char>('a' + r);
            }
            if (next() % 8 != 0) data += '\n';
        }
        Parsed p(data);
        if (!p.ok) continue;
        ++accepted;
        ASSERT_GE(p.genre.count, 1);
        ASSERT_LE(p.genre.count, 170);
        ASSERT_LT(strlen(p.genre.name), 512u);
        for (int k = 0; k < p.genre.count; ++k) {
            ASSERT_LT(strlen(p.genre.items[k].text), 512u);
            for (const char *c : p.genre.items[k].choice) ASSERT_LT(strnlen(c, 512), 512u);
        }
    }
    EXPECT_GT(accepted, 0);
}
