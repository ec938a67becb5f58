// SPDX-License-Identifier: MIT
#include "source_set.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "authoring_i18n.h"
#include "message_catalog.h"
#include "pack_pipeline.h"
#include "pack_warnings.h"
#include "quiz_load.h"
#include "source_problems.h"
#include "utf8.h"

namespace {

// Entries of a folder looked at before it is refused as too large to be a
// teacher's folder of sources.
constexpr size_t kMaxFolderEntries = 10000;

// The messages are Japanese whatever the locale.
const char *japanese_text(const char *english)
{
    return catalog_text(g_japaneseCatalog, g_japaneseCatalogSize, english);
}
const char *japanese_plural(const char *one, const char *many, unsigned long n)
{
    return catalog_plural(g_japaneseCatalog, g_japaneseCatalogSize, one, many, n);
}

std::filesystem::path fs_path(const std::string &utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8_name(const std::filesystem::path &p)
{
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

// The source files of a folder in name order; false, with the reason in
// *error, when it holds none, more than kMaxFolderSources, or cannot be read.
bool folder_sources(const std::string &folder, std::vector<std::string> *paths, std::string *error)
{
    std::error_code ec;
    std::vector<std::string> found;
    size_t seen = 0;
    for (std::filesystem::directory_iterator it(fs_path(folder), ec), end; !ec && it != end; it.increment(ec)) {
        if (++seen > kMaxFolderEntries) break;
        const std::string path = utf8_name(it->path());
        const std::string name = utf8_name(it->path().filename());
        // Not the lock file a spreadsheet keeps beside a workbook it has
        // open (~$quiz.xlsx), nor a hidden file (a Mac's ._quiz.xlsx).
        if (name.rfind("~$", 0) == 0 || name.rfind(".", 0) == 0 || !is_source_path(path.c_str())) continue;
        std::error_code kindError;
        if (!it->is_regular_file(kindError)) continue;
        found.push_back(path);
        if (found.size() > size_t(kMaxFolderSources)) break;
    }
    if (ec) {
        *error = folder + ": フォルダを読めません";
        return false;
    }
    if (seen > kMaxFolderEntries || found.size() > size_t(kMaxFolderSources)) {
        *error = formatted("%s: 問題の表・テキストが多すぎます。1 つのフォルダから開けるのは %d 個までです",
                           folder.c_str(), kMaxFolderSources);
        return false;
    }
    if (found.empty()) {
        *error = folder + ": 問題の表・テキスト (.xlsx .ods .csv .tsv .txt) がありません";
        return false;
    }
    std::sort(found.begin(), found.end());
    *paths = std::move(found);
    return true;
}

// A line of the panel: the finding as pack words it, a source named by its
// file's name (a teacher knows quiz.xlsx, not the folder it was opened
// from, nor the page's in-memory path), and without the tool's name in
// front of what concerns the sources as a whole.
std::string problem_line(const PackFinding &f, const std::vector<std::string> &inputs)
{
    std::string line = f.line();
    static const char kToolPrefix[] = "pelzo-quiz pack: ";
    if (line.compare(0, sizeof kToolPrefix - 1, kToolPrefix) == 0) line.erase(0, sizeof kToolPrefix - 1);
    for (const std::string &input : inputs)
        if (line.size() > input.size() && line.compare(0, input.size(), input) == 0 && line[input.size()] == ':') {
            line.replace(0, input.size(), utf8_name(fs_path(input).filename()));
            break;
        }
    return escaped(line);
}

// Whether a finding is a reader's word that it stopped listing its file's
// problems: no error of its own, but a sign that the count is a lower bound.
bool is_listing_cut(const PackFinding &f)
{
    const std::string marker = std::string(": ") + _("more problems not listed; fix these first");
    return f.text.size() >= marker.size() && f.text.compare(f.text.size() - marker.size(), marker.size(), marker) == 0;
}

void list_findings(const std::vector<PackFinding> &findings, const std::vector<std::string> &inputs)
{
    for (const PackFinding &f : findings) {
        std::vector<std::string> *list = f.kind == PackFindingKind::Error     ? &g_sourceProblems.errors
                                         : f.kind == PackFindingKind::Warning ? &g_sourceProblems.warnings
                                                                              : nullptr;
        if (!list) continue;  // notes: a skipped hidden sheet, a table read as Shift-JIS
        if (list == &g_sourceProblems.errors && is_listing_cut(f)) {
            g_sourceProblems.errorsCut = true;
            continue;
        }
        size_t &unlisted =
            list == &g_sourceProblems.errors ? g_sourceProblems.unlistedErrors : g_sourceProblems.unlistedWarnings;
        if (list->size() < kListedProblems)
            list->push_back(problem_line(f, inputs));
        else
            ++unlisted;
    }
}

void refuse(size_t errors)
{
    free_genres();
    utf8_copy_cut(
        g_errorMsg, kErrorMsgSize,
        formatted("問題ファイルに %zu 件%sの誤りがあります", errors, g_sourceProblems.errorsCut ? "以上" : "").c_str());
}

// The first source's name with the set's extension in place of its own.
std::string set_file_name(const std::string &source, PackFormat format)
{
    std::string name = utf8_name(fs_path(source).filename());
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    if (name.empty()) name = "quiz";
    return name + (format == PackFormat::Pzq ? ".pzq" : ".zip");
}

}  // namespace

bool is_source_path(const char *path) { return path && source_extension(path); }

bool is_folder_path(const char *path)
{
    std::error_code ec;
    return path && path[0] && std::filesystem::is_directory(fs_path(path), ec);
}

bool load_source_set(const std::vector<std::string> &paths, std::string *bytes, std::string *fileName)
{
    authoring_set_translation(japanese_text, japanese_plural);
    g_sourceProblems = SourceProblems{};
    free_genres();

    std::vector<std::string> inputs = paths;
    if (paths.size() == 1 && is_folder_path(paths[0].c_str())) {
        std::string error;
        if (!folder_sources(paths[0], &inputs, &error)) {
            g_sourceProblems.errors.push_back(escaped(error));
            refuse(1);
            return false;
        }
    }

    // Read as for a ZIP set first; texts too long for a ZIP line read again
    // for a .pzq file, as pack -o x.pzq would.
    PackInputs in{inputs, PackFormat::Zip, "", HeaderRow::Auto, ""};
    std::vector<GenreSource> genres;
    std::vector<PackFinding> findings;
    read_pack_inputs(in, genres, findings);
    if (has_pack_errors(findings)) {
        in.format = PackFormat::Pzq;
        std::vector<GenreSource> pzqGenres;
        std::vector<PackFinding> pzqFindings;
        read_pack_inputs(in, pzqGenres, pzqFindings);
        if (!has_pack_errors(pzqFindings)) {
            genres = std::move(pzqGenres);
            findings = std::move(pzqFindings);
        } else {
            in.format = PackFormat::Zip;
        }
    }
    if (has_pack_errors(findings)) {
        list_findings(findings, inputs);
        refuse(g_sourceProblems.errors.size() + g_sourceProblems.unlistedErrors);
        return false;
    }

    // Measured in the game's own font, as pack measures them.
    FontAdvancesHandle advances;
    std::string fontProblem, fontNotice;
    open_pack_font("", &advances, &fontProblem, &fontNotice);
    const size_t unlisted = check_pack_texts(genres, std::move(advances), fontNotice, false, findings);
    list_findings(findings, inputs);
    g_sourceProblems.unlistedWarnings += unlisted;

    std::string built;
    if (!build_set_bytes(genres, in.format, false, built)) {
        g_sourceProblems.errors.push_back(
            escaped(formatted(_("%s: the archive could not be built"), inputs[0].c_str())));
        refuse(1);
        return false;
    }
    std::vector<GenreSource>().swap(genres);  // the set's bytes hold them now
    bool loaded;
    if (in.format == PackFormat::Pzq) {
        loaded = load_pzq_bytes(built);
    } else {
        ZipArchive archive;
        archive.bytes = reinterpret_cast<unsigned char *>(built.data());
        archive.size = built.size();
        loaded = load_zip_archive(archive);  // reads the image only; the string keeps it
    }
    if (!loaded) return false;  // the loader's own message is in g_errorMsg
    *fileName = set_file_name(inputs[0], in.format);
    *bytes = std::move(built);
    return true;
}
