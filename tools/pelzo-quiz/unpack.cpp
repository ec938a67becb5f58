// The unpack command: load with the game's loader, write one genre file per
// genre, read each back as pack would and name what would not pack.
#include "unpack.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
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

int usage_error(const std::string &what) { return ::usage_error("pelzo-quiz unpack", what, _(kUsage)); }

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
                                           "characters, none of [ ] : * ? / \\, one of a kind), so the sheet is "
                                           "named \"%s\", which packing the workbook takes as the genre's name: "
                                           "give the sheet the name you want within those rules"),
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

const char *unpack_usage() { return _(kUsage); }

int unpack_command(int argc, char **argv)
{
    std::string set, dir;
    bool csv = false, xlsx = false, force = false, haveOut = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-o") {
            if (haveOut) return usage_error(_("-o is given twice"));
            if (i + 1 >= argc) return usage_error(_("-o needs a value"));
            dir = win_display_path(argv[++i]);  // as every message names it
            haveOut = true;
        } else if (a == "--csv") {
            csv = true;
        } else if (a == "--xlsx") {
            xlsx = true;
        } else if (a == "--force") {
            force = true;
        } else if (asks_for_help(a)) {
            return print_usage(_(kUsage));
        } else if (a.size() > 1 && a[0] == '-') {
            return usage_error(formatted(_("unknown option %s"), escaped(a).c_str()));
        } else if (a.empty()) {
            return usage_error(_("SET is empty"));
        } else if (!set.empty()) {
            return usage_error(formatted(_("extra argument %s: unpack takes one SET"), escaped(a).c_str()));
        } else {
            set = win_display_path(a);
        }
    }
    if (set.empty()) return usage_error(_("SET is missing: name the set to unpack"));
    if (!haveOut) return usage_error(_("-o DIR is missing: name the folder to write to"));
    if (dir.empty()) return usage_error(_("-o DIR is empty: name the folder to write to"));
    if (csv && xlsx) return usage_error(_("--csv and --xlsx exclude each other"));

    if (!load_and_explain(set.c_str())) return 1;
    warn_after_load(set.c_str());

    // Every genre's file name, decided over all the names at once. The
    // index in front keeps the genres' order in the files' name order, which
    // is the order `pack DIR/*` is given them; pack drops it from a table's
    // name.
    std::vector<std::string> wanted;
    for (int g = 0; g < g_genreCount; ++g)
        wanted.push_back(std::to_string(g) + "_" + genre_file_stem(g_genres[g].name));
    std::vector<std::string> genreNames;
    for (int g = 0; g < g_genreCount; ++g) genreNames.emplace_back(g_genres[g].name);
    const std::vector<std::string> sheetNames = xlsx_sheet_names(genreNames);
    const std::vector<std::string> names =
        xlsx ? std::vector<std::string>{set_stem(set) + ".xlsx"} : distinct_file_names(wanted, csv ? ".csv" : ".txt");

    std::string why;
    OutFolder folder;
    if (!win_open_out_folder(dir.c_str(), &folder, &why)) {
        fprintf(stderr, "%s: %s\n", dir.c_str(), why.c_str());
        free_genres();
        return 1;
    }
    // The checks and the writes go to the one folder opened here, and every
    // file is created anew or replaces what holds its name, never writing
    // through a link: a file or a link put there meanwhile is no way out.
    const std::vector<std::string> before = win_out_folder_entries(folder);
    if (!before.empty() && !force) {
        fprintf(stderr, _("%s: the folder holds files; give --force to write into it anyway\n"), dir.c_str());
        win_close_out_folder(&folder);
        free_genres();
        return 1;
    }
    for (const std::string &name : names) {
        if (!win_out_folder_holds(folder, name, set.c_str())) continue;
        fprintf(stderr, _("%s: is also the output file %s%s; unpacking would overwrite it\n"), set.c_str(),
                folder.prefix.c_str(), name.c_str());
        win_close_out_folder(&folder);
        free_genres();
        return 1;
    }

    const PackFormat format = is_pzq_path(set.c_str()) ? PackFormat::Pzq : PackFormat::Zip;
    std::vector<std::string> problems, written;
    bool allWritten = true;
    if (xlsx) {
        const std::string path = folder.prefix + names[0];
        const std::string bytes = xlsx_file(sheetNames);
        if (bytes.empty() || !win_write_in_folder(folder, names[0], bytes.data(), bytes.size(), force, &why)) {
            problems.push_back(path + ": " + (bytes.empty() ? std::string(_("the workbook could not be built")) : why));
            allWritten = false;
        } else {
            written.push_back(path);
            check_workbook(path, genreNames, format, problems);
        }
    }
    for (int g = 0; g < g_genreCount && !xlsx; ++g) {
        const GENRE_DATA &genre = g_genres[g];
        const std::string path = folder.prefix + names[g];
        std::string bytes;
        if (csv) {
            csv_file(genre, bytes);
            // A table's genre name is its file name, after the index.
            if (table_genre_name(names[g]) != genre.name)
                problems.push_back(path + ": " +
                                   formatted(_("the genre name \"%s\" cannot be this file's name; rename the file "
                                               "to the index, \"_\" and the genre name, or pack it alone with --name"),
                                             excerpt(genre.name).c_str()));
        } else {
            bytes = text_file(genre);
        }
        if (!win_write_in_folder(folder, names[g], bytes.data(), bytes.size(), force, &why)) {
            problems.push_back(path + ": " + why);
            allWritten = false;
            continue;
        }
        written.push_back(path);
        GenreSource source;
        read_genre_source(path, format, "", source, problems);
    }
    free_genres();

    // Genre files of an earlier unpack, or of the author, that `pack DIR/*`
    // would take with this set. They are named, never removed: whose they
    // are cannot be told.
    // A name this unpack wrote is ours; so is one that differs from it only
    // in case where the file system kept the earlier spelling for the file
    // it replaced (the name written is then not in the folder). Where case
    // tells files apart, "0_Z.txt" beside a new "0_z.txt" is another file.
    std::vector<std::string> others;
    const std::vector<std::string> after = win_out_folder_entries(folder);
    for (const std::string &entry : after) {
        if (!genre_file_name(entry)) continue;
        bool ours = false;
        for (const std::string &name : names)
            ours = ours || name == entry ||
                   (fold_file_name(name) == fold_file_name(entry) &&
                    std::find(after.begin(), after.end(), name) == after.end());
        if (!ours) others.push_back(folder.prefix + entry);
    }
    win_close_out_folder(&folder);

    for (const std::string &p : written) printf("%s\n", escaped(p).c_str());
    const bool listed = fflush(stdout) == 0 && !ferror(stdout);
    const int listError = errno;
    for (const std::string &p : problems) fprintf(stderr, "%s\n", escaped(p).c_str());
    if (!problems.empty() && allWritten)
        fprintf(stderr,
                _("pelzo-quiz unpack: every file was written, but those named above would not pack back as they "
                  "stand\n"));
    else if (!allWritten)
        fprintf(stderr,
                _("pelzo-quiz unpack: not every genre was written; the files listed do not make the whole set\n"));
    for (const std::string &p : others)
        fprintf(stderr,
                _("%s: warning: not written by this unpack; packing the folder's files would add it to the set\n"),
                escaped(p).c_str());
    if (!others.empty())
        fprintf(stderr,
                P_("pelzo-quiz unpack: %s holds %zu genre file of another set: move it away before packing\n",
                   "pelzo-quiz unpack: %s holds %zu genre files of another set: move them away before packing\n",
                   others.size()),
                dir.c_str(), others.size());
    if (!listed)
        fprintf(stderr, _("pelzo-quiz unpack: the list of files written could not be written to standard output: %s\n"),
                strerror(listError));
    return problems.empty() && others.empty() && listed ? 0 : 1;
}
