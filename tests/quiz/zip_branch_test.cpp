// SPDX-License-Identifier: MIT
// The ZIP branch and the dispatcher: member order without gaps, whole-load
// failure, every message, and which branch a path takes.
#include <gtest/gtest.h>

#include <filesystem>

#include "quiz_fixtures.h"
#include "quiz_load.h"

using fixture::Bytes;
using fixture::ZipMember;

namespace {

class ZipLoad : public ::testing::Test {
protected:
    void TearDown() override { free_genres(); }

    static std::string archive(const std::string &name, const std::vector<ZipMember> &members)
    {
        return fixture::write_file(name, fixture::zip_archive(members));
    }

    static void expect_no_items()
    {
        EXPECT_EQ(g_genreCount, 0);
        for (const GENRE_DATA &g : g_genres) EXPECT_EQ(g.items, nullptr);
    }
};

Bytes genre(const std::string &name, int q) { return fixture::lines(fixture::genre_lines(name, q)); }

}  // namespace

TEST_F(ZipLoad, MembersFillTableInNumberOrderWithoutGaps)
{
    const std::string path = archive("gaps.zip", {{"qtext_5.txt", genre("Five", 2)},
                                                  {"sets/qtext_2.txt", genre("Two", 1), 8},
                                                  {"qtext_8.txt", genre("Eight", 1)},
                                                  {"QTEXT_1.TXT", genre("Upper", 1)}});
    ASSERT_TRUE(load_quiz_file(path.c_str())) << g_errorMsg;
    EXPECT_STREQ(g_errorMsg, "");
    ASSERT_EQ(g_genreCount, 2);
    EXPECT_STREQ(g_genres[0].name, "Two");
    EXPECT_EQ(g_genres[0].count, 1);
    EXPECT_STREQ(g_genres[1].name, "Five");
    EXPECT_EQ(g_genres[1].count, 2);
    EXPECT_STREQ(g_genres[1].items[1].choice[0], "R1");
}

TEST_F(ZipLoad, AllEightMembers)
{
    std::vector<ZipMember> members;
    for (int k = 7; k >= 0; --k)
        members.push_back({genre_member_name(k), genre("G" + std::to_string(k), k + 1), k % 2 ? 8 : 0});
    ASSERT_TRUE(load_quiz_file(archive("eight.zip", members).c_str())) << g_errorMsg;
    ASSERT_EQ(g_genreCount, 8);
    for (int k = 0; k < 8; ++k) {
        EXPECT_STREQ(g_genres[k].name, ("G" + std::to_string(k)).c_str());
        EXPECT_EQ(g_genres[k].count, k + 1);
    }
}

TEST_F(ZipLoad, BadMemberFailsTheWholeLoad)
{
    std::vector<std::string> eight = fixture::genre_lines("Bad", 1);
    eight.push_back("extra");
    const std::string path = archive(
        "bad2.zip",
        {{"qtext_0.txt", genre("A", 1)}, {"qtext_1.txt", genre("B", 2)}, {"qtext_2.txt", fixture::lines(eight)}});
    EXPECT_FALSE(load_quiz_file(path.c_str()));
    EXPECT_STREQ(g_errorMsg, "フォーマットエラー: qtext_2.txt");
    expect_no_items();

    EXPECT_FALSE(load_quiz_file(archive("empty_member.zip", {{"qtext_0.txt", ""}}).c_str()));
    EXPECT_STREQ(g_errorMsg, "フォーマットエラー: qtext_0.txt");
    expect_no_items();
}

TEST_F(ZipLoad, UnsupportedMethodIsFatal)
{
    const std::string path =
        archive("method12.zip",
                {{"qtext_0.txt", genre("A", 1)}, {"qtext_1.txt", genre("B", 1), 12}, {"qtext_2.txt", genre("C", 1)}});
    EXPECT_FALSE(load_quiz_file(path.c_str()));
    EXPECT_STREQ(g_errorMsg, "ZIPが圧縮されています。ZIP_STOREDで作成してください");
    expect_no_items();
}

TEST_F(ZipLoad, NothingReadableMessage)
{
    const std::string cases[] = {
        fixture::out_path("missing.zip"),
        archive("no_members.zip", {{"readme.txt", "hello"}, {"qtext_9.txt", genre("A", 1)}}),
        fixture::write_file("not_a_zip.zip", "just some text that is long enough to hold a header"),
        fixture::write_file("stub.zip", Bytes(64, 'M') + fixture::zip_archive({{"qtext_0.txt", genre("A", 1)}})),
    };
    for (const std::string &path : cases) {
        EXPECT_FALSE(load_quiz_file(path.c_str())) << path;
        EXPECT_STREQ(g_errorMsg, "有効な問題ファイルが見つかりません") << path;
        expect_no_items();
    }
}

