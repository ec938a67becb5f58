// SPDX-License-Identifier: MIT
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

#include "codepage.h"
#include "format.h"
#include "genre_source.h"
#include "i18n.h"
#include "pack_pipeline.h"
#include "pack_warnings.h"
#include "pzq_format.h"
#include "pzq_reader.h"
#include "quiz_load.h"
#include "report.h"
#include "sys.h"
#include "usage.h"
#include "workbook.h"
#include "zip_reader.h"
#include "zip_writer.h"

namespace {

const char kUsage[] = N_(
    "usage: pelzo-quiz pack -o OUT [--force] [--store] [--strict] [--font FILE] GENRE.txt...\n"
    "       pelzo-quiz pack -o OUT [--force] [--store] [--strict] [--font FILE] [--name NAME] [--header|--no-header]\n"
    "                       GENRE.csv|GENRE.tsv|BOOK.xlsx|BOOK.ods...\n"
    "  .txt, .csv, .tsv, .xlsx and .ods files may be mixed; the genres are in the order given,\n"
    "  a workbook's in the order of its sheets (each visible sheet with text is a genre).\n"
    "  --force      replace OUT even when it is no set the game loads\n"
    "  --store      a ZIP set's members are stored, not deflated\n"
    "  --strict     what packs but may be a mistake (warnings) is refused instead\n"
    "  --font FILE  texts are measured in FILE instead of the game's font\n"
    "  --name NAME  the genre name of a single .csv or .tsv file, instead of its file name,\n"
    "               or of a workbook of one sheet, instead of the sheet's name\n"
    "  --header     a table's first row is a header row and skipped, whatever it holds\n"
    "  --no-header  a table's first row is a question, whatever it holds\n");

int usage_error(const std::string &what) { return ::usage_error("pelzo-quiz pack", what, _(kUsage)); }

// The number of genres the game loads from the file at `path`, read as the
// kind of set OUT names; -1 when it does not load.
int loaded_genres(const std::string &path, PackFormat format)
{
    const bool loaded = format == PackFormat::Pzq ? load_pzq_set(path.c_str()) : load_zip_set(path.c_str());
    const int count = loaded ? g_genreCount : -1;
    free_genres();
    return count;
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
            problems.push_back(formatted(_("%s: genre %zu reads back with %d questions instead of %d"), path.c_str(), k,
                                         status.genre[k].count, expected));
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
    std::string temp = sys_write_beside(target, bytes.data(), bytes.size(), &error);
    if (temp.empty()) problems.push_back(target + ": " + error);
    return temp;
}

// What a finding is to the reporter.
Report as_report(const PackFinding &f)
{
    const Severity severity = f.kind == PackFindingKind::Error     ? Severity::Error
                              : f.kind == PackFindingKind::Warning ? Severity::Warning
                                                                   : Severity::Note;
    return {severity, f.where, f.text};
}

// Reports the notes and warnings of findings[*printed..] as they are found,
// and moves *printed past them; errors wait for refuse.
void print_findings(const std::vector<PackFinding> &findings, size_t *printed)
{
    for (; *printed < findings.size(); ++*printed)
        if (findings[*printed].kind != PackFindingKind::Error) report(as_report(findings[*printed]));
}

// The notes and warnings not yet reported, then every error, and that OUT
// was not written.
int refuse(const std::vector<PackFinding> &findings, size_t *printed, const std::string &out)
{
    print_findings(findings, printed);
    for (const PackFinding &f : findings)
        if (f.kind == PackFindingKind::Error) report(as_report(f));
    fprintf(stderr, _("pelzo-quiz pack: %s not written\n"), escaped(out).c_str());
    return 1;
}

// The problems of pack's own steps (the output, the written set) as errors.
void add_problems(std::vector<PackFinding> &findings, std::vector<std::string> &problems)
{
    for (std::string &p : problems) findings.push_back({PackFindingKind::Error, "", std::move(p)});
    problems.clear();
}

}  // namespace

const char *pack_usage() { return _(kUsage); }

