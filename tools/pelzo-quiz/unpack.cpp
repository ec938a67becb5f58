// SPDX-License-Identifier: MIT
// The unpack command: load with the game's loader, write one genre file per
// genre, read each back as pack would and name what would not pack.
#include "unpack.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "csv_table.h"
#include "diagnose.h"
#include "file_names.h"
#include "format.h"
#include "genre_source.h"
#include "i18n.h"
#include "quiz_load.h"
#include "report.h"
#include "sys.h"
#include "usage.h"
#include "workbook.h"

namespace {

const char kUsage[] =
    N_("usage: pelzo-quiz unpack SET -o DIR [--csv|--xlsx] [--force]\n"
       "  writes each genre as N_<genre>.txt (or .csv with --csv), N its index, so that\n"
       "  `pelzo-quiz pack -o SET DIR/*.txt` (or DIR/*.csv) packs the genres in their order\n"
       "  --csv    tables of one question per row instead of text files\n"
       "  --xlsx   one workbook, <set>.xlsx, a sheet per genre in their order\n"
       "  --force  write into a folder that already holds files\n");

int usage_error(const std::string &what) { return ::usage_error("pelzo-quiz unpack", what, unpack_usage()); }

// The header row of a written table; pack skips it (問題 then 正解).
const std::vector<std::string> kTableHeader = {"問題", "正解", "誤答1", "誤答2", "誤答3", "誤答4"};

// The genre's lines in the layout pack reads: the name, then per question
// the question, the right answer and the four wrong answers.
std::vector<std::string> genre_lines(const GENRE_DATA &g)
{
    std::vector<std::string> lines{g.name};
    for (int q = 0; q < g.count; ++q) {
        lines.emplace_back(g.items[q].text);
        for (const char *choice : g.items[q].choice) lines.emplace_back(choice);
    }
    return lines;
}

std::string text_file(const GENRE_DATA &g)
{
    std::string out;
    for (const std::string &line : genre_lines(g)) out += line + "\n";
    return out;
}

// A genre's questions as rows of six cells.
std::vector<std::vector<std::string>> question_rows(const GENRE_DATA &g)
{
    std::vector<std::vector<std::string>> rows;
    for (int q = 0; q < g.count; ++q) {
        std::vector<std::string> cells{g.items[q].text};
        for (const char *choice : g.items[q].choice) cells.emplace_back(choice);
        rows.push_back(std::move(cells));
    }
    return rows;
}

// The whole set as one workbook, a sheet per genre in genre order.
std::string xlsx_file(const std::vector<std::string> &sheetNames)
{
    std::vector<std::string> sheets;  // built one genre at a time: a set can be large
    for (int g = 0; g < g_genreCount; ++g) sheets.push_back(xlsx_sheet(kTableHeader, question_rows(g_genres[g])));
    return xlsx_book(sheetNames, std::move(sheets));
}

// Reads a written workbook back as pack would, and names each sheet whose
// name could not be its genre's.
void check_workbook(const std::string &path, const std::vector<std::string> &genreNames, PackFormat format,
                    std::vector<std::string> &problems)
{
    std::vector<WorkbookSheet> sheets;
    if (!read_workbook(path, WorkbookKind::Xlsx, sheets, problems)) return;
    for (size_t k = 0; k < sheets.size(); ++k) {
        const std::string where = path + ":" + sheets[k].name;
        GenreSource source;
        genre_from_rows(where, sheets[k].rows, sheets[k].name, GenreNameFrom::Sheet, format, source, problems);
        std::vector<TableRow>().swap(sheets[k].rows);  // checked: not needed again
        if (k < genreNames.size() && sheets[k].name != genreNames[k])
            problems.push_back(where + ": " +
                               formatted(_("the genre name \"%s\" cannot be a sheet's name (at most 31 "
                                           "characters; none of [ ] : * ? / \\ or a control character; no ' first "
                                           "or last; not History; unlike the other sheets' names, case aside), so "
                                           "the sheet is named \"%s\", which packing the workbook takes as the "
                                           "genre's name: give the sheet the name you want within those rules"),
                                         excerpt(genreNames[k]).c_str(), excerpt(sheets[k].name).c_str()));
    }
}

// A CSV table; false when a text holds what a cell cannot (it never does
// after a load, which splits lines).
bool csv_file(const GENRE_DATA &g, std::string &out)
{
    bool ok = write_csv_row(kTableHeader, out);
    for (const std::vector<std::string> &cells : question_rows(g)) ok = write_csv_row(cells, out) && ok;
    return ok;
}

// Whether pack would read the file name as a genre file (.txt, .csv or
// .tsv in any case) or a workbook of genres (.xlsx, .ods).
bool genre_file_name(const std::string &name)
{
    const std::string folded = fold_file_name(name);
    for (const char *ext : {".txt", ".csv", ".tsv", ".ods"})
        if (folded.size() > 4 && folded.compare(folded.size() - 4, 4, ext) == 0) return true;
    return folded.size() > 5 && folded.compare(folded.size() - 5, 5, ".xlsx") == 0;
}

// The set's file name without folder and extension, as a file name.
std::string set_stem(const std::string &set)
{
    const size_t slash = set.find_last_of("/\\");
    std::string name = slash == std::string::npos ? set : set.substr(slash + 1);
    name = name.substr(0, name.rfind('.'));
    return genre_file_stem(name.c_str());
}

}  // namespace

