// SPDX-License-Identifier: MIT
// The pack pipeline's steps: reading the inputs in order, the genre count's
// bound, the warnings, the set's bytes.
#include "pack_pipeline.h"

#include <array>
#include <cstring>

#include "ascii.h"
#include "authoring_i18n.h"
#include "pack_warnings.h"
#include "pzq_format.h"
#include "quiz_load.h"
#include "sys.h"
#include "workbook.h"

namespace {

void add(std::vector<PackFinding> &findings, PackFindingKind kind, std::string where, std::string text)
{
    findings.push_back({kind, std::move(where), std::move(text)});
}

// A reader's problems, each worded whole with its place.
void add_errors(std::vector<PackFinding> &findings, std::vector<std::string> &problems)
{
    for (std::string &p : problems) add(findings, PackFindingKind::Error, "", std::move(p));
    problems.clear();
}

// Every visible sheet of a workbook that holds text, as a genre named after
// the sheet (or --name, for a workbook of one such sheet). Hidden and empty
// sheets are noted and make no genre.
void read_workbook_genres(const std::string &path, WorkbookKind kind, const PackInputs &in,
                          std::vector<GenreSource> &genres, std::vector<PackFinding> &findings)
{
    std::vector<WorkbookSheet> sheets;
    std::vector<std::string> problems;
    if (!read_workbook(path, kind, sheets, problems)) {
        add_errors(findings, problems);
        return;
    }
    size_t used = 0;
    for (const WorkbookSheet &s : sheets) used += !s.hidden && !s.chart && !s.rows.empty();
    if (!in.name.empty() && used != 1) {
        add(findings, PackFindingKind::Error, path,
            formatted(_("--name names the genre of a workbook of one sheet; this one has %zu "
                        "sheets with text: the sheets' names are their genres' names"),
                      used));
        return;
    }
    size_t skipped = 0;
    for (WorkbookSheet &s : sheets) {
        const std::string where = path + ":" + s.name;
        if (s.hidden || s.chart || s.rows.empty()) {
            // Named one by one up to a few; a workbook may hold a thousand.
            const char *note = s.hidden  ? _("a hidden sheet; skipped")
                               : s.chart ? _("a chart sheet; skipped")
                                         : _("the sheet is empty; it makes no genre");
            if (++skipped <= kMaxPackNotes) add(findings, PackFindingKind::Note, where, note);
            continue;
        }
        genres.emplace_back();
        genre_from_rows(where, s.rows, in.name.empty() ? s.name : in.name,
                        in.name.empty() ? GenreNameFrom::Sheet : GenreNameFrom::Option, in.format, genres.back(),
                        problems, in.header);
        add_errors(findings, problems);
        genres.back().warnings.insert(genres.back().warnings.begin(), s.warnings.begin(), s.warnings.end());
        if (s.unlistedWarnings)
            genres.back().warnings.insert(
                genres.back().warnings.begin() + static_cast<long>(s.warnings.size()),
                {where, formatted(P_("%zu more cell like those above, not listed",
                                     "%zu more cells like those above, not listed", s.unlistedWarnings),
                                  s.unlistedWarnings)});
        std::vector<TableRow>().swap(s.rows);  // in the genre now: eight genres are held at once
    }
    if (skipped > kMaxPackNotes)
        add(findings, PackFindingKind::Note, path,
            formatted(P_("%zu more hidden, empty or chart sheet skipped",
                         "%zu more hidden, empty or chart sheets skipped", skipped - kMaxPackNotes),
                      skipped - kMaxPackNotes));
}

// Whether `input` is the output file: two spellings (./g.txt, g.txt) or a
// link may name one.
bool is_output(const PackInputs &in, const std::string &input)
{
    return !in.output.empty() && (input == in.output || sys_same_file(input.c_str(), in.output.c_str()));
}

std::string member_text(const GenreSource &g)
{
    std::string out;
    for (size_t k = 0; k < g.lines.size(); ++k) out += source_sjis(g, k) + "\r\n";
    return out;
}

std::string build_pzq(const std::vector<GenreSource> &genres)
{
    std::array<int, kMaxGenres> counts{};
    std::array<std::string, kMaxGenres> names;
    for (size_t g = 0; g < genres.size(); ++g) {
        counts[g] = genres[g].questions();
        names[g] = source_sjis(genres[g], 0);
    }
    std::string out = pzq_write_header(counts, names);
    for (const GenreSource &g : genres) {
        for (int q = 0; q < g.questions(); ++q) {
            const size_t first = 1 + kLinesPerQuestion * static_cast<size_t>(q);
            std::array<std::string, kChoices> choices;
            for (size_t c = 0; c < kChoices; ++c) choices[c] = source_sjis(g, first + 1 + c);
            out += pzq_write_record(source_sjis(g, first), choices);
        }
    }
    return out;
}

}  // namespace

