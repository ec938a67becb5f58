// Tests of `pelzo-quiz unpack`: every set that loads comes back, through its
// genre files (text or CSV) and pack, to the same texts; what cannot be
// packed back is named; a folder holding files is left alone.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "codepage.h"
#include "tool_run.h"
#include "unpack.h"

using ::testing::HasSubstr;

namespace {

std::vector<std::string> stdout_lines(const std::string &out)
{
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Shift-JIS of a UTF-8 text, for building sets by hand.
std::string sjis(const std::string &utf8)
{
    std::string out;
    EXPECT_TRUE(cp932_encode(utf8, &out)) << utf8;
    return out;
}

// Sets built here: texts with spaces at their ends, quotes, commas, half-width
// kana and the longest lines each kind holds, and a .pzq whose middle genres
// are empty.
std::vector<std::string> awkward_sets()
{
    std::string kanji;
    for (int i = 0; i < 170; ++i) kanji += "漢";
    const std::vector<std::string> lines{
        "ジャンル A, B", " 前後に空白 ", "\"引用\"", "a,b", "ｶﾀｶﾅ", "～", kanji, "Q2?", "1", "2", "3", "4", "5",
    };
    const std::vector<std::string> sets{
        fixture::write_file(
            "awkward.zip",
            fixture::zip_archive(
                {{"qtext_0.txt", sjis(fixture::lines(lines, "\r\n"))},
                 {"qtext_1.txt", sjis(fixture::lines({"二つ目", "問", "正", "誤", "誤", "誤", "誤"}, "\r\n"))}})),
        fixture::write_file("gaps.pzq",
                            fixture::pzq_file({2, 0, 0, 3, 0, 0, 0, 1}, {"最初", "", "", "四番目", "", "", "", "ﾗｽﾄ"})),
    };
    return sets;
}

std::vector<std::string> every_set()
{
    std::vector<std::string> sets{
        std::string(PELZO_SOURCE_DIR) + "/data/samples/sample.zip",
        std::string(PELZO_SOURCE_DIR) + "/data/samples/sample.pzq",
        std::string(PELZO_SOURCE_DIR) + "/data/samples/large.zip",
    };
    for (const std::string &s : awkward_sets()) sets.push_back(s);
    // The tables LibreOffice Calc saved, packed into both kinds of set.
    const std::string csv = std::string(PELZO_SOURCE_DIR) + "/tests/fixtures/csv/";
    for (const char *kind : {".zip", ".pzq"}) {
        const std::string set = fixture::out_path(std::string("calc") + kind);
        EXPECT_EQ(run_tool({"pack", "-o", set, csv + "quiz_utf8.csv", csv + "quiz_sjis.csv"}).exit, 0);
        sets.push_back(set);
    }
    return sets;
}

}  // namespace

TEST(Unpack, EverySetThatLoadsPacksBackToTheSameTexts)
{
    int roundTrips = 0;
    int n = 0;
    for (const std::string &set : every_set()) {
        SCOPED_TRACE(set);
        const ToolRun before = run_tool({"dump", set});
        if (before.exit != 0) continue;
        const std::string ext = set.substr(set.size() - 4);
        for (const bool csv : {false, true}) {
            const std::string dir = fixture::out_path("unpacked" + std::to_string(n++));
            std::filesystem::remove_all(fixture::fs_path(dir));
            std::vector<std::string> args{"unpack", set, "-o", dir};
            if (csv) args.push_back("--csv");
            const ToolRun un = run_tool(args);
            ASSERT_EQ(un.exit, 0) << un.err;
            // Packed in the order unpack lists them: the genres' order.
            std::vector<std::string> pack{"pack", "-o", fixture::out_path("again" + ext)};
            for (const std::string &file : stdout_lines(un.out)) pack.push_back(file);
            const ToolRun packed = run_tool(pack);
            ASSERT_EQ(packed.exit, 0) << packed.err;
            EXPECT_EQ(run_tool({"dump", fixture::out_path("again" + ext)}).out, before.out) << (csv ? "csv" : "txt");
            ++roundTrips;
        }
    }
    EXPECT_EQ(roundTrips, 2 * 7);  // every set above loads
}

TEST(Unpack, WhatCannotBePackedBackIsNamedAndStillWritten)
{
    // An empty right answer loads in the game but does not pack; a genre name
    // holding "/" cannot be a table's file name.
    const std::string set = fixture::write_file(
        "empty.zip",
        fixture::zip_archive({{"qtext_0.txt", fixture::lines({"A/B", "Q", "", "w1", "w2", "w3", "w4"}, "\r\n")}}));
    const std::string dir = fixture::out_path("out");
    std::filesystem::remove_all(fixture::fs_path(dir));
    const ToolRun txt = run_tool({"unpack", set, "-o", dir});
    EXPECT_EQ(txt.exit, 1);
    EXPECT_THAT(txt.err, HasSubstr(dir + "/0_A_B.txt:3: empty line where the right answer belongs"));
    EXPECT_EQ(slurp(dir + "/0_A_B.txt"), "A/B\nQ\n\nw1\nw2\nw3\nw4\n");

    const ToolRun csv = run_tool({"unpack", set, "-o", dir, "--csv", "--force"});
    EXPECT_EQ(csv.exit, 1);
    EXPECT_THAT(csv.err, HasSubstr(dir + "/A_B.csv: the genre name \"A/B\" cannot be this file's name"));
    EXPECT_THAT(csv.err, HasSubstr(dir + "/A_B.csv:2:2: empty cell"));
    EXPECT_TRUE(std::filesystem::exists(fixture::fs_path(dir + "/A_B.csv")));
}

TEST(Unpack, AFolderHoldingFilesIsLeftAloneWithoutForce)
{
    const std::string set = std::string(PELZO_SOURCE_DIR) + "/data/samples/sample.zip";
    const std::string dir = fixture::out_path("full");
    std::filesystem::remove_all(fixture::fs_path(dir));
    const std::string mine = fixture::write_file("full/0_一般常識.txt", "mine\n");
    const ToolRun refused = run_tool({"unpack", set, "-o", dir});
    EXPECT_EQ(refused.exit, 1);
    EXPECT_EQ(refused.err, dir + ": the folder holds files; give --force to write into it anyway\n");
    EXPECT_EQ(slurp(mine), "mine\n");
    EXPECT_EQ(run_tool({"unpack", set, "-o", dir, "--force"}).exit, 0);
    EXPECT_NE(slurp(mine), "mine\n");

    const ToolRun onFile = run_tool({"unpack", set, "-o", mine});
    EXPECT_EQ(onFile.exit, 1);
    EXPECT_EQ(onFile.err, mine + ": is a file\n");
    for (const std::vector<std::string> &args :
         std::vector<std::vector<std::string>>{{"unpack", set},
                                               {"unpack", "-o", dir},
                                               {"unpack", set, "-o", dir, "--zip"},
                                               {"unpack", set, set, "-o", dir}})
        EXPECT_EQ(run_tool(args).exit, 2);
}

TEST(Unpack, GenreNamesBecomeFileNamesEverySystemAccepts)
{
    const struct {
        const char *name, *stem;
    } cases[] = {
        {"動物", "動物"},          {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j"},
        {"tab\there", "tab_here"}, {"ends with dots...", "ends with dots"},
        {"  ", "genre"},           {"", "genre"},
        {"CON", "CON_"},           {"nul.txt", "nul.txt_"},
        {"com7", "com7_"},         {"COM0", "COM0"},
        {"CONSOLE", "CONSOLE"},
    };
    for (const auto &c : cases) EXPECT_EQ(genre_file_stem(c.name), c.stem) << c.name;
    // Long names are cut to 80 bytes at a character boundary.
    std::string kanji;
    for (int i = 0; i < 40; ++i) kanji += "漢";
    EXPECT_EQ(genre_file_stem(kanji.c_str()), kanji.substr(0, 78));
}
