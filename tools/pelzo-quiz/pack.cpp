// The pack command: read every genre file, warn of texts the play screen
// cannot show whole (pack_warnings.h; refuse them with --strict), encode for
// the chosen kind of set, write under a temporary name, read back with the
// game's readers, rename.
#include "pack.h"

#include <cerrno>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ascii.h"
#include "codepage.h"
#include "format.h"
#include "genre_source.h"
#include "i18n.h"
#include "pack_warnings.h"
#include "pzq_format.h"
#include "pzq_reader.h"
#include "quiz_load.h"
#include "sys.h"
#include "usage.h"
#include "workbook.h"
#include "zip_reader.h"
#include "zip_writer.h"

namespace {

const char kUsage[] =
    N_("usage: pelzo-quiz pack -o OUT [--store] [--strict] [--font FILE] GENRE.txt...\n"
       "       pelzo-quiz pack -o OUT [--store] [--strict] [--font FILE] [--name NAME] [--header|--no-header]\n"
       "                       GENRE.csv|GENRE.tsv|BOOK.xlsx|BOOK.ods...\n"
       "  .txt, .csv, .tsv, .xlsx and .ods files may be mixed; the genres are in the order given,\n"
       "  a workbook's in the order of its sheets (each visible sheet with text is a genre).\n"
       "  --store      a ZIP set's members are stored, not deflated\n"
       "  --strict     what packs but may be a mistake (warnings) is refused instead\n"
       "  --font FILE  texts are measured in FILE instead of the game's font\n"
       "  --name NAME  the genre name of a single .csv or .tsv file, instead of its file name,\n"
       "               or of a workbook of one sheet, instead of the sheet's name\n"
       "  --header     a table's first row is a header row and skipped, whatever it holds\n"
       "  --no-header  a table's first row is a question, whatever it holds\n");

int usage_error(const std::string &what) { return ::usage_error("pelzo-quiz pack", what, _(kUsage)); }

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

// Compares one text as the game holds it with its source line.
void compare_loaded(const char *loaded, const GenreSource &g, size_t index, std::vector<std::string> &problems)
{
    if (g.text(index) != loaded)
        problems.push_back(formatted(_("%s: the game would read %s as \"%s\""),
                                       source_where(g.path, g.lines[index]).c_str(), line_role(index).c_str(),
                                       excerpt(loaded).c_str()));
}

// The same for a Shift-JIS text, converted as the game converts it.
void compare_sjis(const char *sjis, const GenreSource &g, size_t index, std::vector<std::string> &problems)
{
    char utf8[kTextSize];
    win_sjis_to_utf8(sjis, utf8, kTextSize);
    compare_loaded(utf8, g, index, problems);
}

void verify_zip(const std::string &path, const std::vector<GenreSource> &genres,
                const std::vector<ZipWriterMember> &members, std::vector<std::string> &problems)
{
    for (size_t k = 0; k < genres.size(); ++k) {
        const GenreSource &g = genres[k];
        unsigned char *data = nullptr;
        uint32_t size = 0;
        if (zip_read_file(path.c_str(), members[k].name.c_str(), &data, &size) != 0 ||
            std::string(reinterpret_cast<char *>(data), size) != members[k].data) {
            zip_free(data);
            problems.push_back(formatted(_("%s: %s does not read back from the archive as written"), g.path.c_str(),
                                           members[k].name.c_str()));
            continue;
        }
        GENRE_DATA genre{};
        const bool parsed = parse_qtext_member(data, size, &genre);
        zip_free(data);
        if (!parsed || genre.count != g.questions()) {
            problems.push_back(formatted(_("%s: the game would not read %s as %d questions"), g.path.c_str(),
                                           members[k].name.c_str(), g.questions()));
            free(genre.items);
            continue;
        }
        compare_loaded(genre.name, g, 0, problems);
        for (int q = 0; q < genre.count; ++q) {
            const size_t first = 1 + kLinesPerQuestion * static_cast<size_t>(q);
            compare_loaded(genre.items[q].text, g, first, problems);
            for (size_t c = 0; c < kChoices; ++c) compare_loaded(genre.items[q].choice[c], g, first + 1 + c, problems);
        }
        free(genre.items);
    }
}

void verify_pzq(const std::string &path, const std::vector<GenreSource> &genres, std::vector<std::string> &problems)
{
    PzqFile file;
    if (read_pzq_file(path.c_str(), file) != LoadFailure::None) {
        problems.push_back(formatted(_("%s: the written file does not read back as a quiz file"), path.c_str()));
        return;
    }
    const QUIZ_STATUS &status = file.status;
    for (size_t k = 0; k < kMaxGenres; ++k) {
        const int expected = k < genres.size() ? genres[k].questions() : 0;
        if (status.genre[k].count != expected) {
            problems.push_back(formatted(_("%s: genre %zu reads back with %d questions instead of %d"), path.c_str(),
                                           k, status.genre[k].count, expected));
            return;
        }
    }
    for (size_t k = 0; k < genres.size(); ++k) {
        const GenreSource &g = genres[k];
        compare_sjis(status.genre[k].name, g, 0, problems);
        for (int q = 0; q < g.questions(); ++q) {
            const QUESTION_RECORD &rec = status.genre[k].questions[q];
            const size_t first = 1 + kLinesPerQuestion * static_cast<size_t>(q);
            compare_sjis(rec.text, g, first, problems);
            for (size_t c = 0; c < kChoices; ++c) compare_sjis(rec.choice[c], g, first + 1 + c, problems);
        }
    }
}

// Writes bytes to a new temporary file beside `target`. Returns its path, or
// "" with the reason in problems.
std::string write_temporary(const std::string &target, const std::string &bytes, std::vector<std::string> &problems)
{
    std::string error;
    std::string temp = win_write_beside(target, bytes.data(), bytes.size(), &error);
    if (temp.empty()) problems.push_back(target + ": " + error);
    return temp;
}

// Every visible sheet of a workbook that holds text, as a genre named after
// the sheet (or --name, for a workbook of one such sheet). Hidden and empty
// sheets are named on stderr and make no genre.
void read_workbook_genres(const std::string &path, WorkbookKind kind, PackFormat format, const std::string &name,
                          HeaderRow header, std::vector<GenreSource> &genres, std::vector<std::string> &problems)
{
    std::vector<WorkbookSheet> sheets;
    if (!read_workbook(path, kind, sheets, problems)) return;
    size_t used = 0;
    for (const WorkbookSheet &s : sheets) used += !s.hidden && !s.rows.empty();
    if (!name.empty() && used != 1) {
        problems.push_back(path + ": " +
                           formatted(_("--name names the genre of a workbook of one sheet; this one has %zu "
                                            "sheets with text: the sheets' names are their genres' names"),
                                          used));
        return;
    }
    for (WorkbookSheet &s : sheets) {
        const std::string where = path + ":" + s.name;
        if (s.hidden) {
            fprintf(stderr, "%s\n", escaped(where + ": " + _("a hidden sheet; skipped")).c_str());
            continue;
        }
        if (s.rows.empty()) {
            fprintf(stderr, "%s\n", escaped(where + ": " + _("the sheet is empty; it makes no genre")).c_str());
            continue;
        }
        genres.emplace_back();
        genre_from_rows(where, s.rows, name.empty() ? s.name : name,
                        name.empty() ? GenreNameFrom::Sheet : GenreNameFrom::Option, format, genres.back(), problems,
                        header);
        genres.back().warnings.insert(genres.back().warnings.begin(), s.warnings.begin(), s.warnings.end());
        std::vector<TableRow>().swap(s.rows);  // in the genre now: pack holds eight genres at once
    }
}

int refuse(const std::vector<std::string> &problems, const std::string &out)
{
    for (const std::string &p : problems) fprintf(stderr, "%s\n", escaped(p).c_str());
    fprintf(stderr, _("pelzo-quiz pack: %s not written\n"), escaped(out).c_str());
    return 1;
}

}  // namespace