namespace {

// What the command line asks for.
struct PackOptions {
    std::string out, name, font;
    bool store = false, strict = false, force = false;
    HeaderRow header = HeaderRow::Auto;
    PackFormat format = PackFormat::Zip;
    std::vector<std::string> inputs;
};

// Reads the command line into *o. Returns -1 to go on, else the exit status
// (the usage printed for --help, or a usage error).
int read_options(int argc, char **argv, PackOptions *o)
{
    CommandLine line;
    std::string what;
    if (!read_command_line(argc, argv,
                           {{"-o", true},
                            {"--name", true},
                            {"--font", true},
                            {"--store"},
                            {"--strict"},
                            {"--force"},
                            {"--header"},
                            {"--no-header"}},
                           &line, &what))
        return usage_error(what);
    if (line.help) return print_usage(_(kUsage));
    for (const char *option : {"--name", "--font"})
        if (line.has(option) && line.value(option).empty()) return usage_error(formatted(_("%s is empty"), option));
    if (line.has("--header") && line.has("--no-header"))
        return usage_error(_("--header and --no-header exclude each other"));
    // Paths as every message names them.
    o->out = sys_display_path(line.value("-o"));
    o->name = line.value("--name");
    o->font = sys_display_path(line.value("--font"));
    o->store = line.has("--store");
    o->strict = line.has("--strict");
    o->force = line.has("--force");
    o->header = line.has("--header") ? HeaderRow::Yes : line.has("--no-header") ? HeaderRow::No : HeaderRow::Auto;
    for (const std::string &operand : line.operands)
        for (const std::string &file : expand_file_argument(operand)) o->inputs.push_back(sys_display_path(file));

    if (!line.has("-o")) return usage_error(_("-o OUT is missing: name the set to write"));
    if (o->out.empty()) return usage_error(_("-o OUT is empty: name the set to write"));
    if (o->inputs.empty()) return usage_error(_("no genre file given"));
    // A genre file or workbook named where the set belongs (`pack -o
    // DIR/*.txt` with SET forgotten), which writing the set would destroy.
    if (const char *ext = source_extension(o->out))
        return usage_error(formatted(_("-o %s ends in %s, as the files pack reads do; OUT names the set to write "
                                       "(.zip or .pzq): was it left out?"),
                                     o->out.c_str(), ext));
    o->format = is_pzq_path(o->out.c_str()) ? PackFormat::Pzq : PackFormat::Zip;
    if (o->store && o->format == PackFormat::Pzq)
        return usage_error(_("--store applies to ZIP sets only; a .pzq file is never compressed"));
    TableKind kind;
    WorkbookKind bookKind;
    if (line.has("--name") &&
        (o->inputs.size() != 1 || (!genre_table_kind(o->inputs[0], &kind) && !workbook_kind(o->inputs[0], &bookKind))))
        return usage_error(
            _("--name names the genre of a single .csv or .tsv file, or of a workbook of one sheet (a "
              ".txt file names its genre on its first line)"));
    return -1;
}

// Whether `input` is the output file: two spellings (./g.txt, g.txt) or a
// link may name one.
bool is_output(const PackOptions &o, const std::string &input)
{
    return input == o.out || sys_same_file(input.c_str(), o.out.c_str());
}

// Where the set goes: OUT, or through a symbolic link the file it points to
// (the link kept). Empty, with a problem, when OUT is no regular file, a link
// of a stranger's, or without --force an existing file that is no set the
// game loads.
std::string output_target(const PackOptions &o, std::vector<std::string> &problems)
{
    std::string target, why;
    if (!sys_output_target(o.out, &target, &why)) {
        problems.push_back(o.out + ": " + why);
        return "";
    }
    if (!o.force && sys_same_file(target.c_str(), target.c_str()) && loaded_genres(target, o.format) < 0) {
        problems.push_back(
            formatted(_("%s: exists and is no quiz set the game loads; give --force to replace it"), o.out.c_str()));
        return "";
    }
    return target;
}

// A temporary file beside the output, removed unless it is put in place.
class TempFile {
public:
    TempFile(const std::string &target, const std::string &bytes, std::vector<std::string> &problems)
        : path_(write_temporary(target, bytes, problems))
    {
    }
    ~TempFile()
    {
        if (!path_.empty()) sys_remove_file(path_);
    }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;
    const std::string &path() const { return path_; }
    // Moves the file over `target`; false with the reason in *error.
    bool put_in_place(const std::string &target, std::string *error)
    {
        if (!sys_replace_file(path_, target, error)) return false;
        path_.clear();
        return true;
    }

private:
    std::string path_;
};

// Builds the set, writes it beside the target, reads it back with the game's
// readers and loads it, and only then puts it in place.
void write_set(const PackOptions &o, const std::vector<GenreSource> &genres, const std::string &target,
               std::vector<std::string> &problems)
{
    std::string bytes;
    std::vector<ZipWriterMember> members;
    if (!build_set_bytes(genres, o.format, o.store, bytes, &members)) {
        problems.push_back(formatted(_("%s: the archive could not be built"), o.out.c_str()));
        return;
    }
    TempFile temp(target, bytes, problems);
    if (temp.path().empty()) return;
    std::string().swap(bytes);  // on disk now; the check reads it from there
    if (o.format == PackFormat::Pzq)
        verify_pzq(temp.path(), genres, problems);
    else
        verify_zip(temp.path(), genres, members, problems);
    // Whatever the texts, the set as a whole must load: never a set the game
    // refuses in place of the file that was there. (verify_pzq has read a
    // .pzq file as the game's loader does, every genre's count included; a
    // second load of the largest one costs seconds on Windows.)
    if (problems.empty() && o.format == PackFormat::Zip &&
        loaded_genres(temp.path(), o.format) != static_cast<int>(genres.size()))
        problems.push_back(formatted(_("%s: the written set does not load in the game"), o.out.c_str()));
    std::string error;
    if (problems.empty() && !temp.put_in_place(target, &error)) problems.push_back(o.out + ": " + error);
}

// The genres on stdout, as check lists them.
int list_genres(const PackOptions &o, const std::vector<GenreSource> &genres)
{
    for (size_t k = 0; k < genres.size(); ++k)
        list_row({std::to_string(k), std::to_string(genres[k].questions()), genres[k].text(0)});
    if (listing_written()) return 0;
    fprintf(stderr,
            _("pelzo-quiz pack: %s was written, but its genre list could not be written to standard output: %s\n"),
            escaped(o.out).c_str(), strerror(errno));
    return 1;
}

}  // namespace

