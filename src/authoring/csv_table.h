// SPDX-License-Identifier: MIT
// csv_table: rows of cells from CSV or TSV bytes in memory, and one row of
// cells written back as CSV or TSV.
//
// CSV as RFC 4180 has it: cells separated by commas, a cell in double quotes
// may hold commas and doubled quotes (""), and spaces around a quoted cell are
// dropped; spaces in an unquoted cell are kept. TSV cells are separated by
// tabs; a TSV cell that begins with " is quoted as in CSV (spreadsheets save
// TSV so), and in any other cell every byte, " included, is text. Rows end with
// LF or CR LF; the last row may have none. A game text is one line, so a line
// break inside a quoted cell is refused, and so is a CR without an LF after
// it: every row is then exactly one line of the file.
//
// A cell that begins with =, +, -, @ or a tab would be a formula to a
// spreadsheet: it is written with a leading ' (which spreadsheets take as
// "this is text"), and on reading one leading ' is dropped from a cell that
// begins with ' and one of those, or with two. A text that itself begins so
// is written with one ' more, so every text reads back as it was written,
// and a hand-written 'x keeps its '.
//
// Works on bytes: the separators, quotes and line ends are ASCII, which
// neither UTF-8 nor Shift-JIS uses inside a multi-byte character.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class TableKind { Csv, Tsv };

struct TableRow {
    int row = 0;  // 1-based; also the line of the file it is on
    std::vector<std::string> cells;  // an empty line is one empty cell
};

struct TableProblem {
    int row = 0;
    int column = 0;  // 1-based number of the cell
    std::string reason;
};

// How much of a table parse_table keeps (0: no limit). After maxRows rows,
// the rows that follow are still read, one at a time, but only empty ones
// (every cell empty) are accepted and none is kept; a row of more than
// maxCells cells is a problem where it passes the count. Memory then stays
// within what the limits allow, whatever the size of the data.
struct TableLimits {
    size_t maxRows = 0;
    size_t maxCells = 0;
};

// Splits data into rows. False at the first problem, described in *problem;
// the rows before it are in rows.
bool parse_table(std::string_view data, TableKind kind, std::vector<TableRow> &rows, TableProblem *problem,
                 TableLimits limits = {});

// Appends one row of cells and CR LF to out, formula cells marked. CSV quotes a cell that holds a
// comma or a quote (doubling the quote) or begins or ends with a space, and a
// lone empty cell, which would otherwise be an empty line; TSV quotes a cell
// that holds a tab or begins with a quote. False, with out unchanged, when a
// cell holds a line break: the row would not read back as written.
bool write_csv_row(const std::vector<std::string> &cells, std::string &out);
bool write_tsv_row(const std::vector<std::string> &cells, std::string &out);
