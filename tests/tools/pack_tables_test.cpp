// SPDX-License-Identifier: MIT
// Process tests of `pelzo-quiz pack` with CSV and TSV genre files: the same
// questions as a .txt file pack to the same set, --name names the genre, a
// Shift-JIS table is read with a note, problems name file, row and column,
// and the files LibreOffice Calc saves pack and play.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <string>
#include <vector>

#include "codepage.h"
#include "tool_run.h"

using ::testing::HasSubstr;

namespace {

// Two questions with commas, quotes and spaces at the ends of texts: as a
// genre text file, a CSV file with a header row and a TSV file.
const std::vector<std::string> kLines{
    "動物", "富士山の高さは？",     "3,776m",     "3,000m",     "\"約4千m\"", " 5,000m ",
    "ソ表", "\"Hello\" の意味は？", "こんにちは", "さようなら", "ありがとう", "すみません",
    "a\"b",
};
const char kCsv[] =
    "問題,正解,誤答1,誤答2,誤答3,誤答4\r\n"
    "富士山の高さは？,\"3,776m\",\"3,000m\",\"\"\"約4千m\"\"\", \" 5,000m \" ,ソ表\r\n"
    "\"\"\"Hello\"\" の意味は？\",こんにちは,さようなら,ありがとう,すみません,\"a\"\"b\"\r\n";
const char kTsv[] =
    "富士山の高さは？\t3,776m\t3,000m\t\"\"\"約4千m\"\"\"\t 5,000m \tソ表\n"
    "\"\"\"Hello\"\" の意味は？\"\tこんにちは\tさようなら\tありがとう\tすみません\ta\"b\n\n";

// The set's `dump` after packing `args`; empty when pack refuses.
std::string packed_dump(const std::string &set, std::vector<std::string> args, const std::string &err = "")
{
    args.insert(args.begin(), {"pack", "-o", set});
    const ToolRun r = run_tool(args);
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(without_short_genre_warnings(r.err), err);
    return r.exit == 0 ? run_tool({"dump", set}).out : "";
}

}  // namespace

TEST(PackTables, CsvTsvAndShiftJisCsvPackToTheSetOfTheSameTxt)
{
    std::string sjis;
    ASSERT_TRUE(cp932_encode(kCsv, &sjis));
    const std::string sjisCsv = fixture::write_file("sjis/動物.csv", sjis);
    for (const char *ext : {".zip", ".pzq"}) {
        const std::string set = fixture::out_path(std::string("set") + ext);
        const std::string expected = packed_dump(set, {fixture::write_file("動物.txt", fixture::lines(kLines))});
        ASSERT_THAT(expected, HasSubstr("\"index\":1,\"text\":\"\\\"Hello\\\" の意味は？\""));
        EXPECT_EQ(packed_dump(set, {fixture::write_file("csv/動物.csv", kCsv)}), expected);
        EXPECT_EQ(packed_dump(set, {fixture::write_file("tsv/動物.TSV", kTsv)}), expected);
        EXPECT_EQ(packed_dump(set, {sjisCsv}, shown_path(sjisCsv) + ": read as Shift-JIS (code page 932)\n"), expected);
    }
}

TEST(PackTables, NameOptionAndAProblemWithRowAndColumn)
{
    const std::string csv = fixture::write_file("動物.csv", kCsv), out = fixture::out_path("named.pzq");
    EXPECT_THAT(packed_dump(out, {"--name", "植物", csv}), HasSubstr("\"name\":\"植物\""));
    EXPECT_EQ(run_tool({"pack", "-o", out, "--name", "X", csv, csv}).exit, 2);
    EXPECT_EQ(run_tool({"pack", "-o", out, "--name", "X", fixture::write_file("a.txt", "")}).exit, 2);
    ToolRun r = run_tool({"pack", "-o", out, "--name", "あいうえおかきくけ", csv});
    EXPECT_THAT(
        r.err, ::testing::StartsWith("--name: the genre name is 9 characters, 18 bytes in Shift-JIS; a .pzq file holds "
                                     "at most 16 bytes: 8 full-width characters or 16 half-width ones, and of this "
                                     "text the first 8;"));

    const std::string wave = fixture::write_file("wave.csv", "q,r,a,b,c,d\nQ,R,A,1〜2,C,D\n");
    r = run_tool({"pack", "-o", out, wave});
    EXPECT_EQ(r.exit, 1);
    EXPECT_THAT(r.err, HasSubstr(shown_path(wave) +
                                 ":2:4: character 2: \"〜\" (U+301C) would show as \"～\" (U+FF5E) in the game"));
}

