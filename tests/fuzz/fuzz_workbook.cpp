// SPDX-License-Identifier: MIT
// Fuzzes the workbook reader of pelzo-quiz pack. The first byte picks the part
// the rest of the input is: an .ods file's content.xml, or an .xlsx file's
// first sheet, shared texts, styles or workbook part; the fuzzer puts it into
// a stored ZIP beside fixed other parts, so that the XML, not the container,
// is what varies. Every sheet read must keep to the limits (rows in order,
// at most a header row and the most questions, at most kMaxTableCells cells,
// no line break in a cell), a refusal must say why, and each visible sheet
// must make a genre or a problem.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "genre_source.h"
#include "workbook.h"
#include "zip_writer.h"

namespace {

const char kHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

std::string xlsx_default(const std::string &part)
{
    if (part == "xl/workbook.xml")
        return std::string(kHead) +
               "<workbook xmlns:r=\"r\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>"
               "<sheet name=\"H\" sheetId=\"2\" state=\"hidden\" r:id=\"rId2\"/></sheets></workbook>";
    if (part == "xl/_rels/workbook.xml.rels")
        return std::string(kHead) +
               "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
               "<Relationship Id=\"rId2\" Target=\"/xl/worksheets/sheet2.xml\"/></Relationships>";
    if (part == "xl/sharedStrings.xml")
        return std::string(kHead) + "<sst><si><t>Q</t></si><si><r><t>A</t></r></si></sst>";
    if (part == "xl/styles.xml")
        return std::string(kHead) +
               "<styleSheet><numFmts><numFmt numFmtId=\"164\" formatCode=\"General\"/></numFmts>"
               "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>";
    return std::string(kHead) +
           "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
           "<c r=\"C1\" s=\"2\"><v>45383</v></c><c r=\"D1\" t=\"inlineStr\"><is><t>x</t></is></c>"
           "<c r=\"E1\"><v>3.5</v></c><c r=\"F1\" t=\"b\"><v>1</v></c></row></sheetData></worksheet>";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0) return 0;
    const std::string part(reinterpret_cast<const char *>(data + 1), size - 1);
    const int which = data[0] % 5;
    std::vector<ZipWriterMember> members;
    WorkbookKind kind = WorkbookKind::Xlsx;
    if (which == 0) {
        kind = WorkbookKind::Ods;
        members.push_back({"mimetype", "application/vnd.oasis.opendocument.spreadsheet"});
        members.push_back({"content.xml", part});
    } else {
        const char *names[] = {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml", "xl/styles.xml", "xl/workbook.xml"};
        for (const char *name : {"xl/workbook.xml", "xl/_rels/workbook.xml.rels", "xl/sharedStrings.xml",
                                 "xl/styles.xml", "xl/worksheets/sheet1.xml", "xl/worksheets/sheet2.xml"})
            members.push_back({name, std::string(name) == names[which - 1] ? part : xlsx_default(name)});
    }
    std::string archive;
    if (!zip_build_archive(members, true, archive)) return 0;

    std::vector<WorkbookSheet> sheets;
    std::vector<std::string> problems;
    const bool ok = workbook_from_bytes("b", archive, kind, sheets, problems);
    fuzz_check(ok == problems.empty(), "a workbook read with problems, or refused without");
    for (WorkbookSheet &sheet : sheets) {
        int last = 0;
        for (const TableRow &row : sheet.rows) {
            fuzz_check(row.row > last, "rows out of order");
            fuzz_check(row.row <= 1 + kPzqMaxQuestions, "a row past the limit");
            fuzz_check(row.cells.size() <= kMaxTableCells, "more cells than the limit");
            for (const std::string &c : row.cells)
                fuzz_check(c.find_first_of("\r\n") == std::string::npos, "a line break kept in a cell");
            last = row.row;
        }
        if (!ok || sheet.hidden || sheet.rows.empty()) continue;
        GenreSource genre;
        std::vector<std::string> genreProblems;
        const bool made = genre_from_rows("b:" + sheet.name, sheet.rows, sheet.name, GenreNameFrom::Sheet,
                                          data[0] & 8 ? PackFormat::Pzq : PackFormat::Zip, genre, genreProblems);
        fuzz_check(made == genreProblems.empty(), "a genre accepted with problems, or refused without");
    }
    return 0;
}