const char *source_extension(std::string_view path)
{
    for (const char *ext : {".txt", ".csv", ".tsv", ".xlsx", ".ods"}) {
        const size_t n = strlen(ext);
        if (path.size() > n && ascii_lower(path.substr(path.size() - n)) == ext) return ext;
    }
    return nullptr;
}

bool has_pack_errors(const std::vector<PackFinding> &findings)
{
    for (const PackFinding &f : findings)
        if (f.kind == PackFindingKind::Error) return true;
    return false;
}

void read_pack_inputs(const PackInputs &in, std::vector<GenreSource> &genres, std::vector<PackFinding> &findings)
{
    if (in.paths.size() > static_cast<size_t>(kMaxGenres))
        add(findings, PackFindingKind::Error, "",
            formatted(_("pelzo-quiz pack: %zu genre files given; a set holds at most %d genres (one "
                        "file each)"),
                      in.paths.size(), static_cast<int>(kMaxGenres)));
    WorkbookKind bookKind;
    std::vector<std::string> problems;
    for (size_t k = 0; k < in.paths.size() && k < static_cast<size_t>(kMaxGenres); ++k) {
        const std::string &input = in.paths[k];
        if (is_output(in, input)) {
            add(findings, PackFindingKind::Error, "",
                formatted(_("%s: is also the output file; packing would overwrite it"), input.c_str()));
            continue;
        }
        if (workbook_kind(input, &bookKind)) {
            read_workbook_genres(input, bookKind, in, genres, findings);
            continue;
        }
        genres.emplace_back();
        read_genre_source(input, in.format, in.name, genres.back(), problems, in.header);
        add_errors(findings, problems);
        if (genres.back().shiftJis) {
            std::string note = formatted(_("%s: read as Shift-JIS (code page 932)\n"), input.c_str());
            if (!note.empty() && note.back() == '\n') note.pop_back();
            add(findings, PackFindingKind::Note, "", std::move(note));
        }
    }
    if (genres.size() > static_cast<size_t>(kMaxGenres) && in.paths.size() <= static_cast<size_t>(kMaxGenres))
        add(findings, PackFindingKind::Error, "",
            formatted(_("pelzo-quiz pack: %zu genres given (a workbook gives one per sheet); a set "
                        "holds at most %d"),
                      genres.size(), kMaxGenres));
    if (genres.empty() && !has_pack_errors(findings))
        add(findings, PackFindingKind::Error, "",
            _("pelzo-quiz pack: no genre to pack: every sheet given is hidden or empty"));
}

size_t check_pack_texts(const std::vector<GenreSource> &genres, FontAdvancesHandle advances,
                        const std::string &fontNotice, bool strict, std::vector<PackFinding> &findings)
{
    size_t warned = 0;
    const auto warn = [&](const PackWarning &w) {
        if (++warned > kMaxPackWarnings) return;
        if (strict)
            add(findings, PackFindingKind::Error, "", w.where + ": " + w.text);
        else
            add(findings, PackFindingKind::Warning, w.where, w.text);
    };
    for (const GenreSource &g : genres)
        for (const PackWarning &w : g.warnings) warn(w);
    if (!fontNotice.empty()) add(findings, PackFindingKind::Warning, "pelzo-quiz pack", fontNotice);
    if (advances) {
        for (const PackWarning &w : pack_warnings(genres, *advances)) warn(w);
        advances.reset();  // its font file and glyph table are not needed again
    }
    if (warned <= kMaxPackWarnings) return 0;
    add(findings, strict ? PackFindingKind::Error : PackFindingKind::Note, "",
        formatted(P_("pelzo-quiz pack: %zu more warning not listed", "pelzo-quiz pack: %zu more warnings not listed",
                     warned - kMaxPackWarnings),
                  warned - kMaxPackWarnings));
    return warned - kMaxPackWarnings;
}

bool build_set_bytes(const std::vector<GenreSource> &genres, PackFormat format, bool store, std::string &bytes,
                     std::vector<ZipWriterMember> *members)
{
    if (format == PackFormat::Pzq) {
        bytes = build_pzq(genres);
        return true;
    }
    std::vector<ZipWriterMember> own;
    std::vector<ZipWriterMember> &list = members ? *members : own;
    list.clear();
    for (size_t k = 0; k < genres.size(); ++k)
        list.push_back({genre_member_name(static_cast<int>(k)), member_text(genres[k])});
    return zip_build_archive(list, store, bytes);
}