// quiz.ods saved by LibreOffice Calc as CSV in UTF-8 and in Shift-JIS, and as
// TSV (tests/fixtures/csv/remake.sh): a header row, every cell quoted, LF row
// ends.
TEST(PackTables, LibreOfficeCsvInBothEncodingsPlays)
{
    const std::string dir = std::string(PELZO_TEST_FIXTURES) + "/csv/";
    for (const char *ext : {".zip", ".pzq"}) {
        const std::string set = fixture::out_path(std::string("libreoffice") + ext);
        const std::string utf8 = packed_dump(set, {"--name", "LO", dir + "quiz_utf8.csv"});
        EXPECT_EQ(packed_dump(set, {"--name", "LO", dir + "quiz_sjis.csv"},
                              shown_path(dir + "quiz_sjis.csv") + ": read as Shift-JIS (code page 932)\n"),
                  utf8);
        // Saved as TSV, with Calc's default " as text delimiter: every cell quoted.
        EXPECT_EQ(packed_dump(set, {"--name", "LO", dir + "quiz.tsv"}), utf8);
        EXPECT_EQ(std::count(utf8.begin(), utf8.end(), '\n'), 5);
        EXPECT_THAT(
            utf8, HasSubstr("\"text\":\"1,000の半分は？\",\"choices\":[\"500\",\"250\",\"1,500\",\"2,000\",\"100\"]"));
        EXPECT_THAT(utf8, HasSubstr("\"text\":\"英語の挨拶 \\\"Good morning\\\" の意味は？\""));
    }
}

namespace {

// A table of ten plain questions below `first` rows, as a spreadsheet saves
// it: as many as a stage asks, so that no other warning is given.
std::string ten_rows(const std::string &first)
{
    std::string out = first;
    for (int k = 0; k < 10; ++k) {
        const std::string n = std::to_string(k);
        out += "問" + n + ",正" + n + ",誤" + n + "a,誤" + n + "b,誤" + n + "c,誤" + n + "d\n";
    }
    return out;
}

}  // namespace

