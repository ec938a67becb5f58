// SPDX-License-Identifier: MIT
// report: the one way pelzo-quiz's commands speak to their user. Messages go
// to stderr, the listings (check's genres, dump's questions, the files
// unpack wrote, pack's genres) and --help to stdout, and every line of both
// goes out escaped (format.h: escaped): a control character in a path, a
// genre name or any other text a message quotes shows as \u00XX and never
// reaches the terminal as itself.
//
// A message is a place and a text. The place is what it is about: a path,
// "path:line", "path:row:column", "path:sheet:row:column", or the command
// itself ("pelzo-quiz pack"); empty for none. The text is translated by its
// caller (_(), P_() with formatted): its English is the catalog's key. The
// words the reporter adds ("warning:") are translated here.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// What a message says of its place: an error is what stops the command or a
// file, a warning what works but may be a mistake, a note what was done.
enum class Severity { Error, Warning, Note };

struct Report {
    Severity severity = Severity::Error;
    std::string place;  // empty: the text stands alone
    std::string text;  // translated
};

// The line a report is written as, before escaping: "place: text" for an
// error or a note, "place: warning: text" (translated) for a warning; the
// text alone, as its caller worded it, without a place.
std::string report_line(const Report &r);

// Writes one report to stderr, escaped, with a line end.
void report(const Report &r);
void report_error(std::string_view place, std::string_view text);
void report_warning(std::string_view place, std::string_view text);
void report_note(std::string_view place, std::string_view text);

// Writes a line that carries its place inside already ("path:line: reason",
// as the genre readers give their problems) or needs none (the game's own
// message), escaped.
void report_text(std::string_view line);
void report_texts(const std::vector<std::string> &lines);

// Several messages of one kind, the first `limit` written and the rest only
// counted, for a summary the caller words ("%zu more warnings not listed"):
// a source of a thousand faults gives a screenful, not a thousand lines.
struct ReportBound {
    size_t limit;
    size_t seen = 0;
    // Counts one more; true while it is within the limit and should be written.
    bool admit() { return ++seen <= limit; }
    size_t unlisted() const { return seen > limit ? seen - limit : 0; }
};

// Text of several lines (a usage) to stderr or stdout, each line escaped and
// its line end kept.
void report_block(std::string_view text);
void list_block(std::string_view text);

// One line of a listing on stdout: its cells escaped, joined by tabs.
void list_row(std::initializer_list<std::string_view> cells);

// Whether everything listed reached stdout (flushed now). When not, errno
// says why.
bool listing_written();

// "pelzo-quiz: out of memory", written without taking any.
void report_out_of_memory();
