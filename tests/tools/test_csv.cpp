// Unit tests of the table reader: CSV quoting and TSV cells as rows, each
// problem named by row and column, rows written back and read again.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "csv_table.h"

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
        {csv, "a,b\n", {{"a", "b"}}},
        {csv, "\"a,b\",\"say \"\"hi\"\"\"\r\n\"\"\"\"\n", {{"a,b", "say \"hi\""}, {"\""}}},
        // A tab inside quotes; spaces around a quoted cell go, an unquoted cell keeps its own.
        {csv, "\"a\tb\",  \" x \"  , y \r\n", {{"a\tb", " x ", " y "}}},
        // Empty cells, an empty line, a last row without a line end.
        {csv, "a,\"\",,\n\nb", {{"a", "", "", ""}, {""}, {"b"}}},
        {csv, "日本,\"東京,大阪\"\n", {{"日本", "東京,大阪"}}},
        {tsv, "\"q\"\t a,b \t\r\n\t\n", {{"\"q\"", " a,b ", ""}, {"", ""}}},
        {csv, "a\n\"b\nc\",d\n\"e\"\n", {{"a"}}, 2, 1, "a line break inside a quoted cell"},
        {csv, "a,\"b\r\nc,d\n", {}, 1, 2, "the quote that opens this cell is never closed"},
        {csv, "a\nb,c,\"d", {{"a"}}, 2, 3, "never closed"},
        {csv, "\"a\" b,c", {}, 1, 1, "text after the closing quote"},
        {csv, "a,b\"c\n", {}, 1, 2, "a \" inside a cell that does not begin with one"},
        {csv, "a\rb\n", {}, 1, 1, "a CR without an LF after it"},
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
    const std::vector<std::string> awkward{"plain", "a,b", "say \"hi\"", "\"", " lead", "trail ", "", "  \"x\"  ",
                                           "日本,東京", "ソ表", "\"\"", ";"};
    for (TableKind kind : {TableKind::Csv, TableKind::Tsv}) {
        const auto write = kind == TableKind::Csv ? write_csv_row : write_tsv_row;
        Rows written{awkward};
        for (const std::string &cell : awkward) written.push_back({cell});  // one cell alone, "" too
        std::string text;
        for (const auto &row : written) ASSERT_TRUE(write(row, text));
        std::vector<TableRow> rows;
        TableProblem problem;
        ASSERT_TRUE(parse_table(text, kind, rows, &problem)) << problem.reason << "\n" << text;
        EXPECT_EQ(cells_of(rows), written) << text;

        std::string unchanged = text;
        for (const char *bad : {"a\nb", "a\r", ""}) EXPECT_EQ(write(std::vector<std::string>{"x", bad}, unchanged), *bad == '\0');
        EXPECT_FALSE(write({}, unchanged));
    }
    std::string out;
    EXPECT_TRUE(write_csv_row({"a\tb", "c"}, out));
    EXPECT_EQ(out, "a\tb,c\r\n");
    EXPECT_FALSE(write_tsv_row({"a\tb", "c"}, out));
}
