// SPDX-License-Identifier: MIT
// The binary .pzq branch: field decoding, header and body readers, the genre
// copy, and every message of load_pzq_set.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <cstdlib>
#include <cstring>

#include "pzq_reader.h"
#include "quiz_fixtures.h"
#include "quiz_load.h"

using fixture::Bytes;

namespace {

std::string decode(const Bytes &stored)
{
    char out[128];
    memset(out, 'Z', sizeof out);
    decodePzqField(reinterpret_cast<const unsigned char *>(stored.data()), static_cast<int>(stored.size()), out);
    return std::string(out);
}

// A 28-byte choice field starting with these stored bytes, then padding.
Bytes choice_field(const Bytes &head) { return head + Bytes(28 - head.size(), ' '); }

class PzqLoad : public ::testing::Test {
protected:
    void TearDown() override { free_genres(); }
};

}  // namespace

TEST(PzqField, PaddingAndEncodedBytes)
{
    // 0x81 0x20: plain 0x01 is not a lead byte, so the space is padding.
    EXPECT_EQ(decode(choice_field("\x81\x20")), "\x01");
    // 0x01 0x20: plain 0x81 is a lead byte, so the space is its trail 0xA0.
    EXPECT_EQ(decode(choice_field("\x01\x20")), "\x81\xA0");
    // あ (0x82 0xA0) is stored as 0x02 0x20.
    EXPECT_EQ(decode(choice_field("\x02\x20")), "\x82\xA0");
    // Leading spaces are padding bytes that are kept because content follows.
    EXPECT_EQ(decode(choice_field("\x20\x20\xC1")), "  A");
    // A text space is stored as 0xA0 and kept, also at the end.
    EXPECT_EQ(decode(choice_field("\xC1\xA0\xC2\xA0")), "A B ");
    // A field of padding only decodes to one space.
    EXPECT_EQ(decode(Bytes(28, ' ')), " ");
    EXPECT_EQ(decode(Bytes(116, ' ')), " ");
    // A stored 0x80 is a plain zero byte and ends the text.
    EXPECT_EQ(decode(choice_field("\xC1\x80\xC2")), "A");
}

TEST(PzqField, FullWidthFieldsAndTrailingLead)
{
    const Bytes full = fixture::encode_field(std::string(116, 'x'), 116);
    EXPECT_EQ(decode(full), std::string(116, 'x'));
    // A lead byte in the last position is kept without its trail.
    const Bytes lead = fixture::encode_field(std::string(27, 'y') + "\x82", 28);
    EXPECT_EQ(decode(lead), std::string(27, 'y') + "\x82");
    // A double-byte character whose trail is 0xA0 in the last position.
    const Bytes pair = fixture::encode_field(std::string(26, 'y') + "\x82\xA0", 28);
    EXPECT_EQ(decode(pair), std::string(26, 'y') + "\x82\xA0");
}

TEST(QuizStatus, QuestionPointersFollowCounts)
{
    QUIZ_STATUS st;
    ASSERT_EQ(initQuizStatus(&st), &st);
    st.genre[0].count = 3;
    st.genre[2].count = 2;
    st.total = 5;
    ASSERT_EQ(genQuestionField(&st), &st);
    ASSERT_NE(st.questionField, nullptr);
    EXPECT_EQ(st.genre[0].questions, st.questionField + 0);
    EXPECT_EQ(st.genre[1].questions, st.questionField + 3);
    EXPECT_EQ(st.genre[2].questions, st.questionField + 3);
    for (int i = 3; i < 8; ++i) EXPECT_EQ(st.genre[i].questions, st.questionField + 5);
    EXPECT_EQ(st.questionField[4].text[0], '\0');  // zero-filled
    relQuestionField(&st);
    EXPECT_EQ(st.questionField, nullptr);
    for (const GENRE_HEADER &g : st.genre) EXPECT_EQ(g.questions, nullptr);
    EXPECT_EQ(st.genre[0].count, 3);  // counts survive the release
    // Releasing twice only clears the pointers again.
    EXPECT_EQ(relQuestionField(&st), &st);
    EXPECT_EQ(initQuizStatus(nullptr), nullptr);
    EXPECT_EQ(genQuestionField(nullptr), nullptr);
    EXPECT_EQ(relQuestionField(nullptr), nullptr);
}

