// SPDX-License-Identifier: MIT
// Process tests of `pelzo-quiz pack` with workbooks LibreOffice Calc saved
// (tests/fixtures/workbook/remake.sh): a teacher's workbook of three genres
// packs and plays, each mistake in a workbook gets its message naming file,
// sheet, row and column, and a workbook given as a table is named for what it
// is.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tool_run.h"
#include "workbook.h"
#include "zip_writer.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

std::string book(const std::string &name) { return std::string(PELZO_TEST_FIXTURES) + "/workbook/" + name; }

// A copy of a fixture under another name.
std::string copy_as(const std::string &fixture, const std::string &name)
{
    return fixture::write_file(name, slurp(book(fixture)));
}

std::string zip_bytes(const std::vector<ZipWriterMember> &members)
{
    std::string out;
    EXPECT_TRUE(zip_build_archive(members, false, out));
    return out;
}

const char kTeacherGenres[] = "0\t3\t動物\n1\t2\t地理\n2\t1\t歴史\n";

}  // namespace

TEST(PackWorkbook, EachMistakeGetsItsMessage)
{
    struct Case {
        std::string input;  // a fixture, or a copy of one under another name
        std::vector<std::string> options;
        int exit;
        std::string out;
        std::vector<std::string> err;  // each in stderr, the path shown before it
        std::vector<std::string> notErr = {};
    };
    const std::vector<Case> cases{
        // Hidden and empty sheets make no genre, and say so. The .ods stores
        // every cell's shown text; the .xlsx's formatted numbers are warned of.
        {book("teacher.ods"),
         {},
         0,
         kTeacherGenres,
         {":メモ: a hidden sheet; skipped", ":空き: the sheet is empty; it makes no genre"},
         {"warning"}},
        {book("teacher.xlsx"),
         {},
         0,
         kTeacherGenres,
         {":動物:3:2: warning: a number in the format \"#,##0\", packed as 6000,",
          ":動物:3:3: warning: a number in the format \"000\", packed as 7,",
          ":動物:4:2: warning: a number in the format \"yyyy/mm/dd\", packed as 45383,", ":メモ: a hidden sheet"},
         {":動物:2:"}},  // General numbers show as they are
        {book("teacher.xlsx"), {"--strict"}, 1, "", {":動物:3:2: a number in the format \"#,##0\""}},
        {book("teacher.ods"),
         {"--name", "X"},
         1,
         "",
         {": --name names the genre of a workbook of one sheet; this one has 3 sheets with text"}},
        {book("linebreak.ods"), {"--name", "X"}, 1, "", {":改行:3:4: holds a line break"}},
        {book("linebreak.xlsx"), {}, 1, "", {":改行:3:4: holds a line break; a game text is one line"}},
        {book("merged.ods"), {}, 1, "", {":結合:2:1: cells A2:B2 are merged"}},
        {book("merged.xlsx"), {}, 1, "", {":結合:2:1: cells A2:B2 are merged"}},
        // An .ods under the name .xlsx is read by what it holds.
        {copy_as("teacher.ods", "named/teacher.xlsx"), {}, 0, kTeacherGenres, {}, {"warning"}},
        {copy_as("teacher.xlsx", "as/teacher.csv"), {}, 1, "", {": this is a workbook (a ZIP container)"}},
        {copy_as("teacher.ods", "as/teacher.txt"), {}, 1, "", {": this is a workbook (a ZIP container)"}},
        {copy_as("teacher.xls", "as/old.csv"), {}, 1, "", {": this is a workbook in the old Excel format (.xls)"}},
        {copy_as("teacher.xls", "as/old.xlsx"), {}, 1, "", {": this is a workbook in the old Excel format (.xls)"}},
        {fixture::write_file("as/not.ods", "問題,正解\n"), {}, 1, "", {": is not a workbook (no ZIP container)"}},
        {fixture::write_file("as/locked.xlsx", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) +
                                                   std::string(500, '\0') +
                                                   std::string("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32)),
         {},
         1,
         "",
         {": this is a workbook saved with a password (encrypted)"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.input);
        const std::string set = fixture::out_path("set.zip");
        std::filesystem::remove(fixture::fs_path(set));
        std::vector<std::string> args{"pack", "-o", set};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(c.input);
        const ToolRun r = run_tool(args);
        EXPECT_EQ(r.exit, c.exit) << r.err;
        EXPECT_EQ(r.out, c.out);
        for (const std::string &e : c.err) EXPECT_THAT(r.err, HasSubstr(shown_path(c.input) + e));
        for (const std::string &e : c.notErr) EXPECT_THAT(without_short_genre_warnings(r.err), Not(HasSubstr(e)));
        EXPECT_EQ(std::filesystem::exists(fixture::fs_path(set)), c.exit == 0);
    }
}

// The teacher's workbook plays in both kinds of set, with no export step: the
// .ods with every text as the sheet shows it, the .xlsx with its text cells
// and General numbers exact; a cell's comment is no part of its text.
TEST(PackWorkbook, TeachersWorkbookPlaysAsTheSheetsShowIt)
{
    for (const char *ext : {".zip", ".pzq"}) {
        const std::string set = fixture::out_path(std::string("teacher") + ext);
        ASSERT_EQ(run_tool({"pack", "-o", set, book("teacher.ods")}).exit, 0);
        const std::string ods = run_tool({"dump", set}).out;
        EXPECT_THAT(ods,
                    HasSubstr("\"text\":\"キリンの首の骨は何個？\",\"choices\":[\"7\",\"3.5\",\"12\",\"24\",\"100\"]"));
        EXPECT_THAT(ods, HasSubstr("\"choices\":[\"6,000\",\"007\",\"60\",\"600\",\"60000\"]"));
        EXPECT_THAT(ods, HasSubstr("\"choices\":[\"2024/04/01\",\"4月2日\""));
        EXPECT_THAT(ods, HasSubstr("{\"genre\":2,\"name\":\"歴史\",\"index\":0,\"text\":\"鎌倉幕府を開いたのは？\""));
        EXPECT_THAT(ods, Not(HasSubstr("これは問題ではない")));
        EXPECT_THAT(ods, HasSubstr("\"text\":\"日本一高い山は？\""));  // its comment is no part of it

        ASSERT_EQ(run_tool({"pack", "-o", set, book("teacher.xlsx")}).exit, 0);
        const std::string xlsx = run_tool({"dump", set}).out;
        EXPECT_THAT(xlsx, HasSubstr("\"choices\":[\"7\",\"3.5\",\"12\",\"24\",\"100\"]"));
        EXPECT_THAT(xlsx, HasSubstr("\"choices\":[\"6000\",\"7\",\"60\",\"600\",\"60000\"]"));
        EXPECT_THAT(xlsx, HasSubstr("\"choices\":[\"源頼朝\",\"足利尊氏\",\"徳川家康\",\"平清盛\",\"織田信長\"]"));
        EXPECT_THAT(xlsx, HasSubstr("\"text\":\"日本一高い山は？\""));
    }
}

// --name names the genre of a workbook with one sheet of text (an empty sheet
// beside it does not count), and the genres of several workbooks count
// together against the eight a set holds.
TEST(PackWorkbook, NameForOneSheetAndEightGenresInAll)
{
    const std::vector<std::string> row{"Q", "R", "W1", "W2", "W3", "W4"};
    const std::string one = fixture::write_file(
        "one.xlsx", xlsx_book({"Sheet1", "Sheet2"}, {xlsx_sheet({"問題", "正解"}, {row}), xlsx_sheet({}, {})}));
    const std::string set = fixture::out_path("set.zip");
    const ToolRun named = run_tool({"pack", "-o", set, "--name", "名前", one});
    EXPECT_EQ(named.exit, 0) << named.err;
    EXPECT_EQ(named.out, "0\t1\t名前\n");
    EXPECT_EQ(without_short_genre_warnings(named.err),
              shown_path(one) + ":Sheet2: the sheet is empty; it makes no genre\n");

    const ToolRun nine = run_tool({"pack", "-o", set, book("teacher.ods"), book("teacher.xlsx"), book("teacher.ods")});
    EXPECT_EQ(nine.exit, 1);
    EXPECT_THAT(nine.err, HasSubstr("pelzo-quiz pack: 9 genres given (a workbook gives one per sheet); a set holds at "
                                    "most 8\n"));
}

// A workbook whose sheets make no genre (all hidden, all empty, an .ods of
// no table) is an error: the set that was there is left as it was. Sheets
// skipped are named up to eight, and the rest counted.
TEST(PackWorkbook, ABookThatGivesNoGenreWritesNothing)
{
    const std::string rels =
        "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/></Relationships>";
    std::string entries;
    for (int k = 0; k < 12; ++k) entries += "<sheet name=\"H\" state=\"hidden\" r:id=\"rId1\"/>";
    const std::string hidden =
        zip_bytes({{"xl/workbook.xml", "<workbook xmlns:r=\"r\"><sheets>" + entries + "</sheets></workbook>"},
                   {"xl/_rels/workbook.xml.rels", rels},
                   {"xl/worksheets/sheet1.xml", "<worksheet><sheetData/></worksheet>"}});
    const std::string noTable =
        zip_bytes({{"content.xml",
                    "<office:document-content xmlns:office=\"o\"><office:body><office:spreadsheet/>"
                    "</office:body></office:document-content>"}});
    const std::string set = fixture::out_path("victim.zip");
    std::filesystem::remove(fixture::fs_path(set));
    ASSERT_EQ(run_tool({"pack", "-o", set, book("teacher.ods")}).exit, 0);
    const std::string before = slurp(set);
    for (const auto &[name, bytes] : std::vector<std::pair<std::string, std::string>>{
             {"hidden.xlsx", hidden}, {"empty.xlsx", xlsx_book({"E"}, {xlsx_sheet({}, {})})}, {"none.ods", noTable}}) {
        SCOPED_TRACE(name);
        const ToolRun r = run_tool({"pack", "-o", set, fixture::write_file(name, bytes)});
        EXPECT_EQ(r.exit, 1);
        EXPECT_THAT(r.err, HasSubstr("pelzo-quiz pack: no genre to pack: every sheet given is hidden or empty\n"));
        EXPECT_EQ(slurp(set), before);
    }
    const ToolRun r = run_tool({"pack", "-o", set, fixture::out_path("hidden.xlsx")});
    EXPECT_THAT(r.err, HasSubstr(":H: a hidden sheet; skipped\n" + shown_path(fixture::out_path("hidden.xlsx")) +
                                 ": 4 more hidden, empty or chart sheets skipped\n"));
}
