// SPDX-License-Identifier: MIT
// workbook: the sheets of a spreadsheet workbook (.xlsx or .ods) as rows of
// cells, as a CSV export of each sheet would hold them, and one workbook
// written from genres' rows.
//
// A cell's text is what the spreadsheet shows. An .ods file stores that text
// beside every value, so it is taken as it is. In an .xlsx file a text cell
// is exact; a number in the General (or Text) format is written as General
// shows it (up to 15 significant digits, 1E+20 beyond), with a warning where
// spreadsheets show it in different ways; a number in any other
// format (a date, "1,500", "007", a percentage), and a TRUE/FALSE, is
// written as General would show it too, with a warning that names the cell
// and says to type it as text: its shown form is not rebuilt here.
//
// Hidden sheets and chart sheets are skipped. A cell holding a line break and merged cells
// are problems ("path:sheet:row:column: reason"): a game text is one line,
// and a merged cell's text belongs to its first cell alone. The ZIP container
// is read with the game's own reader; its XML parts with expat. What is read
// is bounded: the file and every part at 64 MiB, the parts at 256 MiB
// uncompressed in all, each read once; 1,024 sheets; elements nested 64 deep;
// a sheet at a header row and the most questions a genre holds, a row at
// kMaxTableCells cells, the rows, cells and shared texts held at 4 Mi in all
// and their texts at 128 MiB.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "csv_table.h"
#include "genre_source.h"

enum class WorkbookKind { Xlsx, Ods };

struct WorkbookSheet {
    std::string name;
    bool hidden = false;
    std::vector<TableRow> rows;  // row numbers as the sheet has them; empty rows at the end dropped
    std::vector<PackWarning> warnings;  // cells whose text may not be what the sheet shows, the first 20
    size_t unlistedWarnings = 0;  // the number of such cells past those
    bool chart = false;  // a chart sheet, which holds no cells
};

// True, with the kind in *kind, when the path ends in .xlsx or .ods (any case).
bool workbook_kind(const std::string &path, WorkbookKind *kind);

// Reads every sheet of the workbook at `path`, hidden ones too (marked). False,
// with at least one "path: reason" or "path:sheet:row:column: reason" in
// problems, when it cannot be read as a whole.
bool read_workbook(const std::string &path, WorkbookKind kind, std::vector<WorkbookSheet> &sheets,
                   std::vector<std::string> &problems);
// The same for a workbook's bytes in memory, named `path`.
bool workbook_from_bytes(const std::string &path, std::string_view data, WorkbookKind kind,
                         std::vector<WorkbookSheet> &sheets, std::vector<std::string> &problems);

// What a workbook given as a genre text or table file is: a message ending
// "this is a workbook; ..." for a ZIP container or an old Excel (.xls)
// compound file, empty for anything else.
std::string workbook_signature_problem(std::string_view data);

// One sheet's part of an .xlsx workbook: a header row, then the rows, every
// cell a text.
std::string xlsx_sheet(const std::vector<std::string> &header, const std::vector<std::vector<std::string>> &rows);
// An .xlsx workbook of these sheets (xlsx_sheet's parts, taken), named
// `sheetNames`: distinct workbook sheet names (xlsx_sheet_names). Empty when
// it cannot be built.
std::string xlsx_book(const std::vector<std::string> &sheetNames, std::vector<std::string> &&sheets);
// Sheet names for these genre names, by a spreadsheet's rules: a character
// a sheet name cannot hold ([ ] : * ? / \, a control) and a ' first or last
// become _; names that a spreadsheet would take for one (under case folding,
// and "History", which Excel keeps) get " (2)", ...; the name with its suffix
// is at most 31 UTF-16 units.
std::vector<std::string> xlsx_sheet_names(const std::vector<std::string> &genreNames);
