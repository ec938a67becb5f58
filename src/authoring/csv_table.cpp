// SPDX-License-Identifier: MIT
// Splitting CSV and TSV bytes into rows of cells, and writing one row back.
#include "csv_table.h"

#include <algorithm>

#include "format.h"
#include "authoring_i18n.h"

namespace {

const char kUnclosed[] = N_("the quote that opens this cell is never closed; end the cell with \"");
const char kLineBreak[] =
    N_("a line break inside a quoted cell; a game text is one line: remove the line break from the cell "
       "(or close the quote before it)");
const char kStrayQuote[] =
    N_("a \" inside a cell that does not begin with one; put the whole cell in quotes and double the quote: "
       "\"say \"\"hi\"\"\"");
const char kAfterQuote[] =
    N_("text after the closing quote; a quoted cell ends at its closing quote: a quote that belongs to the text "
       "is written twice (\"\")");
const char kLoneCr[] = N_("a CR without an LF after it; rows end with LF or CR LF");

// A cell a spreadsheet would take for a formula begins with one of these
// (a tab too, which some strip before they look). The writer protects it
// with a leading ', which spreadsheets show as a text mark and never
// evaluate; a cell that begins with ' and one of these, or with two ', gets
// one more, so that dropping one ' on reading gives every text back.
constexpr std::string_view kFormulaStarts = "=+-@\t";
constexpr char kTextMark = '\'';

bool marked_on_reading(std::string_view cell)
{
    return cell.size() >= 2 && cell[0] == kTextMark &&
           (cell[1] == kTextMark || kFormulaStarts.find(cell[1]) != std::string_view::npos);
}

bool marked_on_writing(std::string_view cell)
{
    return (!cell.empty() && kFormulaStarts.find(cell[0]) != std::string_view::npos) || marked_on_reading(cell);
}

// Reads a quoted cell from just after its opening quote to just after its
// closing one. False, with the reason in why, when it does not close on its line.
bool read_quoted(std::string_view data, size_t &i, std::string &cell, const char *&why)
{
    for (;;) {
        if (i == data.size()) {
            why = kUnclosed;
            return false;
        }
        const char c = data[i];
        if (c == '"') {
            if (i + 1 < data.size() && data[i + 1] == '"') {
                cell += '"';
                i += 2;
                continue;
            }
            ++i;
            return true;
        }
        if (c == '\n' || c == '\r') {
            // Without a quote anywhere after, this one was never closed;
            // otherwise the cell most likely spans lines on purpose.
            why = data.find('"', i) == std::string_view::npos ? kUnclosed : kLineBreak;
            return false;
        }
        cell += c;
        ++i;
    }
}

// Appends a cell in quotes, its quotes doubled.
void append_quoted(std::string &line, const std::string &cell)
{
    line += '"';
    for (char ch : cell) {
        if (ch == '"') line += '"';
        line += ch;
    }
    line += '"';
}

}  // namespace

bool parse_table(std::string_view data, TableKind kind, std::vector<TableRow> &rows, TableProblem *problem,
                 TableLimits limits)
{
    const bool csv = kind == TableKind::Csv;
    const char separator = csv ? ',' : '\t';
    const std::string_view stops = csv ? std::string_view(",\n\r\"") : std::string_view("\t\n\r");
    rows.clear();
    size_t i = 0;
    int row = 1;
    auto fail = [&](size_t column, const std::string &why) {
        if (problem) *problem = {row, static_cast<int>(column), why};
        return false;
    };
    while (i < data.size()) {
        TableRow current{row, {}};
        for (;;) {
            const size_t column = current.cells.size() + 1;
            std::string cell;
            size_t start = i;
            while (csv && start < data.size() && data[start] == ' ') ++start;
            // A TSV cell that begins with a quote is quoted as in CSV:
            // spreadsheets save TSV so, with " as their text delimiter.
            if (start < data.size() && data[start] == '"') {
                i = start + 1;
                const char *why = nullptr;
                if (!read_quoted(data, i, cell, why)) return fail(column, _(why));
                while (csv && i < data.size() && data[i] == ' ') ++i;
                if (i < data.size() && data[i] != separator && data[i] != '\n' && data[i] != '\r')
                    return fail(column, _(kAfterQuote));
            } else {
                const size_t end = std::min(data.find_first_of(stops, i), data.size());
                if (end < data.size() && data[end] == '"') return fail(column, _(kStrayQuote));
                cell.assign(data.substr(i, end - i));
                i = end;
            }
            if (marked_on_reading(cell)) cell.erase(0, 1);
            if (limits.maxCells && column > limits.maxCells)
                return fail(column, formatted(_("more than %s cells in one row"),
                                              with_thousands(static_cast<long long>(limits.maxCells)).c_str()));
            current.cells.push_back(std::move(cell));
            if (i == data.size()) break;  // the last row, without a line end
            if (data[i] == separator) {
                ++i;
                continue;
            }
            if (data[i] == '\r' && (i + 1 == data.size() || data[i + 1] != '\n')) return fail(column, _(kLoneCr));
            i += data[i] == '\r' ? 2 : 1;
            break;
        }
        if (limits.maxRows == 0 || rows.size() < limits.maxRows) {
            rows.push_back(std::move(current));
        } else if (std::any_of(current.cells.begin(), current.cells.end(),
                               [](const std::string &c) { return !c.empty(); })) {
            return fail(1, formatted(_("more than %s rows that are not empty"),
                                     with_thousands(static_cast<long long>(limits.maxRows)).c_str()));
        }
        ++row;
    }
    return true;
}

bool write_csv_row(const std::vector<std::string> &cells, std::string &out)
{
    if (cells.empty()) return false;
    std::string line;
    for (size_t k = 0; k < cells.size(); ++k) {
        if (cells[k].find_first_of("\r\n") != std::string::npos) return false;
        const std::string c = marked_on_writing(cells[k]) ? kTextMark + cells[k] : cells[k];
        if (k) line += ',';
        const bool quote = c.find_first_of(",\"") != std::string::npos ||
                           (!c.empty() && (c.front() == ' ' || c.back() == ' ')) || (cells.size() == 1 && c.empty());
        if (quote)
            append_quoted(line, c);
        else
            line += c;
    }
    out += line + "\r\n";
    return true;
}

bool write_tsv_row(const std::vector<std::string> &cells, std::string &out)
{
    if (cells.empty()) return false;
    std::string line;
    for (size_t k = 0; k < cells.size(); ++k) {
        if (cells[k].find_first_of("\r\n") != std::string::npos) return false;
        if (k) line += '\t';
        const std::string c = marked_on_writing(cells[k]) ? kTextMark + cells[k] : cells[k];
        // A cell that begins with a quote would read as a quoted one.
        if (c.find('\t') != std::string::npos || (!c.empty() && c.front() == '"'))
            append_quoted(line, c);
        else
            line += c;
    }
    out += line + "\r\n";
    return true;
}
