// SPDX-License-Identifier: MIT
// Every message and listing line of pelzo-quiz, escaped on its way out.
#include "report.h"

#include <cstdio>

#include "format.h"
#include "i18n.h"

namespace {

// Writes the text escaped, then a line end.
void write_line(FILE *stream, std::string_view text)
{
    std::string line;
    line.reserve(text.size() + 1);
    append_escaped(line, text);
    line += '\n';
    fwrite(line.data(), 1, line.size(), stream);
}

// Each line of the text escaped, its line end kept; a last line without
// one stays without.
void write_block(FILE *stream, std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        append_escaped(out, text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
        if (end == std::string_view::npos) break;
        out += '\n';
        at = end + 1;
    }
    fwrite(out.data(), 1, out.size(), stream);
}

}  // namespace

std::string report_line(const Report &r)
{
    if (r.place.empty()) return r.text;
    if (r.severity == Severity::Warning) return formatted(_("%s: warning: %s"), r.place.c_str(), r.text.c_str());
    return r.place + ": " + r.text;
}

void report(const Report &r) { write_line(stderr, report_line(r)); }

void report_error(std::string_view place, std::string_view text)
{
    report({Severity::Error, std::string(place), std::string(text)});
}

void report_warning(std::string_view place, std::string_view text)
{
    report({Severity::Warning, std::string(place), std::string(text)});
}

void report_note(std::string_view place, std::string_view text)
{
    report({Severity::Note, std::string(place), std::string(text)});
}

void report_text(std::string_view line) { write_line(stderr, line); }

void report_texts(const std::vector<std::string> &lines)
{
    for (const std::string &line : lines) write_line(stderr, line);
}

void report_block(std::string_view text) { write_block(stderr, text); }

void list_block(std::string_view text) { write_block(stdout, text); }

void list_row(std::initializer_list<std::string_view> cells)
{
    std::string line;
    bool first = true;
    for (std::string_view cell : cells) {
        if (!first) line += '\t';
        append_escaped(line, cell);
        first = false;
    }
    line += '\n';
    fwrite(line.data(), 1, line.size(), stdout);
}

bool listing_written() { return fflush(stdout) == 0 && !ferror(stdout); }

void report_out_of_memory() { fputs(_("pelzo-quiz: out of memory\n"), stderr); }
