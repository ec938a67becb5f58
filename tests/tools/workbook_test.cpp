// SPDX-License-Identifier: MIT
// The workbook reader on workbooks built here: what passes a limit is refused
// at the cell that passes it (however many cells an .ods file's repeat counts
// claim), a part that is no workbook XML is named, a row reads as the sheet
// shows it (furigana left out, a repeated cell in each of its columns), and
// every text written to an .xlsx file reads back exactly.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "workbook.h"
#include "zip_writer.h"

using ::testing::HasSubstr;

namespace {

std::string zip(const std::vector<ZipWriterMember> &members)
{
    std::string out;
    EXPECT_TRUE(zip_build_archive(members, false, out));
    return out;
}

// An .ods file of one sheet "S" whose rows are `rows` (table:table-row elements).
std::string ods(const std::string &rows)
{
    return zip({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                {"content.xml",
                 "<?xml version=\"1.0\"?><office:document-content xmlns:office=\"o\" xmlns:table=\"t\" "
                 "xmlns:text=\"x\"><office:body><office:spreadsheet><table:table table:name=\"S\">" +
                     rows + "</table:table></office:spreadsheet></office:body></office:document-content>"}});
}

std::string text_cell(const std::string &text, const std::string &attrs = "")
{
    return "<table:table-cell office:value-type=\"string\"" + attrs + "><text:p>" + text +
           "</text:p></table:table-cell>";
}

std::string repeat(const std::string &s, size_t n)
{
    std::string out;
    for (size_t i = 0; i < n; ++i) out += s;
    return out;
}

// An .xlsx file of one part, its sheet "S" (or the `sheets` entries) with
// this sheetData content, and shared texts when `shared` is given.
std::string xlsx(const std::string &sheetData, const std::string &prolog = "",
                 const std::string &sheets = "<sheet name=\"S\" r:id=\"rId1\"/>", const std::string &shared = "")
{
    std::vector<ZipWriterMember> parts{
        {"xl/workbook.xml", "<workbook xmlns:r=\"r\"><sheets>" + sheets + "</sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
        {"xl/worksheets/sheet1.xml",
         "<?xml version=\"1.0\"?>" + prolog + "<worksheet><sheetData>" + sheetData + "</sheetData></worksheet>"}};
    if (!shared.empty()) parts.push_back({"xl/sharedStrings.xml", "<sst>" + shared + "</sst>"});
    return zip(parts);
}

}  // namespace

TEST(Workbook, LimitsAndDamageAreRefusedWhereTheyArePassed)
{
    const std::string row6 = text_cell("x", " table:number-columns-repeated=\"6\"");
    struct Case {
        const char *what;
        std::string book;
        WorkbookKind kind;
        std::string problem;  // empty: read, with `rows` rows kept
        size_t rows = 0;
        std::vector<std::string> cells = {};  // row 1 as the sheet shows it, when given
    };
    const std::vector<Case> cases{
        // A spreadsheet's formatting repeats empty rows and cells to the sheet's end.
        {"empty repeats",
         ods("<table:table-row>" + row6 + "<table:table-cell table:number-columns-repeated=\"16378\"/>" +
             "</table:table-row><table:table-row table:number-rows-repeated=\"1048575\">"
             "<table:table-cell table:number-columns-repeated=\"16384\"/></table:table-row>"),
         WorkbookKind::Ods, "", 1},
        {"a million rows",
         ods("<table:table-row table:number-rows-repeated=\"1048576\">" + row6 + "</table:table-row>"),
         WorkbookKind::Ods, "b:S:32769:1: text below row 32768; a genre holds at most 32,767 questions"},
        {"every column",
         ods("<table:table-row>" + text_cell("x", " table:number-columns-repeated=\"16384\"") + "</table:table-row>"),
         WorkbookKind::Ods, "b:S:1:101: text in column 101; a row holds 6 cells"},
        {"spaces by the thousand",
         ods("<table:table-row><table:table-cell><text:p>" + std::string(100, 'x') + "</text:p><text:p>" +
             [] {
                 std::string spaces;
                 for (int i = 0; i < 100; ++i) spaces += "<text:s text:c=\"1000\"/>";
                 return spaces;
             }() +
             "</text:p></table:table-cell></table:table-row>"),
         WorkbookKind::Ods, "b:S:1:1: the cell holds more than 65,536 bytes of text; a game text holds at most 511"},
        {"two paragraphs",
         ods("<table:table-row><table:table-cell><text:p>a</text:p><text:p>b</text:p>"
             "</table:table-cell></table:table-row>"),
         WorkbookKind::Ods, "b:S:1:1: holds a line break"},
        {"last column", xlsx("<row r=\"1\"><c r=\"XFD1\" t=\"inlineStr\"><is><t>x</t></is></c></row>"),
         WorkbookKind::Xlsx, "b:S:1:16384: text in column 16384"},
        {"last row", xlsx("<row r=\"1048576\"><c r=\"A1048576\"><v>1</v></c></row>"), WorkbookKind::Xlsx,
         "b:S:1048576:1: text below row 32768"},
        {"rows out of order",
         xlsx("<row r=\"2\"><c r=\"A2\"><v>2</v></c></row><row r=\"1\"><c r=\"F1\"><v>1</v></c></row>"),
         WorkbookKind::Xlsx, "", 2},
        {"a cell outside rows", xlsx("<c><v>1</v></c>"), WorkbookKind::Xlsx,
         "b:S:0:1: a cell outside the sheet's rows"},
        {"row 0", xlsx("<row r=\"1\"><c r=\"A0\"><v>1</v></c></row>"), WorkbookKind::Xlsx,
         "b:S:1:1: \"A0\" is no cell reference (column letters, then a row from 1)"},
        {"lower case", xlsx("<row r=\"3\"><c r=\"b3\"><v>1</v></c></row>"), WorkbookKind::Xlsx,
         "b:S:3:1: \"b3\" is no cell reference"},
        {"no shared texts", xlsx("<row r=\"2\"><c r=\"B2\" t=\"s\"><v>0</v></c></row>"), WorkbookKind::Xlsx,
         "b:S:2:2: names a shared text the workbook does not hold"},
        {"entities", xlsx("", "<!DOCTYPE a [<!ENTITY a \"aaaa\">]>"), WorkbookKind::Xlsx,
         "b: xl/worksheets/sheet1.xml holds a document type declaration"},
        {"cut XML", xlsx("<row r=\"1\"><c r=\"A1\""), WorkbookKind::Xlsx,
         "b: xl/worksheets/sheet1.xml is not well-formed XML (line 1:"},
        {"no workbook part", zip({{"a.xml", "<a/>"}}), WorkbookKind::Xlsx, "b: holds no xl/workbook.xml"},
        // Work and memory stay bounded, whatever a small file claims.
        {"sheet entries past the bound", xlsx("", "", repeat("<sheet name=\"H\" state=\"hidden\" r:id=\"r\"/>", 1025)),
         WorkbookKind::Xlsx, "b: lists more than 1,024 sheets; a set holds 8 genres"},
        {"one part for two sheets", xlsx("", "", "<sheet name=\"S\" r:id=\"rId1\"/><sheet name=\"T\" r:id=\"rId1\"/>"),
         WorkbookKind::Xlsx, "b: names xl/worksheets/sheet1.xml a second time; a part belongs to one sheet"},
        {"elements nested deep", xlsx(repeat("<a>", 63) + repeat("</a>", 63)), WorkbookKind::Xlsx,
         "b: xl/worksheets/sheet1.xml nests elements more than 64 deep (line 1)"},
        {"empty shared texts", xlsx("", "", "<sheet name=\"S\" r:id=\"rId1\"/>", repeat("<si/>", (4 << 20) + 1)),
         WorkbookKind::Xlsx, "b: xl/sharedStrings.xml: the workbook holds more than 4,194,304 rows, cells and texts"},
        {"repeated rows of repeated cells",
         ods(repeat(
             "</table:table><table:table table:name=\"T\"><table:table-row table:number-rows-repeated=\"32768\">" +
                 text_cell("x", " table:number-columns-repeated=\"100\"") + "</table:table-row>",
             2)),
         WorkbookKind::Ods, "b:T:8760:77: the workbook holds more than 4,194,304 rows, cells and texts"},
        // Furigana is no part of a cell's text; a cell repeated over columns fills each.
        {"furigana",
         xlsx("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"inlineStr\"><is><t>京</t><rPh sb=\"0\" "
              "eb=\"1\"><t>キョウ</t></rPh></is></c></row>",
              "", "<sheet name=\"S\" r:id=\"rId1\"/>",
              "<si><r><t>漢</t></r><r><t>字</t></r><rPh sb=\"0\" eb=\"2\"><t>カンジ</t></rPh></si>"),
         WorkbookKind::Xlsx,
         "",
         1,
         {"漢字", "京"}},
        {"repeat in mid-row",
         ods("<table:table-row>" + text_cell("a") + text_cell("b", " table:number-columns-repeated=\"3\"") +
             text_cell("c") + text_cell("d") + "</table:table-row>"),
         WorkbookKind::Ods,
         "",
         1,
         {"a", "b", "b", "b", "c", "d"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<WorkbookSheet> sheets;
        std::vector<std::string> problems;
        const bool ok = workbook_from_bytes("b", c.book, c.kind, sheets, problems);
        EXPECT_EQ(ok, c.problem.empty());
        if (c.problem.empty()) {
            ASSERT_EQ(sheets.size(), 1u);
            EXPECT_EQ(sheets[0].rows.size(), c.rows);
            if (!c.cells.empty()) {
                EXPECT_EQ(sheets[0].rows[0].cells, c.cells);
            } else if (!sheets[0].rows.empty()) {
                EXPECT_EQ(sheets[0].rows[0].cells.size(), 6u);
            }
        } else {
            ASSERT_FALSE(problems.empty());
            EXPECT_THAT(problems[0], HasSubstr(c.problem));
        }
    }
}

TEST(Workbook, EveryTextWrittenToAnXlsxReadsBackExactly)
{
    const std::vector<std::vector<std::string>> rows{
        {"<&>\"'", " spaces ", "_x0041_ stays", "tab\there", "ctrl\x01", "'=1+1"},
        {"007", "1,500", "2024/04/01", "TRUE", "3.50", "=SUM(A1)"},
    };
    const std::string book =
        xlsx_book({"A", "B"}, {xlsx_sheet({"問題", "正解"}, rows), xlsx_sheet({"問題", "正解"}, {})});
    std::vector<WorkbookSheet> sheets;
    std::vector<std::string> problems;
    ASSERT_TRUE(workbook_from_bytes("b.xlsx", book, WorkbookKind::Xlsx, sheets, problems)) << problems[0];
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].name, "A");
    ASSERT_EQ(sheets[0].rows.size(), 3u);
    EXPECT_EQ(sheets[0].rows[0].cells, (std::vector<std::string>{"問題", "正解"}));
    EXPECT_EQ(sheets[0].rows[1].cells, rows[0]);
    EXPECT_EQ(sheets[0].rows[2].cells, rows[1]);
    EXPECT_TRUE(sheets[0].warnings.empty());
    EXPECT_EQ(sheets[1].rows.size(), 1u);  // the header alone
}

TEST(Workbook, SheetNamesAreOnesASpreadsheetTakes)
{
    const std::string longName(40, 'x');
    EXPECT_EQ(xlsx_sheet_names({"理科/化学", "a[1]:b*?\\", "Quiz", "QUIZ", "quiz", longName, "\x01"}),
              (std::vector<std::string>{"理科_化学", "a_1__b___", "Quiz", "QUIZ (2)", "quiz (3)", std::string(31, 'x'),
                                        "_"}));
    // Beyond ASCII case, quotes at the ends, Excel's own name, and 31 UTF-16
    // units with the suffix (an emoji is two).
    std::string emoji;
    for (int i = 0; i < 16; ++i) emoji += "😀";
    EXPECT_EQ(xlsx_sheet_names({"ＡＢＣ", "ａｂｃ", "Σ", "σ", "'q'", "history", longName, longName, emoji}),
              (std::vector<std::string>{"ＡＢＣ", "ａｂｃ (2)", "Σ", "σ (2)", "_q_", "history (2)",
                                        std::string(31, 'x'), std::string(27, 'x') + " (2)", emoji.substr(0, 15 * 4)}));
}

// A number in the General format is packed as General shows it; where
// spreadsheets would show it in different ways (an exponent, more than 10
// digits) and for TRUE/FALSE, a warning names the cell.
TEST(Workbook, GeneralNumbersAreExactOrWarnedOf)
{
    const std::string book = xlsx(
        "<row r=\"1\"><c r=\"A1\"><v>1500</v></c><c r=\"B1\"><v>0.1</v></c>"
        "<c r=\"C1\"><v>3.50</v></c><c r=\"D1\"><v>-2024</v></c><c r=\"E1\"><v>1E-7</v></c>"
        "<c r=\"F1\"><v>123456789012</v></c><c r=\"G1\" t=\"b\"><v>1</v></c></row>");
    std::vector<WorkbookSheet> sheets;
    std::vector<std::string> problems;
    ASSERT_TRUE(workbook_from_bytes("b", book, WorkbookKind::Xlsx, sheets, problems));
    ASSERT_EQ(sheets[0].rows.size(), 1u);
    EXPECT_EQ(sheets[0].rows[0].cells,
              (std::vector<std::string>{"1500", "0.1", "3.5", "-2024", "1E-07", "123456789012", "TRUE"}));
    std::vector<std::string> where;
    for (const PackWarning &w : sheets[0].warnings) where.push_back(w.where);
    EXPECT_EQ(where, (std::vector<std::string>{"b:S:1:5", "b:S:1:6", "b:S:1:7"}));
}

// Parts are found by their whole names, whatever other part of the same base
// name comes first (a chart sheet's, an embedded chart's content.xml); a chart
// sheet is marked as one; a drawing anchored in an .ods cell is no part of
// its text.
TEST(Workbook, PartsByTheirWholeNamesAndACellsOwnTextOnly)
{
    const std::string sheet =
        "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>x</t></is></c>"
        "</row></sheetData></worksheet>";
    const std::string charted =
        zip({{"xl/chartsheets/sheet1.xml", "<chartsheet/>"},
             {"xl/workbook.xml",
              "<workbook xmlns:r=\"r\"><sheets><sheet name=\"C\" r:id=\"rId2\"/>"
              "<sheet name=\"S\" r:id=\"rId1\"/></sheets></workbook>"},
             {"xl/_rels/workbook.xml.rels",
              "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" "
              "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartsheet\" "
              "Target=\"chartsheets/sheet1.xml\"/></Relationships>"},
             {"xl/worksheets/sheet1.xml", sheet}});
    const std::string row = "<table:table-row>" + text_cell("x") + "</table:table-row>";
    const struct {
        const char *what;
        std::string book;
        WorkbookKind kind;
    } cases[] = {
        {"a chart sheet", charted, WorkbookKind::Xlsx},
        {"an embedded chart's content.xml first",
         zip({{"Object 1/content.xml", "<chart/>"},
              {"content.xml",
               "<office:document-content xmlns:office=\"o\" xmlns:table=\"t\" xmlns:text=\"x\">"
               "<office:body><office:spreadsheet><table:table table:name=\"S\">" +
                   row + "</table:table></office:spreadsheet></office:body></office:document-content>"}}),
         WorkbookKind::Ods},
        {"a drawing in a cell",
         ods("<table:table-row><table:table-cell><draw:frame xmlns:draw=\"d\"><draw:text-box><text:p>drawing</text:p>"
             "</draw:text-box></draw:frame><text:p>x</text:p></table:table-cell></table:table-row>"),
         WorkbookKind::Ods},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<WorkbookSheet> sheets;
        std::vector<std::string> problems;
        EXPECT_TRUE(workbook_from_bytes("b", c.book, c.kind, sheets, problems));
        EXPECT_THAT(problems, ::testing::IsEmpty());
        ASSERT_FALSE(sheets.empty());
        const WorkbookSheet &s = sheets.back();
        EXPECT_EQ(s.name, "S");
        ASSERT_EQ(s.rows.size(), 1u);
        EXPECT_EQ(s.rows[0].cells, std::vector<std::string>{"x"});
        EXPECT_EQ(sheets.front().chart, sheets.size() == 2);
    }
}