TEST(QuizStatus, EmptyFieldIsNotAFailure)
{
    QUIZ_STATUS st;
    initQuizStatus(&st);
    ASSERT_EQ(genQuestionField(&st), &st);
    EXPECT_NE(st.questionField, nullptr);
    relQuestionField(&st);
}

TEST(PzqReader, BodyReadsExactlyTotalRecords)
{
    Bytes file = fixture::pzq_file({2, 0, 1});
    const size_t bodyEnd = file.size();
    file += Bytes(1000, '\x5A');  // garbage after the last record
    const std::string path = fixture::write_file("body_exact.pzq", file);

    FILE *fp = fopen(path.c_str(), "rb");
    ASSERT_NE(fp, nullptr);
    QUIZ_STATUS st;
    initQuizStatus(&st);
    ASSERT_EQ(readpzqHeader(&st, fp), 0);
    EXPECT_EQ(ftell(fp), 2048);
    EXPECT_EQ(st.total, 3);
    ASSERT_NE(genQuestionField(&st), nullptr);
    ASSERT_EQ(readpzqBody(&st, fp), 0);
    EXPECT_EQ(ftell(fp), static_cast<long>(bodyEnd));
    EXPECT_STREQ(st.genre[2].questions[0].text, "g2q0");
    EXPECT_STREQ(st.genre[0].questions[1].choice[4], "g0q1a4");
    relQuestionField(&st);
    fclose(fp);
}

TEST(PzqReader, NegativeCountIsRefusedAfterWholeHeader)
{
    const std::string path = fixture::write_file("negative.pzq", fixture::pzq_header({2, -1, 0, 0, 0, 0, 0, 3}));
    FILE *fp = fopen(path.c_str(), "rb");
    ASSERT_NE(fp, nullptr);
    QUIZ_STATUS st;
    initQuizStatus(&st);
    EXPECT_EQ(readpzqHeader(&st, fp), -1);
    EXPECT_EQ(st.genre[1].count, -1);  // sign-extended
    EXPECT_EQ(st.genre[7].count, 3);
    fclose(fp);
}

TEST_F(PzqLoad, CopiesGenresWithoutGaps)
{
    const std::string path =
        fixture::write_file("layout_0402.pzq", fixture::pzq_file({0, 4, 0, 2}, {"", "Alpha", "", "Beta"}));
    ASSERT_TRUE(load_pzq_set(path.c_str())) << g_errorMsg;
    EXPECT_STREQ(g_errorMsg, "");
    ASSERT_EQ(g_genreCount, 2);
    EXPECT_STREQ(g_genres[0].name, "Alpha");
    EXPECT_EQ(g_genres[0].count, 4);
    EXPECT_STREQ(g_genres[0].items[3].text, "g1q3");
    EXPECT_STREQ(g_genres[0].items[0].choice[0], "g1q0a0");
    EXPECT_STREQ(g_genres[1].name, "Beta");
    EXPECT_EQ(g_genres[1].count, 2);
    EXPECT_STREQ(g_genres[1].items[1].text, "g3q1");
    EXPECT_STREQ(g_genres[1].items[1].choice[4], "g3q1a4");
}

TEST_F(PzqLoad, ConvertsShiftJisAndKeepsSpacing)
{
    fixture::PzqQuestion q;
    q.text = " \x82\xA0\x82\xA2 ?";  // " あい ?"
    q.choice = {"\x87\x40", "\xFB\xFC", "\x81\x60", "\x83\x5C", "x y"};  // ① 髙 ～ ソ
    const std::array<std::string, 8> names{"\x83\x57\x83\x83\x83\x93\x83\x8B"};  // ジャンル
    Bytes file = fixture::pzq_header({1}, names, kPzqMagicOther) + fixture::pzq_record(q);
    ASSERT_TRUE(load_pzq_set(fixture::write_file("sjis.pzq", file).c_str())) << g_errorMsg;
    EXPECT_STREQ(g_genres[0].name, "ジャンル");
    EXPECT_STREQ(g_genres[0].items[0].text, " あい ?");
    EXPECT_STREQ(g_genres[0].items[0].choice[0], "①");
    EXPECT_STREQ(g_genres[0].items[0].choice[1], "髙");
    EXPECT_STREQ(g_genres[0].items[0].choice[2], "～");
    EXPECT_STREQ(g_genres[0].items[0].choice[3], "ソ");
    EXPECT_STREQ(g_genres[0].items[0].choice[4], "x y");
}

