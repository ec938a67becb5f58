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
    "富士山の高さは？\t3,776m\t3,000m\t\"約4千m\"\t 5,000m \tソ表\n"
    "\"Hello\" の意味は？\tこんにちは\tさようなら\tありがとう\tすみません\ta\"b\n\n";

// The set's `dump` after packing `args`; empty when pack refuses.
std::string packed_dump(const std::string &set, std::vector<std::string> args, const std::string &err = "")
{
    args.insert(args.begin(), {"pack", "-o", set});
    const ToolRun r = run_tool(args);
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.err, err);
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
    EXPECT_THAT(r.err,
                ::testing::StartsWith("--name: the genre name is 18 bytes in Shift-JIS; a .pzq file holds at most 16"));

    const std::string wave = fixture::write_file("wave.csv", "q,r,a,b,c,d\nQ,R,A,1〜2,C,D\n");
    r = run_tool({"pack", "-o", out, wave});
    EXPECT_EQ(r.exit, 1);
    EXPECT_THAT(r.err, HasSubstr(shown_path(wave) +
                                 ":2:4: character 2: \"〜\" (U+301C) would show as \"～\" (U+FF5E) in the game"));
}

// quiz.ods saved by LibreOffice Calc as CSV in UTF-8 and in Shift-JIS
// (tests/fixtures/csv/remake.sh): a header row, every cell quoted, LF row ends.
TEST(PackTables, LibreOfficeCsvInBothEncodingsPlays)
{
    const std::string dir = std::string(PELZO_TEST_FIXTURES) + "/csv/";
    for (const char *ext : {".zip", ".pzq"}) {
        const std::string set = fixture::out_path(std::string("libreoffice") + ext);
        const std::string utf8 = packed_dump(set, {"--name", "LO", dir + "quiz_utf8.csv"});
        EXPECT_EQ(packed_dump(set, {"--name", "LO", dir + "quiz_sjis.csv"},
                              shown_path(dir + "quiz_sjis.csv") + ": read as Shift-JIS (code page 932)\n"),
                  utf8);
        EXPECT_EQ(std::count(utf8.begin(), utf8.end(), '\n'), 5);
        EXPECT_THAT(
            utf8, HasSubstr("\"text\":\"1,000の半分は？\",\"choices\":[\"500\",\"250\",\"1,500\",\"2,000\",\"100\"]"));
        EXPECT_THAT(utf8, HasSubstr("\"text\":\"英語の挨拶 \\\"Good morning\\\" の意味は？\""));
    }
}