const char *pack_usage() { return _(kUsage); }

int pack_command(int argc, char **argv)
{
    std::string out, name, font;
    bool store = false, strict = false, haveOut = false, haveName = false, haveFont = false, optionsDone = false;
    HeaderRow header = HeaderRow::Auto;
    std::vector<std::string> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (!optionsDone && a == "--") {
            optionsDone = true;
        } else if (!optionsDone && (a == "-o" || a == "--name" || a == "--font")) {
            // An option with a value: given once, with a value (-o's may be
            // empty here; an empty OUT is refused below).
            std::string &value = a == "-o" ? out : a == "--name" ? name : font;
            bool &have = a == "-o" ? haveOut : a == "--name" ? haveName : haveFont;
            if (have) return usage_error(formatted(_("%s is given twice"), a.c_str()));
            if (i + 1 >= argc) return usage_error(formatted(_("%s needs a value"), a.c_str()));
            if (a != "-o" && argv[i + 1][0] == '\0') return usage_error(formatted(_("%s is empty"), a.c_str()));
            // Paths as every message names them.
            value = a == "--name" ? std::string(argv[++i]) : win_display_path(argv[++i]);
            have = true;
        } else if (!optionsDone && a == "--store") {
            store = true;
        } else if (!optionsDone && a == "--strict") {
            strict = true;
        } else if (!optionsDone && (a == "--header" || a == "--no-header")) {
            const HeaderRow chosen = a == "--header" ? HeaderRow::Yes : HeaderRow::No;
            if (header != HeaderRow::Auto && header != chosen)
                return usage_error(_("--header and --no-header exclude each other"));
            header = chosen;
        } else if (!optionsDone && asks_for_help(a)) {
            return print_usage(_(kUsage));
        } else if (!optionsDone && a.size() > 1 && a[0] == '-') {
            return usage_error(formatted(_("unknown option %s"), escaped(a).c_str()));
        } else {
            inputs.push_back(win_display_path(a));
        }
    }
    if (!haveOut) return usage_error(_("-o OUT is missing: name the set to write"));
    if (out.empty()) return usage_error(_("-o OUT is empty: name the set to write"));
    if (inputs.empty()) return usage_error(_("no genre file given"));
    const PackFormat format = is_pzq_path(out.c_str()) ? PackFormat::Pzq : PackFormat::Zip;
    if (store && format == PackFormat::Pzq)
        return usage_error(_("--store applies to ZIP sets only; a .pzq file is never compressed"));
    TableKind kind;
    WorkbookKind bookKind;
    if (haveName &&
        (inputs.size() != 1 || (!genre_table_kind(inputs[0], &kind) && !workbook_kind(inputs[0], &bookKind))))
        return usage_error(_("--name names the genre of a single .csv or .tsv file, or of a workbook of one sheet (a "
                             ".txt file names its genre on its first line)"));

    std::vector<std::string> problems;
    // Every input, the font too, is compared with the output as a file: two
    // spellings (./g.txt, g.txt) or a link may name one.
    const auto isOutput = [&out](const std::string &input) {
        return input == out || win_same_file(input.c_str(), out.c_str());
    };
    if (haveFont && isOutput(font)) {
        problems.push_back(
            formatted(_("%s: is also the output file; packing would overwrite the font"), font.c_str()));
        return refuse(problems, out);
    }
    // The font the texts are measured with (--font, or the game's).
    FontAdvancesHandle advances;
    std::string fontProblem, fontNotice;
    if (!open_pack_font(font, &advances, &fontProblem, &fontNotice)) problems.push_back(fontProblem);
    if (inputs.size() > static_cast<size_t>(kMaxGenres))
        problems.push_back(formatted(_("pelzo-quiz pack: %zu genre files given; a set holds at most %d genres (one "
                                       "file each)"),
                                     inputs.size(), static_cast<int>(kMaxGenres)));
    std::vector<GenreSource> genres;
    for (size_t k = 0; k < inputs.size() && k < static_cast<size_t>(kMaxGenres); ++k) {
        if (isOutput(inputs[k])) {
            problems.push_back(
                formatted(_("%s: is also the output file; packing would overwrite it"), inputs[k].c_str()));
            continue;
        }
        if (workbook_kind(inputs[k], &bookKind)) {
            read_workbook_genres(inputs[k], bookKind, format, name, header, genres, problems);
            continue;
        }
        genres.emplace_back();
        read_genre_source(inputs[k], format, name, genres.back(), problems, header);
        if (genres.back().shiftJis)
            fprintf(stderr, _("%s: read as Shift-JIS (code page 932)\n"), escaped(inputs[k]).c_str());
    }
    if (genres.size() > static_cast<size_t>(kMaxGenres) && inputs.size() <= static_cast<size_t>(kMaxGenres))
        problems.push_back(formatted(_("pelzo-quiz pack: %zu genres given (a workbook gives one per sheet); a set "
                                            "holds at most %d"),
                                          genres.size(), kMaxGenres));
    if (!problems.empty()) return refuse(problems, out);

    // Texts the play screen cannot show whole: warnings, or with --strict
    // reasons not to write the set.
    const auto warn = [&](const PackWarning &w) {
        if (strict)
            problems.push_back(w.where + ": " + w.text);
        else
            fprintf(stderr, _("%s: warning: %s\n"), escaped(w.where).c_str(), escaped(w.text).c_str());
    };
    for (const GenreSource &g : genres)
        for (const PackWarning &w : g.warnings) warn(w);
    if (!fontNotice.empty()) fprintf(stderr, _("pelzo-quiz pack: warning: %s\n"), fontNotice.c_str());
    if (advances) {
        for (const PackWarning &w : pack_warnings(genres, *advances)) warn(w);
        advances.reset();  // its font file and glyph table are not needed again
    }
    if (!problems.empty()) return refuse(problems, out);

    std::string bytes;
    std::vector<ZipWriterMember> members;
    if (format == PackFormat::Pzq) {
        bytes = build_pzq(genres);
    } else {
        for (size_t k = 0; k < genres.size(); ++k)
            members.push_back({genre_member_name(static_cast<int>(k)), member_text(genres[k])});
        if (!zip_build_archive(members, store, bytes)) {
            problems.push_back(formatted(_("%s: the archive could not be built"), out.c_str()));
            return refuse(problems, out);
        }
    }

    // An existing output that is no regular file is left as it is; through a
    // symbolic link, the file it points to is replaced and the link kept.
    std::string target, why;
    if (!win_output_target(out, &target, &why)) {
        problems.push_back(out + ": " + why);
        return refuse(problems, out);
    }
    const std::string temp = write_temporary(target, bytes, problems);
    if (temp.empty()) return refuse(problems, out);
    std::string().swap(bytes);  // on disk now; the check reads it from there
    if (format == PackFormat::Pzq)
        verify_pzq(temp, genres, problems);
    else
        verify_zip(temp, genres, members, problems);
    std::string error;
    if (problems.empty() && !win_replace_file(temp, target, &error)) problems.push_back(out + ": " + error);
    if (!problems.empty()) {
        win_remove_file(temp);
        return refuse(problems, out);
    }
    for (size_t k = 0; k < genres.size(); ++k)
        printf("%zu\t%d\t%s\n", k, genres[k].questions(), escaped(genres[k].text(0)).c_str());
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr,
                _("pelzo-quiz pack: %s was written, but its genre list could not be written to standard output: %s\n"),
                out.c_str(), strerror(errno));
        return 1;
    }
    return 0;
}
