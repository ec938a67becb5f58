// SPDX-License-Identifier: MIT
// pack_pipeline: a set from a teacher's sources, as pelzo-quiz pack builds it
// and as the game builds it when it opens the sources itself.
//
// read_pack_inputs reads the sources in the order given: a text or CSV/TSV
// file is one genre, a workbook (.xlsx, .ods) one genre per visible sheet
// with text (hidden, empty and chart sheets are noted and make none); more
// than eight genres, or none, is an error. check_pack_texts adds what packs
// but may be a mistake (pack_warnings.h, and what reading found), the first
// kMaxPackWarnings named and the rest counted. build_set_bytes encodes the
// genres as a ZIP set (zip_build_archive) or a .pzq file.
//
// Nothing is printed: every finding goes to a list, in the order found, with
// its place, worded (through _(), authoring_i18n.h) as pack prints it. Reading
// keeps nothing between calls.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "font_advances.h"
#include "genre_source.h"
#include "zip_writer.h"

// Notes of one kind named one by one before the rest are only counted, and
// the same for warnings.
constexpr size_t kMaxPackNotes = 8;
constexpr size_t kMaxPackWarnings = 50;

enum class PackFindingKind {
    Error,  // the set cannot be built
    Warning,  // it can, but a text may not be what the author meant
    Note,  // what was passed over (a hidden sheet), or how a file was read
};

// One finding. `where` is its place ("path:line", "path:row:column",
// "book.xlsx:sheet:row:column", "book.xlsx:sheet", a path, or "pelzo-quiz
// pack" for the texts' measuring as a whole) and `text` what was found
// there; `where` is empty when the text is worded whole: a reader's error
// names its own place ("path:line: reason"), and one about the sources as a
// whole begins with "pelzo-quiz pack: ".
struct PackFinding {
    PackFindingKind kind = PackFindingKind::Error;
    std::string where;
    std::string text;
    // "where: text", or the text alone.
    std::string line() const { return where.empty() ? text : where + ": " + text; }
};

bool has_pack_errors(const std::vector<PackFinding> &findings);

// The extension (".txt", ".csv", ".tsv", ".xlsx" or ".ods") when the path ends
// in one of the files pack reads, in any case; nullptr for any other name.
const char *source_extension(std::string_view path);

// What to read, and how.
struct PackInputs {
    std::vector<std::string> paths;  // in the order given
    PackFormat format = PackFormat::Zip;  // the kind of set the genres are checked for
    std::string name;  // pack's --name, or empty
    HeaderRow header = HeaderRow::Auto;
    std::string output;  // the file being written (an input that is it is refused), or empty
};

// Reads every input into genres; errors and notes go to findings.
void read_pack_inputs(const PackInputs &in, std::vector<GenreSource> &genres, std::vector<PackFinding> &findings);

// Warnings of the texts (measured in `advances` when it is open; it is
// released after) and of what reading found; with `strict` they are errors.
// `fontNotice`, when not empty, says why texts were not measured. Returns
// the number of warnings past the kMaxPackWarnings listed (counted in one
// finding of their own).
size_t check_pack_texts(const std::vector<GenreSource> &genres, FontAdvancesHandle advances,
                        const std::string &fontNotice, bool strict, std::vector<PackFinding> &findings);

// The set's bytes: a .pzq file, or a ZIP of one member per genre (deflated
// unless `store`; the members, as written, in *members when given). False
// when the archive cannot be built.
bool build_set_bytes(const std::vector<GenreSource> &genres, PackFormat format, bool store, std::string &bytes,
                     std::vector<ZipWriterMember> *members = nullptr);
