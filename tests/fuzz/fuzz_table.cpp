// SPDX-License-Identifier: MIT
// Fuzzes the table reader of pelzo-quiz pack. The first byte picks CSV or
// TSV (bit 0) and whether the genre's limits apply (bit 1); the rest is the
// file. A table that parses must write back and parse again to the same
// cells (the writer's quoting and formula marks included), stay within the
// limits it was given, and make a genre that holds 1 + 6n texts when it is
// accepted.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "csv_table.h"
#include "fuzz_support.h"
#include "genre_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0) return 0;
    const TableKind kind = data[0] & 1 ? TableKind::Tsv : TableKind::Csv;
    const TableLimits limits = data[0] & 2 ? TableLimits{40, 8} : TableLimits{};
    const std::string_view text(reinterpret_cast<const char *>(data + 1), size - 1);

    std::vector<TableRow> rows;
    TableProblem problem;
    if (parse_table(text, kind, rows, &problem, limits)) {
        fuzz_check(limits.maxRows == 0 || rows.size() <= limits.maxRows, "more rows kept than the limit");
        std::string written;
        for (size_t k = 0; k < rows.size(); ++k) {
            fuzz_check(rows[k].row == static_cast<int>(k) + 1, "rows numbered out of order");
            fuzz_check(!rows[k].cells.empty(), "a row without cells");
            fuzz_check(limits.maxCells == 0 || rows[k].cells.size() <= limits.maxCells, "more cells than the limit");
            const bool ok =
                kind == TableKind::Csv ? write_csv_row(rows[k].cells, written) : write_tsv_row(rows[k].cells, written);
            fuzz_check(ok, "a parsed row does not write back");
        }
        std::vector<TableRow> again;
        fuzz_check(parse_table(written, kind, again, nullptr), "a written table does not parse");
        fuzz_check(again.size() == rows.size(), "a written table parses to another row count");
        for (size_t k = 0; k < rows.size(); ++k)
            fuzz_check(again[k].cells == rows[k].cells, "a written row parses to other cells");
    } else {
        fuzz_check(problem.row >= 1 && problem.column >= 1 && !problem.reason.empty(), "a problem without a place");
    }

    GenreSource genre;
    std::vector<std::string> problems;
    const bool ok =
        genre_from_table("t.csv", text, kind, "", data[0] & 4 ? PackFormat::Pzq : PackFormat::Zip, genre, problems);
    fuzz_check(ok == problems.empty(), "a genre accepted with problems, or refused without");
    if (ok) {
        fuzz_check(genre.lines.size() >= 7 && (genre.lines.size() - 1) % 6 == 0, "an accepted genre of bad layout");
        for (size_t k = 0; k < genre.lines.size(); ++k)
            fuzz_check(!genre.text(k).empty() && !source_sjis(genre, k).empty(),
                       "an accepted text that does not convert");
    }
    return 0;
}