// What a spreadsheet or its author gets wrong without a word from the table
// itself: each named by file, row and column, a warning (refused under
// --strict) where the set would still play, a problem where it cannot.
TEST(PackTables, SilentMistakesAreNamedWithRowAndColumn)
{
    const std::string dir = std::string(PELZO_TEST_FIXTURES) + "/csv/";
    const struct {
        std::string file;  // a fixture, or a file written from `data`
        std::string data;
        bool warning;  // else a problem
        std::string message;  // after "file"
    } cases[] = {
        // A header of words pack does not know is question 1.
        {"header.csv", ten_rows("問い,答,誤答1,誤答2,誤答3,誤答4\n"), true,
         ":1:2: warning: \"答\" looks like a column title, but row 1 is read as a question; give --header"},
        // Saved in an encoding without Japanese: every character is "?".
        {dir + "quiz_western.csv", "", true, ":1:1: warning: the cell holds only \"?\": its text was most likely lost"},
        // Emoji saved as Shift-JIS.
        {dir + "emoji_sjis.csv", "", true, ":2:2: warning: the cell holds only \"?\""},
        {"lost.csv", ten_rows("東京は日本の？,首都,??県,市,村,町\n"), true,
         ":1:3: warning: \"??\" in a row of Japanese text (\"??県\"): characters were most likely lost"},
        {dir + "quiz_utf8.csv", "", true,
         ": warning: only 5 of the 10 questions a stage asks; they will repeat within a stage: write at least 10\n"},
        {"short.txt", "G\nQ\nR\nW1\nW2\nW3\nW4\n", true, ": warning: only 1 of the 10 questions a stage asks"},
        // One row with a 7th cell: Calc pads every other row with an empty one.
        {dir + "extra_cell.csv", "", false,
         ":3:7: 7 cells; a row holds 6: the question, the right answer and four wrong answers. Cell 7 holds \"メモ: "
         "易しい\""},
        {"memo.csv", "q,r,a,b,c,d,memo\nq,r,a,b,c,d,memo\nq,r,a,b,c,d\n", false,
         ": most rows have 7 cells; a row holds 6"},
        // As many rows of 6 cells as of 7: 6 is the count, the row of 7 the mistake.
        {"tie.csv", "q,r,a,b,c,d\nq,r,a,b,c,d,e\n", false, ":2:7: 7 cells; a row holds 6"},
        {"fffd.csv", ten_rows("東京\uFFFDは？,首都,県,市,村,町\n"), false,
         ":1:1: character 3: U+FFFD, the replacement character, stands where a character was lost"},
    };
    for (const auto &c : cases) {
        const std::string file = c.data.empty() ? c.file : fixture::write_file(c.file, c.data);
        SCOPED_TRACE(file);
        const std::string where = shown_path(file);
        for (const bool strict : {false, true}) {
            std::vector<std::string> args{"pack", "-o", fixture::out_path("set.zip")};
            if (strict) args.push_back("--strict");
            args.push_back(file);
            const ToolRun r = run_tool(args);
            EXPECT_EQ(r.exit, c.warning && !strict ? 0 : 1) << r.err;
            std::string expected = c.message;
            if (strict && c.warning) expected.erase(expected.find("warning: "), 9);
            EXPECT_THAT(r.err, HasSubstr(where + expected));
        }
    }
    // "??" in a row of no Japanese text is the author's own.
    packed_dump(fixture::out_path("set.zip"),
                {fixture::write_file("plain.csv", ten_rows("What is 2+2??,4,1,2,3,5\n"))});
    // Only the row at fault is named, not the rows Calc padded.
    const ToolRun r = run_tool({"pack", "-o", fixture::out_path("set.zip"), dir + "extra_cell.csv"});
    EXPECT_THAT(r.err, ::testing::Not(HasSubstr("extra_cell.csv:2")));
    EXPECT_THAT(r.err, ::testing::Not(HasSubstr("extra_cell.csv:4")));
}

TEST(PackTables, HeaderOptionsDecideWhatTheFirstRowIs)
{
    const std::string set = fixture::out_path("set.zip");
    const std::string unknown = fixture::write_file("unknown.csv", ten_rows("問い,答,誤答1,誤答2,誤答3,誤答4\n"));
    const std::string known = fixture::write_file("known.csv", ten_rows("問題,正解,誤答1,誤答2,誤答3,誤答4\n"));
    const std::string qa = fixture::write_file("qa.csv", ten_rows("Q,A,W1,W2,W3,W4\n"));
    const struct {
        std::string file, option;
        int questions;
        std::string first;  // the first question's text
    } cases[] = {
        {unknown, "--header", 10, "問0"}, {known, "--no-header", 11, "問題"},
        {known, "", 10, "問0"},           {qa, "", 10, "問0"},
        {qa, "--no-header", 11, "Q"},     {unknown, "--no-header", 11, "問い"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file + " " + c.option);
        std::vector<std::string> args{"pack", "-o", set};
        if (!c.option.empty()) args.push_back(c.option);
        args.push_back(c.file);
        const ToolRun r = run_tool(args);
        EXPECT_EQ(r.exit, 0) << r.err;
        EXPECT_EQ(r.err, "");  // --no-header silences the column-title warning too
        const std::string dump = run_tool({"dump", set}).out;
        EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), c.questions);
        EXPECT_THAT(dump, HasSubstr("\"index\":0,\"text\":\"" + c.first + "\""));
    }
}
