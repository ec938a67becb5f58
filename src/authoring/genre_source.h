// SPDX-License-Identifier: MIT
// genre_source: reads one quiz author's genre file for packing.
//
// A text genre file (.txt, or any name not ending in .csv or .tsv) is the text
// member's layout in UTF-8: a genre-name line, then six lines per question
// (question, right answer, four wrong answers). LF or CR LF line ends; empty
// lines at the end are ignored.
//
// A table genre file (.csv or .tsv, any case; csv_table.h) holds one question
// per row in six cells, in the same order. Its genre name is the file's name
// without folder, extension and a leading "N_" or "NN_" (table_genre_name),
// or the name pack's --name gives. A first row whose first cell is a word for
// "question" and whose second is one for "answer" (question / Q / 問題 / 設問
// / 質問 and answer / A / correct / 正解 / 答え / 答 / 解答 / 正答, spaces
// around them and ASCII case aside) is a header and is skipped, unless
// HeaderRow says otherwise. Empty rows at the end are ignored; an empty row
// before a question is refused, as an empty line in a text file is. Empty
// cells after the sixth are a spreadsheet's padding and dropped. A table is
// UTF-8, with or without a byte-order mark (spreadsheets write one); one that
// is not UTF-8 but reads as code page 932 throughout is taken as Shift-JIS,
// as Japanese spreadsheet programs save it.
//
// Each text is converted to Shift-JIS (code page 932) strictly: a character
// the code page lacks, or one the game would read back as a different
// character (〜 comes back as ～), is refused instead of replaced. Every
// refusal is one "path:line: reason" (a table: "path:row:column: reason")
// text, so an author can fix the source without knowing the formats.
//
// What packs but is most likely a mistake goes to GenreSource::warnings: a
// genre shorter than a stage, and in a table a first row read as a question
// that holds a column title, or cells whose text an export replaced by "?".
// Reads the file once; keeps nothing between calls.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "csv_table.h"
#include "pzq_format.h"

enum class PackFormat { Zip, Pzq };

// Whether a table's first row is a header row: as its first two cells say
// (Auto), or as pack's --header (Yes) or --no-header (No) decides.
enum class HeaderRow { Auto, Yes, No };

// What each kind of set can hold.
constexpr int kZipLineBytes = 510;  // Shift-JIS bytes per line (511 would split off an empty line)
constexpr int kTextSlotBytes = 511;  // UTF-8 bytes the game keeps of any text
constexpr int kZipMaxQuestions = 170;  // 1 + 6 x 170 = 1,021 of the 1,024 lines read from a member
// The most cells a table's row is read with (a row holds 6; more only need
// counting up to a point).
constexpr size_t kMaxTableCells = 100;

// One text of the layout, kept lean: a genre holds up to 196,603 of them,
// and pack holds eight genres at once. The text itself is in its genre's
// `texts`.
struct SourceLine {
    uint32_t at = 0, size = 0;  // where the text is in GenreSource::texts, and its length
    int line = 0;  // the line of a text file, or the row of a table; for a table's
                   // genre name 0 (from the file's name) or -1 (from --name)
    unsigned short column = 0;  // a table's cell, 1-based; 0 in a text file
    bool cell = false;  // not a line of a text file: a place inside is "character N",
                        // as "column" names the cell
};

// Something that packs but may not be what the author meant: printed as
// "where: warning: text", or refused under pack --strict.
struct PackWarning {
    std::string where;  // the source line's label ("path:line", ...)
    std::string text;  // what is wrong, without the label
};

struct GenreSource {
    std::string path;
    std::vector<SourceLine> lines;  // the layout: the genre name, then six texts per question
    std::string texts;  // every text of the layout in UTF-8, each followed by a NUL
    bool shiftJis = false;  // a table read as Shift-JIS
    std::vector<PackWarning> warnings;  // what reading the file found, in source order
    int questions() const { return static_cast<int>((lines.size() - 1) / 6); }
    // Text k of the layout, and the same NUL-terminated.
    std::string_view text(size_t k) const { return {texts.data() + lines[k].at, lines[k].size}; }
    const char *c_text(size_t k) const { return texts.data() + lines[k].at; }
    // Appends a text to the layout.
    void add(std::string_view text, int line, unsigned short column, bool cell);
};

// Reads and checks one genre file for the given kind of set. `name`, when not
// empty, is a table's genre name instead of its file name (a text file's is its
// first line). Returns true when it can be packed; otherwise appends at least
// one "path:line: reason" (or "path: reason") to problems.
bool read_genre_source(const std::string &path, PackFormat format, const std::string &name, GenreSource &out,
                       std::vector<std::string> &problems, HeaderRow header = HeaderRow::Auto);

// True, with the kind in *kind, when the path ends in .csv or .tsv (any case).
bool genre_table_kind(const std::string &path, TableKind *kind);

// The same checks for a table's bytes already in memory, named `path`.
bool genre_from_table(const std::string &path, std::string_view data, TableKind kind, const std::string &name,
                      PackFormat format, GenreSource &out, std::vector<std::string> &problems,
                      HeaderRow header = HeaderRow::Auto);

// A table's genre name from its path: the file name without folder and
// extension, and without a leading number of one or two digits and "_"
// ("1_動物.csv" and "01_動物.csv" name 動物), which orders the files as
// `unpack --csv` writes them.
std::string table_genre_name(const std::string &path);

// Where a table's genre name comes from: its file's name, pack's --name, or
// the workbook sheet's name (the path is then "book.xlsx:sheet").
enum class GenreNameFrom { FileName, Option, Sheet };

// The same checks for a table's rows already parsed (a CSV file's, or a
// workbook sheet's), the genre named `name`. Trailing empty rows are dropped
// from `rows`.
bool genre_from_rows(const std::string &path, std::vector<TableRow> &rows, const std::string &name,
                     GenreNameFrom nameFrom, PackFormat format, GenreSource &out, std::vector<std::string> &problems,
                     HeaderRow header = HeaderRow::Auto);

// Strict UTF-8 -> code page 932 of one whole text. False when a character has
// no code page 932 form or does not read back as itself.
bool utf8_to_cp932_strict(const std::string &utf8, std::string &sjis);

// What messages name a line by: "path:line", "path:row:column", or for a
// table's genre name the path (its file name) or "--name".
std::string source_where(const std::string &path, const SourceLine &line);
// Text k of the layout in code page 932 (it converts: the genre was read).
std::string source_sjis(const GenreSource &g, size_t k);

// Which text a line holds in the layout: "the genre name", "the question",
// "the right answer", "wrong answer 1" .. "wrong answer 4". `index` is 0-based.
std::string line_role(size_t index);

// Shortens a UTF-8 text for a message: at most `chars` characters, then "…".
std::string excerpt(const std::string &utf8, size_t chars = 60);
