// SPDX-License-Identifier: MIT
// Unit tests of the table reader: CSV quoting and TSV cells as rows, each
// problem named by row and column, rows written back and read again, and a
// table's rows as a genre (byte-order mark, header row, empty rows and cells).
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "csv_table.h"
#include "genre_source.h"

using ::testing::HasSubstr;

namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows cells_of(const std::vector<TableRow> &rows)
{
    Rows out;
    for (size_t k = 0; k < rows.size(); ++k) {
        EXPECT_EQ(rows[k].row, static_cast<int>(k) + 1);
        out.push_back(rows[k].cells);
    }
    return out;
}

}  // namespace

TEST(CsvTable, QuotingLineEndsAndTheirProblems)
{
    constexpr TableKind csv = TableKind::Csv, tsv = TableKind::Tsv;
    struct Case {
        TableKind kind;
        std::string in;
        Rows rows;  // all rows, or those before the problem
        int row = 0, column = 0;
        const char *problem = nullptr;
    };
    const Case cases[] = {
        {csv, "\"a,b\",\"say \"\"hi\"\"\"\r\n\"\"\"\"\n", {{"a,b", "say \"hi\""}, {"\""}}},
        // A tab inside quotes; spaces around a quoted cell go, an unquoted cell keeps its own.
        {csv, "\"a\tb\",  \" x \"  , y \r\n", {{"a\tb", " x ", " y "}}},
        // Empty cells, an empty line, a last row without a line end.
        {csv, "a,\"\",,\n\nb", {{"a", "", "", ""}, {""}, {"b"}}},
        // A TSV cell that begins with a quote is quoted as in CSV; elsewhere a quote is text.
        {tsv, "\"q\"\t a,b \t\r\n\t\n", {{"q", " a,b ", ""}, {"", ""}}},
        {tsv, "\"say \"\"hi\"\"\"\ta\"b\t\"\"\n", {{"say \"hi\"", "a\"b", ""}}},
        {tsv, "\"a\" b\tc\n", {}, 1, 1, "text after the closing quote"},
        {csv, "a\n\"b\nc\",d\n\"e\"\n", {{"a"}}, 2, 1, "a line break inside a quoted cell"},
        {csv, "a,\"b\r\nc,d\n", {}, 1, 2, "the quote that opens this cell is never closed"},
        {csv, "a\nb,c,\"d", {{"a"}}, 2, 3, "never closed"},
        {csv, "\"a\" b,c", {}, 1, 1, "text after the closing quote"},
        {csv, "a,b\"c\n", {}, 1, 2, "a \" inside a cell that does not begin with one"},
        {csv, "a\rb\n", {}, 1, 1, "a CR without an LF after it"},
        {csv, "x\n\"a\rb\",c\n", {{"x"}}, 2, 1, "a line break inside a quoted cell"},
        {tsv, "a\tb\r", {}, 1, 2, "a CR without an LF after it"},
    };
    for (const Case &c : cases) {
        std::vector<TableRow> rows;
        TableProblem problem;
        const bool ok = parse_table(c.in, c.kind, rows, &problem);
        EXPECT_EQ(ok, c.problem == nullptr) << c.in;
        EXPECT_EQ(cells_of(rows), c.rows) << c.in;
        if (!c.problem) continue;
        EXPECT_EQ(problem.row, c.row) << c.in;
        EXPECT_EQ(problem.column, c.column) << c.in;
        EXPECT_THAT(problem.reason, HasSubstr(c.problem)) << c.in;
    }
}

TEST(CsvTable, RowsWrittenReadBackAsTheyWere)
{
    const std::vector<std::string> awkward{"plain",     "a,b",       "say \"hi\"", "\"",   " lead",  "trail ", "",
                                           "  \"x\"  ", "日本,東京", "ソ表",       "=1",   "'=1",    "''",     "'",
                                           "'a",        "-5",        "@x,y",       "a\tb", "\t\"x\""};
    for (TableKind kind : {TableKind::Csv, TableKind::Tsv}) {
        const auto write = kind == TableKind::Csv ? write_csv_row : write_tsv_row;
        Rows written{awkward};
        for (const std::string &cell : awkward) written.push_back({cell});  // each alone, "" too
        std::string text;
        for (const auto &row : written) ASSERT_TRUE(write(row, text));
        std::vector<TableRow> rows;
        ASSERT_TRUE(parse_table(text, kind, rows, nullptr)) << text;
        EXPECT_EQ(cells_of(rows), written) << text;

        std::string out;
        EXPECT_FALSE(write({"x", "a\nb"}, out) || write({"a\r"}, out) || write({}, out));
        EXPECT_EQ(out, "");
    }
    std::string out;
    EXPECT_TRUE(write_tsv_row({"a\tb", "c"}, out));
    EXPECT_TRUE(write_csv_row({"a\tb", "c"}, out));
    EXPECT_EQ(out, "\"a\tb\"\tc\r\na\tb,c\r\n");
}

