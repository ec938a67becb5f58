// The unpack command: load with the game's loader, write one genre file per
// genre, read each back as pack would and name what would not pack.
#include "unpack.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "csv_table.h"
#include "diagnose.h"
#include "format.h"
#include "genre_source.h"
#include "quiz_load.h"
#include "sys.h"
#include "utf8.h"

namespace {

const char kUsage[] = "usage: pelzo-quiz unpack SET -o DIR [--csv] [--force]\n";

// The header row of a written table; pack skips it (問題 then 正解).
const std::vector<std::string> kTableHeader = {"問題", "正解", "誤答1", "誤答2", "誤答3", "誤答4"};

bool is_device_name(const std::string &stem)
{
    std::string base = stem.substr(0, stem.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char &c : base) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '1' &&
           base[3] <= '9';
}

// Whether two file names name one file on a system that ignores ASCII case.
bool same_file_name(const std::string &a, const std::string &b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

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

// Writes bytes to path through a file beside it, as pack writes its output.
bool write_into_place(const std::string &path, const std::string &bytes, std::string *why)
{
    std::string target;
    if (!win_output_target(path, &target, why)) return false;
    const std::string temp = win_write_beside(target, bytes.data(), bytes.size(), why);
    if (temp.empty()) return false;
    if (win_replace_file(temp, target, why)) return true;
    win_remove_file(temp);
    return false;
}

}  // namespace

std::string genre_file_stem(const char *name)
{
    std::string out;
    for (const char *p = name; *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        out += c < 0x20 || c == 0x7F || strchr("<>:\"/\\|?*", c) ? '_' : static_cast<char>(c);
    }
    out.resize(utf8_cut_length(out.c_str(), out.size() < 80 ? out.size() : 80));
    while (!out.empty() && (out.back() == '.' || out.back() == ' ')) out.pop_back();
    if (out.empty()) return "genre";
    if (is_device_name(out)) out += "_";
    return out;
}

int unpack_command(int argc, char **argv)
{
    std::string set, dir;
    bool csv = false, force = false, haveOut = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-o" && !haveOut && i + 1 < argc) {
            dir = argv[++i];
            haveOut = true;
        } else if (a == "--csv") {
            csv = true;
        } else if (a == "--force") {
            force = true;
        } else if (a.size() > 1 && a[0] == '-') {
            fprintf(stderr, "pelzo-quiz unpack: unknown option %s\n%s", a.c_str(), kUsage);
            return 2;
        } else if (set.empty() && !a.empty()) {
            set = a;
        } else {
            fputs(kUsage, stderr);
            return 2;
        }
    }
    if (set.empty() || dir.empty()) {
        fputs(kUsage, stderr);
        return 2;
    }

    if (!load_quiz_file(set.c_str())) {
        fprintf(stderr, "%s\n", g_errorMsg);
        diagnose_failure(set.c_str());
        return 1;
    }
    warn_after_load(set.c_str());

    std::string why;
    switch (win_folder_state(dir.c_str(), &why)) {
    case FolderState::Absent:
        if (!win_make_folder(dir.c_str(), &why)) {
            fprintf(stderr, "%s: cannot create the folder: %s\n", dir.c_str(), why.c_str());
            free_genres();
            return 1;
        }
        break;
    case FolderState::Empty: break;
    case FolderState::HasFiles:
        if (force) break;
        fprintf(stderr, "%s: the folder holds files; give --force to write into it anyway\n", dir.c_str());
        free_genres();
        return 1;
    case FolderState::NotFolder:
        fprintf(stderr, "%s: %s\n", dir.c_str(), why.c_str());
        free_genres();
        return 1;
    }

    const PackFormat format = is_pzq_path(set.c_str()) ? PackFormat::Pzq : PackFormat::Zip;
    const std::string folder = dir.back() == '/' || dir.back() == '\\' ? dir : dir + "/";
    std::vector<std::string> problems, written, stems;
    bool allWritten = true;
    for (int g = 0; g < g_genreCount; ++g) {
        const GENRE_DATA &genre = g_genres[g];
        const std::string stem = genre_file_stem(genre.name);
        std::string path, bytes;
        if (csv) {
            // A table's genre name is its file name, so two genres of one
            // name would share a file: the later one gets its index.
            std::string unique = stem;
            for (const std::string &s : stems)
                if (same_file_name(s, unique)) unique = std::to_string(g) + "_" + stem;
            stems.push_back(unique);
            path = folder + unique + ".csv";
            csv_file(genre, bytes);
            if (unique != genre.name)
                problems.push_back(
                    path + ": the genre name \"" + excerpt(genre.name) +
                    "\" cannot be this file's name; rename the file to the genre name, or pack it alone with --name");
        } else {
            path = folder + std::to_string(g) + "_" + stem + ".txt";
            bytes = text_file(genre);
        }
        if (!write_into_place(path, bytes, &why)) {
            problems.push_back(path + ": cannot write: " + why);
            allWritten = false;
            continue;
        }
        written.push_back(path);
        GenreSource source;
        read_genre_source(path, format, "", source, problems);
    }
    free_genres();

    for (const std::string &p : written) printf("%s\n", escaped(p).c_str());
    for (const std::string &p : problems) fprintf(stderr, "%s\n", escaped(p).c_str());
    if (!problems.empty() && allWritten)
        fprintf(stderr,
                "pelzo-quiz unpack: every file was written, but those named above would not pack back as they stand\n");
    return problems.empty() ? 0 : 1;
}