TEST_F(PzqLoad, GenreNameUsesAllSixteenBytes)
{
    Bytes file = fixture::pzq_file({1, 1}, {"ABCDEFGHIJKLMNOP", "AB"});
    file[256 + 3] = 'C';  // filler after the name's zero byte is never read
    ASSERT_TRUE(load_pzq_set(fixture::write_file("name16.pzq", file).c_str())) << g_errorMsg;
    EXPECT_STREQ(g_genres[0].name, "ABCDEFGHIJKLMNOP");
    EXPECT_STREQ(g_genres[1].name, "AB");
}

TEST_F(PzqLoad, ExtensionCaseAndGarbageAfterBody)
{
    Bytes file = fixture::pzq_file({1});
    file += "this is not a record";
    const std::string path = fixture::write_file("upper.PZQ", file);
    ASSERT_TRUE(load_quiz_file(path.c_str())) << g_errorMsg;
    EXPECT_EQ(g_genreCount, 1);
}

TEST_F(PzqLoad, EveryFileMessage)
{
    struct Case {
        const char *name;
        Bytes content;
        const char *message;
    };
    Bytes badMagic = fixture::pzq_file({1});
    badMagic[34 + 7] = 'Y';
    const Case cases[] = {
        {"short_header.pzq", fixture::pzq_header({0}).substr(0, 2047), "PZQヘッダ読み込み失敗"},
        {"bad_magic.pzq", badMagic, "PZQヘッダ読み込み失敗"},
        {"magic_rec1.pzq", fixture::pzq_header({1}, {}, kPzqMagic, 1) + fixture::pzq_record(fixture::numbered(0, 0)),
         "PZQヘッダ読み込み失敗"},
        {"negative.pzq", fixture::pzq_file({3, -2, 1}), "PZQヘッダ読み込み失敗"},
        {"empty.pzq", fixture::pzq_header({0}), "PZQデータが空です"},
        {"header_only.pzq", fixture::pzq_header({0, 0, 1}), "PZQ問題データ読み込み失敗"},
        {"short_body.pzq", fixture::pzq_file({2, 2}).substr(0, 2048 + 3 * 256 + 255), "PZQ問題データ読み込み失敗"},
        {"empty_file.pzq", "", "PZQヘッダ読み込み失敗"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.name == std::string("empty.pzq") || c.name == std::string("header_only.pzq"),
                  c.content.size() == 2048);
        const std::string path = fixture::write_file(c.name, c.content);
        EXPECT_FALSE(load_quiz_file(path.c_str())) << c.name;
        EXPECT_STREQ(g_errorMsg, c.message) << c.name;
        EXPECT_EQ(g_genreCount, 0) << c.name;
    }
    EXPECT_FALSE(load_quiz_file(fixture::out_path("no_such_file.pzq").c_str()));
    EXPECT_STREQ(g_errorMsg, "PZQファイルを開けません");
    EXPECT_FALSE(load_quiz_file(PELZO_TEST_OUT));  // a folder cannot be read as a file
    EXPECT_EQ(g_genreCount, 0);
}

TEST_F(PzqLoad, FailureReleasesPreviousSetAndNextLoadWorks)
{
    const std::string good = fixture::write_file("good.pzq", fixture::pzq_file({2, 3}));
    ASSERT_TRUE(load_pzq_set(good.c_str()));
    ASSERT_EQ(g_genreCount, 2);

    EXPECT_FALSE(load_pzq_set(fixture::write_file("bad.pzq", fixture::pzq_header({5})).c_str()));
    EXPECT_EQ(g_genreCount, 0);
    for (const GENRE_DATA &g : g_genres) EXPECT_EQ(g.items, nullptr);

    ASSERT_TRUE(load_pzq_set(good.c_str())) << g_errorMsg;
    EXPECT_EQ(g_genreCount, 2);
    EXPECT_STREQ(g_errorMsg, "");
    EXPECT_EQ(g_genres[1].count, 3);
}
