// The unpack command: load with the game's loader, write one genre file per
// genre, read each back as pack would and name what would not pack.
#include "unpack.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "csv_table.h"
#include "diagnose.h"
#include "file_names.h"
#include "format.h"
#include "genre_source.h"
#include "i18n.h"
#include "quiz_load.h"
#include "sys.h"

namespace {

const char kUsage[] = N_("usage: pelzo-quiz unpack SET -o DIR [--csv] [--force]\n");

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

// A CSV table; false when a text holds what a cell cannot (it never does
// after a load, which splits lines).
bool csv_file(const GENRE_DATA &g, std::string &out)
{
    bool ok = write_csv_row(kTableHeader, out);
    for (int q = 0; q < g.count; ++q) {
        std::vector<std::string> cells{g.items[q].text};
        for (const char *choice : g.items[q].choice) cells.emplace_back(choice);
        ok = write_csv_row(cells, out) && ok;
    }
    return ok;
}

// Whether pack would read the file name as a genre file (.txt, .csv or
// .tsv in any case).
bool genre_file_name(const std::string &name)
{
    const std::string folded = fold_file_name(name);
    for (const char *ext : {".txt", ".csv", ".tsv"})
        if (folded.size() > 4 && folded.compare(folded.size() - 4, 4, ext) == 0) return true;
    return false;
}

}  // namespace

int unpack_command(int argc, char **argv)
{
    std::string set, dir;
    bool csv = false, force = false, haveOut = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-o" && !haveOut && i + 1 < argc) {
            dir = win_display_path(argv[++i]);  // as every message names it
            haveOut = true;
        } else if (a == "--csv") {
            csv = true;
        } else if (a == "--force") {
            force = true;
        } else if (a.size() > 1 && a[0] == '-') {
            fprintf(stderr, _("pelzo-quiz unpack: unknown option %s\n"), a.c_str());
            fputs(_(kUsage), stderr);
            return 2;
        } else if (set.empty() && !a.empty()) {
            set = win_display_path(a);
        } else {
            fputs(_(kUsage), stderr);
            return 2;
        }
    }
    if (set.empty() || dir.empty()) {
        fputs(_(kUsage), stderr);
        return 2;
    }

    if (!load_and_explain(set.c_str())) return 1;
    warn_after_load(set.c_str());

    // Every genre's file name, decided over all the names at once.
    std::vector<std::string> wanted;
    for (int g = 0; g < g_genreCount; ++g) {
        const std::string stem = genre_file_stem(g_genres[g].name);
        wanted.push_back(csv ? stem : std::to_string(g) + "_" + stem);
    }
    const std::vector<std::string> names = distinct_file_names(wanted, csv ? ".csv" : ".txt");

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
    for (int g = 0; g < g_genreCount; ++g) {
        const GENRE_DATA &genre = g_genres[g];
        const std::string path = folder.prefix + names[g];
        std::string bytes;
        if (csv) {
            csv_file(genre, bytes);
            // A table's genre name is its file name.
            if (names[g] != std::string(genre.name) + ".csv")
                problems.push_back(
                    format_text(_("%s: the genre name \"%s\" cannot be this file's name; rename the file to "
                                  "the genre name, or pack it alone with --name"),
                                path.c_str(), excerpt(genre.name).c_str()));
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
    std::vector<std::string> others;
    for (const std::string &entry : win_out_folder_entries(folder)) {
        if (!genre_file_name(entry)) continue;
        bool ours = false;
        for (const std::string &name : names) ours = ours || fold_file_name(name) == fold_file_name(entry);
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
