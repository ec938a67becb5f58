// Process tests of `pelzo-quiz pack` with CSV and TSV genre files: the same
// questions as a .txt file pack to the same set, --name names the genre, a
// Shift-JIS table is read with a note, problems name file, row and column,
// and the files LibreOffice Calc saves pack and play.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "codepage.h"
#include "tool_run.h"

using ::testing::HasSubstr;

namespace {

// Two questions with commas, quotes and spaces at the ends of texts: as a
// genre text file, a CSV file with a header row and a TSV file.
const std::vector<std::string> kLines{
    "動物",
    "富士山の高さは？", "3,776m", "3,000m", "\"約4千m\"", " 5,000m ", "ソ表",
    "\"Hello\" の意味は？", "こんにちは", "さようなら", "ありがとう", "すみません", "a\"b",
};
const char kCsv[] =
    "問題,正解,誤答1,誤答2,誤答3,誤答4\r\n"
    "富士山の高さは？,\"3,776m\",\"3,000m\",\"\"\"約4千m\"\"\", \" 5,000m \" ,ソ表\r\n"
    "\"\"\"Hello\"\" の意味は？\",こんにちは,さようなら,ありがとう,すみません,\"a\"\"b\"\r\n";
const char kTsv[] =
    "富士山の高さは？\t3,776m\t3,000m\t\"約4千m\"\t 5,000m \tソ表\n"
    "\"Hello\" の意味は？\tこんにちは\tさようなら\tありがとう\tすみません\ta\"b\n\n";

// The set's questions as `dump` prints them, without genre number and name.
std::vector<std::string> dumped_questions(const std::string &set)
{
    const ToolRun r = run_tool({"dump", set});
    EXPECT_EQ(r.exit, 0) << r.err;
    std::vector<std::string> out;
    for (size_t at = 0, end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1) {
        const size_t index = r.out.find(",\"index\":", at);
        out.push_back(r.out.substr(index, end - index));
    }
    return out;
}

ToolRun pack(const std::string &out, const std::vector<std::string> &args)
{
    std::vector<std::string> all{"pack", "-o", out};
    all.insert(all.end(), args.begin(), args.end());
    return run_tool(all);
}

}  // namespace

TEST(PackTables, CsvAndTsvPackToTheSetOfTheSameTxt)
{
    const std::string txt = fixture::write_file("txt/動物.txt", fixture::lines(kLines));
    const std::string csv = fixture::write_file("csv/動物.csv", kCsv);
    const std::string tsv = fixture::write_file("tsv/動物.TSV", kTsv);
    for (const char *ext : {".zip", ".pzq"}) {
        const std::string txtSet = fixture::out_path(std::string("txt") + ext);
        ASSERT_EQ(pack(txtSet, {txt}).exit, 0);
        const std::vector<std::string> expected = dumped_questions(txtSet);
        ASSERT_EQ(expected.size(), 2u);
        for (const std::string &table : {csv, tsv}) {
            const std::string set = fixture::out_path(std::string("table") + ext);
            const ToolRun r = pack(set, {table, txt});
            EXPECT_EQ(r.exit, 0) << r.err;
            EXPECT_EQ(r.err, "");
            EXPECT_EQ(r.out, "0\t2\t動物\n1\t2\t動物\n");
            std::vector<std::string> both = expected;
            both.insert(both.end(), expected.begin(), expected.end());
            EXPECT_EQ(dumped_questions(set), both) << table;
        }
    }
}

TEST(PackTables, NameOptionNamesOneTable)
{
    const std::string csv = fixture::write_file("動物.csv", kCsv);
    const std::string txt = fixture::write_file("動物.txt", fixture::lines(kLines));
    const std::string out = fixture::out_path("named.zip");
    ToolRun r = pack(out, {"--name", "植物", csv});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "0\t2\t植物\n");
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {"--name", "X", csv, csv}, {"--name", "X", txt}, {"--name", "", csv}, {csv, "--name"}, {"--name", "X", "--name", "Y", csv}}) {
        r = pack(out, args);
        EXPECT_EQ(r.exit, 2) << args[0] << " " << args[1];
        EXPECT_THAT(r.err, HasSubstr("[--name NAME]"));
    }
}