TEST(CsvTable, FormulaCellsAreWrittenAsTextAndReadBackWithoutTheirMark)
{
    // What a spreadsheet sees: every cell that would be a formula begins
    // with ', and a text that begins with ' keeps its own.
    const std::vector<std::string> cells{
        "=HYPERLINK(\"http://x\")", "=cmd|' /C calc'!A0", "+1", "-1", "@SUM(A1)", "\tx", "'=1", "''", "'a", "a=b"};
    std::string csv, tsv;
    ASSERT_TRUE(write_csv_row(cells, csv));
    ASSERT_TRUE(write_tsv_row({"=1", "'a", "'@"}, tsv));
    EXPECT_EQ(csv,
              "\"'=HYPERLINK(\"\"http://x\"\")\",'=cmd|' /C calc'!A0,'+1,'-1,'@SUM(A1),'\tx,''=1,''',"
              "'a,a=b\r\n");
    EXPECT_EQ(tsv, "'=1\t'a\t''@\r\n");
    std::vector<TableRow> rows;
    ASSERT_TRUE(parse_table(csv + tsv, TableKind::Csv, rows, nullptr));
    EXPECT_EQ(rows[0].cells, cells);
    // A table written by hand or by a spreadsheet: the mark goes, a lone ' stays.
    ASSERT_TRUE(parse_table("'=1,'+x,'a,',\"'-2\"\n", TableKind::Csv, rows, nullptr));
    EXPECT_EQ(cells_of(rows), (Rows{{"=1", "+x", "'a", "'", "-2"}}));
}

TEST(CsvGenre, RowsBecomeTheLayout)
{
    const std::string row = "Q,R,W1,W2,W3,W4\n";
    struct Case {
        std::string in;
        int row;  // the first question's row; 0 for a refusal
        const char *text;  // its text, or the problem
    };
    const Case cases[] = {
        {"\xEF\xBB\xBF" + row, 1, "Q"},  // spreadsheets write a byte-order mark: no complaint
        {"問題,正解,誤答1,誤答2,誤答3,誤答4\r\n" + row, 2, "Q"},
        {" Question ,\"ANSWER\"\n" + row, 2, "Q"},
        {"\u3000問題\u3000,正解\u3000\n" + row, 2, "Q"},  // full-width spaces around header words
        {"q,A,W1,W2,W3,W4\n" + row, 2, "Q"},
        {"問題,答\n" + row, 2, "Q"},
        {"問題,富士山,b,c,d,e\n", 1, "問題"},  // a question that starts like a header is kept
        {row + "\n\n,,,,,\n", 1, "Q"},  // empty rows at the end
        {"問題,正解\n\n", 0, "dir/t.csv: holds no questions below its header row"},
        {row + ",,,,,\n" + row, 0, "dir/t.csv:2: empty row"},
        {"a,b,c\nQ,,W1,W2,W3,W4\n", 0,
         "dir/t.csv:1: 3 cells; a row holds 6: the question, the right answer and four wrong answers\n"
         "dir/t.csv:2:2: empty cell where the right answer belongs"},
        {"Q,R,W1,W2,a〜,W4\n", 0, "dir/t.csv:1:5: character 2: \"〜\" (U+301C) would show as \"～\""},
        {row + "Q,R,W1,W2,W3,a\x81\n", 0, "dir/t.csv:2:6: character 2: byte 0x81 is not UTF-8\n"},
        // Shift-JIS after a UTF-8 byte-order mark: refused, never converted.
        {"\xEF\xBB\xBF\x97\xF0\x8E\x6A,R,W1,W2,W3,W4\n", 0,
         "dir/t.csv: is neither UTF-8 nor Shift-JIS (code page 932) throughout"},
    };
    for (const Case &c : cases) {
        GenreSource g;
        std::vector<std::string> problems;
        const bool ok = genre_from_table("dir/t.csv", c.in, TableKind::Csv, "", PackFormat::Zip, g, problems);
        std::string all;
        for (const std::string &p : problems) all += p + "\n";
        EXPECT_EQ(ok, c.row != 0) << c.in << all;
        if (c.row == 0) {
            EXPECT_THAT(all, HasSubstr(c.text)) << c.in;
            continue;
        }
        ASSERT_GE(g.lines.size(), 7u) << c.in;
        EXPECT_EQ(g.text(0), "t");
        EXPECT_EQ(g.text(1), c.text) << c.in;
        EXPECT_EQ(source_where(g.path, g.lines[6]), "dir/t.csv:" + std::to_string(c.row) + ":6") << c.in;
    }
}

TEST(CsvGenre, NameIsTheFileNameWithoutFolderExtensionAndIndex)
{
    const struct {
        const char *path, *name;
    } cases[] = {
        {"dir/動物.csv", "動物"}, {"1_動物.csv", "動物"},       {"dir\\01_動物.TSV", "動物"},
        {"0_1_x.csv", "1_x"},     {"123_動物.csv", "123_動物"}, {"1_.csv", "1_"},
        {"_x.csv", "_x"},         {"1x_b.csv", "1x_b"},         {"a.b.csv", "a.b"},
    };
    for (const auto &c : cases) EXPECT_EQ(table_genre_name(c.path), c.name) << c.path;
}