TEST_F(ZipLoad, DispatchByLastDotOfWholePath)
{
    const Bytes zip = fixture::zip_archive({{"qtext_0.txt", genre("Z", 1)}});
    const Bytes pzq = fixture::pzq_file({1});
    std::filesystem::create_directory(fixture::out_path("old.sets"));
    for (const char *name : {"noext", "set.txt", "set.ZIP", "old.sets/quiz", "set.pzq.zip", "set.pzqx"}) {
        ASSERT_TRUE(load_quiz_file(fixture::write_file(name, zip).c_str())) << name << ": " << g_errorMsg;
        EXPECT_STREQ(g_genres[0].name, "Z") << name;
    }
    for (const char *name : {"set.pzq", "set.Pzq", "set.zip.PZQ"}) {
        ASSERT_TRUE(load_quiz_file(fixture::write_file(name, pzq).c_str())) << name << ": " << g_errorMsg;
        EXPECT_EQ(g_genres[0].count, 1) << name;
    }
    // A missing file names the branch it would have taken.
    EXPECT_FALSE(load_quiz_file(fixture::out_path("gone.pzq").c_str()));
    EXPECT_STREQ(g_errorMsg, "PZQファイルを開けません");
    EXPECT_FALSE(load_quiz_file(fixture::out_path("gone.zip").c_str()));
    EXPECT_STREQ(g_errorMsg, "有効な問題ファイルが見つかりません");
}

// Paths are UTF-8 all the way to the file system: names no single code page
// holds (Japanese, ü and 한 together, an emoji) open on both systems.
TEST_F(ZipLoad, SetsInAFolderNamedOutsideAnyCodePageLoad)
{
    const std::string zip =
        fixture::write_file("テスト ü 한/セット😀.zip", fixture::zip_archive({{"qtext_0.txt", genre("Z", 2)}}));
    ASSERT_TRUE(load_quiz_file(zip.c_str())) << g_errorMsg;
    EXPECT_EQ(g_genres[0].count, 2);
    const std::string pzq = fixture::write_file("テスト ü 한/セット😀.pzq", fixture::pzq_file({3}));
    ASSERT_TRUE(load_quiz_file(pzq.c_str())) << g_errorMsg;
    EXPECT_EQ(g_genres[0].count, 3);
}

TEST_F(ZipLoad, LoadAfterFailureAndReplacingASet)
{
    const std::string good = archive("good.zip", {{"qtext_0.txt", genre("A", 3)}, {"qtext_1.txt", genre("B", 1)}});
    ASSERT_TRUE(load_quiz_file(good.c_str()));
    EXPECT_EQ(g_genreCount, 2);
    EXPECT_FALSE(load_quiz_file(archive("bad.zip", {{"qtext_0.txt", "x\n"}}).c_str()));
    expect_no_items();
    ASSERT_TRUE(load_quiz_file(good.c_str())) << g_errorMsg;
    EXPECT_EQ(g_genreCount, 2);
    EXPECT_STREQ(g_errorMsg, "");
    // A smaller set replaces a larger one; entries past the count hold no items.
    ASSERT_TRUE(load_quiz_file(archive("one.zip", {{"qtext_3.txt", genre("C", 1)}}).c_str()));
    EXPECT_EQ(g_genreCount, 1);
    EXPECT_EQ(g_genres[1].items, nullptr);
}

// Every failure says what kind it is and what it failed on, and the message
// the title shows follows from that; a success clears both.
TEST_F(ZipLoad, EveryFailureNamesItsKindAndWhatItFailedOn)
{
    struct Case {
        std::string path;
        LoadFailure failure;
        int genre;
        const char *message;
    };
    const Bytes good = genre("G", 1);
    const Case cases[] = {
        {archive("fmt.zip", {{"qtext_0.txt", good}, {"qtext_2.txt", "x\n"}}), LoadFailure::FormatError, 2,
         "フォーマットエラー: qtext_2.txt"},
        {archive("m12.zip", {{"qtext_0.txt", good}, {"qtext_1.txt", good, 12}}), LoadFailure::Compressed, 1,
         "ZIPが圧縮されています。ZIP_STOREDで作成してください"},
        {archive("none.zip", {{"other.txt", good}}), LoadFailure::NoMember, -1, "有効な問題ファイルが見つかりません"},
        {fixture::out_path("absent.pzq"), LoadFailure::PzqOpen, -1, "PZQファイルを開けません"},
        {fixture::write_file("short.pzq", "PK"), LoadFailure::PzqHeader, -1, "PZQヘッダ読み込み失敗"},
        {fixture::write_file("cut.pzq", fixture::pzq_header({2})), LoadFailure::PzqBody, -1,
         "PZQ問題データ読み込み失敗"},
        {fixture::write_file("empty.pzq", fixture::pzq_header({0})), LoadFailure::PzqEmpty, -1, "PZQデータが空です"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_FALSE(load_quiz_file(c.path.c_str()));
        EXPECT_EQ(last_load_outcome().failure, c.failure);
        EXPECT_EQ(last_load_outcome().genre, c.genre);
        EXPECT_STREQ(g_errorMsg, c.message);
    }
    ASSERT_TRUE(load_quiz_file(archive("good.zip", {{"qtext_0.txt", good}}).c_str()));
    EXPECT_EQ(last_load_outcome().failure, LoadFailure::None);
    EXPECT_STREQ(g_errorMsg, "");
}