namespace {

// What the command line asks for.
struct UnpackOptions {
    std::string set, dir;
    bool csv = false, xlsx = false, force = false;
};

// Reads the command line into *o. Returns -1 to go on, else the exit status.
int read_options(int argc, char **argv, UnpackOptions *o)
{
    CommandLine line;
    std::string what;
    if (!read_command_line(argc, argv, {{"-o", true}, {"--csv"}, {"--xlsx"}, {"--force"}}, &line, &what))
        return usage_error(what);
    if (line.help) return print_usage(unpack_usage());
    for (const std::string &operand : line.operands) {
        if (operand.empty()) return usage_error(_("SET is empty"));
        if (!o->set.empty())
            return usage_error(formatted(_("extra argument %s: unpack takes one SET"), operand.c_str()));
        o->set = sys_display_path(operand);  // as every message names it
    }
    o->dir = sys_display_path(line.value("-o"));
    o->csv = line.has("--csv");
    o->xlsx = line.has("--xlsx");
    o->force = line.has("--force");
    if (o->set.empty()) return usage_error(_("SET is missing: name the set to unpack"));
    if (!line.has("-o")) return usage_error(_("-o DIR is missing: name the folder to write to"));
    if (o->dir.empty()) return usage_error(_("-o DIR is empty: name the folder to write to"));
    if (o->csv && o->xlsx) return usage_error(_("--csv and --xlsx exclude each other"));
    return -1;
}

// The set loaded into the game's genre table, released with it.
struct LoadedSet {
    bool loaded;
    explicit LoadedSet(const std::string &set) : loaded(load_and_explain(set.c_str())) {}
    ~LoadedSet() { free_genres(); }
    LoadedSet(const LoadedSet &) = delete;
    LoadedSet &operator=(const LoadedSet &) = delete;
};

// The output folder, closed with it.
struct OpenFolder {
    OutFolder folder;
    ~OpenFolder() { sys_close_out_folder(&folder); }
};

// Every genre's file name, decided over all the names at once. The index in
// front keeps the genres' order in the files' name order, which is the order
// `pack DIR/*` is given them; pack drops it from a table's name.
std::vector<std::string> output_names(const UnpackOptions &o)
{
    if (o.xlsx) return {set_stem(o.set) + ".xlsx"};
    std::vector<std::string> wanted;
    for (int g = 0; g < g_genreCount; ++g)
        wanted.push_back(std::to_string(g) + "_" + genre_file_stem(g_genres[g].name));
    return distinct_file_names(wanted, o.csv ? ".csv" : ".txt");
}

// Opens DIR and checks that writing there harms nothing: a folder holding
// files only with --force, and never over the set itself. The checks and
// the writes go to the one folder opened here, and every file is created
// anew or replaces what holds its name, never writing through a link: a
// file or a link put there meanwhile is no way out.
bool open_output(const UnpackOptions &o, const std::vector<std::string> &names, OpenFolder &out)
{
    std::string why;
    if (!sys_open_out_folder(o.dir.c_str(), &out.folder, &why)) {
        report_error(o.dir, why);
        return false;
    }
    if (!sys_out_folder_entries(out.folder).empty() && !o.force) {
        report_error(o.dir, _("the folder holds files; give --force to write into it anyway"));
        return false;
    }
    for (const std::string &name : names) {
        if (!sys_out_folder_holds(out.folder, name, o.set.c_str())) continue;
        report_error(o.set, formatted(_("is also the output file %s; unpacking would overwrite it"),
                                      (out.folder.prefix + name).c_str()));
        return false;
    }
    return true;
}

// What writing found: the files written, and what would not pack back.
struct Written {
    std::vector<std::string> files, problems;
    bool all = true;
};

// The whole set as one workbook, read back as pack would read it.
void write_workbook(const UnpackOptions &o, const OutFolder &folder, const std::string &name, PackFormat format,
                    Written &w)
{
    std::vector<std::string> genreNames;
    for (int g = 0; g < g_genreCount; ++g) genreNames.emplace_back(g_genres[g].name);
    const std::string path = folder.prefix + name, bytes = xlsx_file(xlsx_sheet_names(genreNames));
    std::string why;
    if (bytes.empty() || !sys_write_in_folder(folder, name, bytes.data(), bytes.size(), o.force, &why)) {
        w.problems.push_back(path + ": " + (bytes.empty() ? std::string(_("the workbook could not be built")) : why));
        w.all = false;
        return;
    }
    w.files.push_back(path);
    check_workbook(path, genreNames, format, w.problems);
}

// One file per genre, each read back as pack would read it.
void write_genre_files(const UnpackOptions &o, const OutFolder &folder, const std::vector<std::string> &names,
                       PackFormat format, Written &w)
{
    for (int g = 0; g < g_genreCount; ++g) {
        const GENRE_DATA &genre = g_genres[g];
        const std::string path = folder.prefix + names[g];
        std::string bytes;
        if (o.csv) {
            csv_file(genre, bytes);
            // A table's genre name is its file name, after the index.
            if (table_genre_name(names[g]) != genre.name)
                w.problems.push_back(
                    path + ": " +
                    formatted(_("the genre name \"%s\" cannot be this file's name; rename the file "
                                "to the index, \"_\" and the genre name, or pack it alone with --name"),
                              excerpt(genre.name).c_str()));
        } else {
            bytes = text_file(genre);
        }
        std::string why;
        if (!sys_write_in_folder(folder, names[g], bytes.data(), bytes.size(), o.force, &why)) {
            w.problems.push_back(path + ": " + why);
            w.all = false;
            continue;
        }
        w.files.push_back(path);
        GenreSource source;
        read_genre_source(path, format, "", source, w.problems);
    }
}

// Genre files of an earlier unpack, or of the author, that `pack DIR/*`
// would take with this set. They are named, never removed: whose they are
// cannot be told. A name this unpack wrote is ours; so is one that differs
// from it only in case where the file system kept the earlier spelling for
// the file it replaced (the name written is then not in the folder). Where
// case tells files apart, "0_Z.txt" beside a new "0_z.txt" is another file.
std::vector<std::string> other_genre_files(const OutFolder &folder, const std::vector<std::string> &names)
{
    std::vector<std::string> others;
    const std::vector<std::string> after = sys_out_folder_entries(folder);
    for (const std::string &entry : after) {
        if (!genre_file_name(entry)) continue;
        bool ours = false;
        for (const std::string &name : names)
            ours = ours || name == entry ||
                   (fold_file_name(name) == fold_file_name(entry) &&
                    std::find(after.begin(), after.end(), name) == after.end());
        if (!ours) others.push_back(folder.prefix + entry);
    }
    return others;
}

// The files written on stdout, then what went wrong on stderr.
int report_unpack(const UnpackOptions &o, const Written &w, const std::vector<std::string> &others)
{
    for (const std::string &p : w.files) list_row({p});
    const bool listed = listing_written();
    const int listError = errno;
    report_texts(w.problems);
    constexpr const char *kCommand = "pelzo-quiz unpack";
    if (!w.problems.empty() && w.all)
        report_error(kCommand, _("every file was written, but those named above would not pack back as they stand"));
    else if (!w.all)
        report_error(kCommand, _("not every genre was written; the files listed do not make the whole set"));
    for (const std::string &p : others)
        report_warning(p, _("not written by this unpack; packing the folder's files would add it to the set"));
    if (!others.empty())
        report_error(kCommand, formatted(P_("%s holds %zu genre file of another set: move it away before packing",
                                            "%s holds %zu genre files of another set: move them away before packing",
                                            others.size()),
                                         o.dir.c_str(), others.size()));
    if (!listed)
        report_error(kCommand, formatted(_("the list of files written could not be written to standard output: %s"),
                                         strerror(listError)));
    return w.problems.empty() && others.empty() && listed ? 0 : 1;
}

}  // namespace

const char *unpack_usage()
{
#ifdef _WIN32
    // The command prompt's form of the pattern, which pack expands itself.
    static std::string usage;
    usage = _(kUsage);
    for (size_t at = 0; (at = usage.find("DIR/*", at)) != std::string::npos;) usage[at + 3] = '\\';
    return usage.c_str();
#else
    return _(kUsage);
#endif
}

int unpack_command(int argc, char **argv)
{
    UnpackOptions o;
    if (const int status = read_options(argc, argv, &o); status >= 0) return status;
    Written written;
    std::vector<std::string> others;
    {
        const LoadedSet set(o.set);
        if (!set.loaded) return 1;
        warn_after_load(o.set.c_str());
        const std::vector<std::string> names = output_names(o);
        OpenFolder out;
        if (!open_output(o, names, out)) return 1;
        const PackFormat format = is_pzq_path(o.set.c_str()) ? PackFormat::Pzq : PackFormat::Zip;
        if (o.xlsx)
            write_workbook(o, out.folder, names[0], format, written);
        else
            write_genre_files(o, out.folder, names, format, written);
        others = other_genre_files(out.folder, names);
    }
    return report_unpack(o, written, others);
}