TEST(PackTables, ShiftJisTableReadsAsItsUtf8Twin)
{
    std::string sjis;
    ASSERT_TRUE(cp932_encode(kCsv, &sjis));
    const std::string utf8Path = fixture::write_file("utf8/動物.csv", kCsv);
    const std::string sjisPath = fixture::write_file("sjis/動物.csv", sjis);
    ASSERT_EQ(pack(fixture::out_path("utf8.zip"), {utf8Path}).exit, 0);
    const ToolRun r = pack(fixture::out_path("sjis.zip"), {sjisPath});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.err, sjisPath + ": read as Shift-JIS (code page 932)\n");
    EXPECT_EQ(r.out, "0\t2\t動物\n");
    EXPECT_EQ(dumped_questions(fixture::out_path("sjis.zip")), dumped_questions(fixture::out_path("utf8.zip")));
}

TEST(PackTables, ProblemsNameFileRowAndColumn)
{
    const std::string wave = fixture::write_file("wave.csv", "q,r,a,b,c,d\nQ,R,A,1〜2,C,D\n");
    ToolRun r = pack(fixture::out_path("wave.zip"), {wave});
    EXPECT_EQ(r.exit, 1);
    EXPECT_THAT(r.err, HasSubstr(wave + ":2:4: character 2: \"〜\" (U+301C) would show as \"～\" (U+FF5E) in the game"));

    const std::string longName = fixture::write_file("あいうえおかきくけ.tsv", std::string(116, 'q') + "\tr\ta\tb\tc\td\n" +
                                                                               std::string(117, 'q') + "\tr\ta\tb\tc\td\n");
    r = pack(fixture::out_path("long.pzq"), {longName});
    EXPECT_EQ(r.exit, 1);
    EXPECT_THAT(r.err, HasSubstr(longName + ": the genre name is 18 bytes in Shift-JIS; a .pzq file holds at most 16"));
    EXPECT_THAT(r.err, HasSubstr(longName + ": the genre name is the file's name without folder and extension"));
    EXPECT_THAT(r.err, HasSubstr(longName + ":2:1: the question is 117 bytes"));  // row 1 fits: 116
    r = pack(fixture::out_path("long.pzq"), {"--name", "あいうえおかきくけ", longName});
    EXPECT_THAT(r.err, ::testing::StartsWith("--name: the genre name is 18 bytes in Shift-JIS"));
}

// quiz.ods saved by LibreOffice Calc as CSV in UTF-8 and in Shift-JIS
// (tests/fixtures/csv/remake.sh): a header row, every cell quoted, LF row ends.
TEST(PackTables, LibreOfficeCsvInBothEncodingsPlays)
{
    const std::string dir = std::string(PELZO_TEST_FIXTURES) + "/csv/";
    for (const char *ext : {".zip", ".pzq"}) {
        const std::string set = fixture::out_path(std::string("libreoffice") + ext);
        const ToolRun r = pack(set, {dir + "quiz_utf8.csv", dir + "quiz_sjis.csv"});
        EXPECT_EQ(r.exit, 0) << r.err;
        EXPECT_EQ(r.err, dir + "quiz_sjis.csv: read as Shift-JIS (code page 932)\n");
        EXPECT_EQ(run_tool({"check", set}).out, "0\t5\tquiz_utf8\n1\t5\tquiz_sjis\n");
        const std::vector<std::string> q = dumped_questions(set);
        ASSERT_EQ(q.size(), 10u);
        EXPECT_EQ(std::vector<std::string>(q.begin(), q.begin() + 5), std::vector<std::string>(q.begin() + 5, q.end()));
        EXPECT_EQ(q[1], ",\"index\":1,\"text\":\"1,000の半分は？\",\"choices\":[\"500\",\"250\",\"1,500\",\"2,000\",\"100\"]}");
        EXPECT_EQ(q[2], ",\"index\":2,\"text\":\"英語の挨拶 \\\"Good morning\\\" の意味は？\",\"choices\":[\"おはよう\","
                        "\"こんばんは\",\"さようなら\",\"ありがとう\",\"すみません\"]}");
        EXPECT_EQ(q[3], ",\"index\":3,\"text\":\"丸数字①の次は？\",\"choices\":[\"②\",\"③\",\"Ⅱ\",\"⑩\",\"㈱\"]}");
    }
}