int pack_command(int argc, char **argv)
{
    PackOptions o;
    if (const int status = read_options(argc, argv, &o); status >= 0) return status;

    std::vector<PackFinding> findings;
    size_t printed = 0;
    if (!o.font.empty() && is_output(o, o.font)) {
        findings.push_back(
            {PackFindingKind::Error, "",
             formatted(_("%s: is also the output file; packing would overwrite the font"), o.font.c_str())});
        return refuse(findings, &printed, o.out);
    }
    // The font the texts are measured with (--font, or the game's).
    FontAdvancesHandle advances;
    std::string fontProblem, fontNotice;
    if (!open_pack_font(o.font, &advances, &fontProblem, &fontNotice))
        findings.push_back({PackFindingKind::Error, "", fontProblem});
    std::vector<GenreSource> genres;
    read_pack_inputs({o.inputs, o.format, o.name, o.header, o.out}, genres, findings);
    print_findings(findings, &printed);
    if (has_pack_errors(findings)) return refuse(findings, &printed, o.out);

    check_pack_texts(genres, std::move(advances), fontNotice, o.strict, findings);
    print_findings(findings, &printed);
    std::vector<std::string> problems;
    const std::string target = output_target(o, problems);
    add_problems(findings, problems);
    if (has_pack_errors(findings)) return refuse(findings, &printed, o.out);
    write_set(o, genres, target, problems);
    add_problems(findings, problems);
    if (has_pack_errors(findings)) return refuse(findings, &printed, o.out);
    return list_genres(o, genres);
}
