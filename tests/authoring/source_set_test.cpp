// SPDX-License-Identifier: MIT
// The game opening a teacher's sources loads exactly the set pelzo-quiz pack
// makes of them (texts, choices, order, genre names), or refuses them with
// pack's own errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pack_warnings.h"
#include "quiz_load.h"
#include "source_problems.h"
#include "source_set.h"

namespace {

struct Case {
    std::string name, dir;
    std::vector<std::string> files;
};

std::vector<Case> cases()
{
    std::vector<Case> list;
    std::ifstream in(std::string(PELZO_AUTHORING_CASES) + "/cases.txt");
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        Case c;
        std::string files;
        std::getline(fields, c.name, '\t');
        std::getline(fields, c.dir, '\t');
        std::getline(fields, files);
        std::istringstream names(files);
        for (std::string f; std::getline(names, f, ';');) c.files.push_back(f);
        list.push_back(c);
    }
    return list;
}

// The genre table as lines: each genre's name, then each question's text and
// choices.
std::vector<std::string> table()
{
    std::vector<std::string> lines;
    for (int g = 0; g < g_genreCount; ++g) {
        lines.push_back("genre " + std::to_string(g) + ": " + g_genres[g].name);
        for (int q = 0; q < g_genres[g].count; ++q) {
            lines.push_back(g_genres[g].items[q].text);
            for (const char *choice : g_genres[g].items[q].choice) lines.push_back(choice);
        }
    }
    return lines;
}

std::vector<std::string> read_lines(const std::string &path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool exists(const std::string &path) { return std::filesystem::exists(path); }

// The lines about the case's own files (pack's and the game's alike name
// them as given), pack's "place: 警告: text" worded as the game lists it.
std::vector<std::string> about_files(const std::vector<std::string> &lines, const Case &c)
{
    std::vector<std::string> out;
    for (std::string line : lines) {
        bool own = false;
        for (const std::string &f : c.files) own |= line.rfind(f + ":", 0) == 0;
        if (!own) continue;
        const size_t warning = line.find(": 警告: ");
        if (warning != std::string::npos) line.erase(warning, sizeof "警告: " - 1);
        out.push_back(line);
    }
    return out;
}

std::vector<std::string> warnings_said(const std::string &base, const Case &c)
{
    std::vector<std::string> warnings;
    for (const std::string &line : read_lines(base + ".said"))
        if (line.find(": 警告: ") != std::string::npos) warnings.push_back(line);
    return about_files(warnings, c);
}

}  // namespace

TEST(SourceSet, LoadsThePackedSetOrRefusesWithPacksErrors)
{
    const std::vector<Case> all = cases();
    ASSERT_GE(all.size(), 16u);
    const std::filesystem::path before = std::filesystem::current_path();
    int zips = 0, pzqs = 0, refusals = 0, warned = 0;
    FontAdvancesHandle font;
    std::string fontProblem, fontNotice;
    open_pack_font("", &font, &fontProblem, &fontNotice);
    const bool measured = font != nullptr;
    for (const Case &c : all) {
        SCOPED_TRACE(c.name);
        const std::string base = std::string(PELZO_AUTHORING_CASES) + "/" + c.name;
        std::vector<std::string> packed;
        std::string kind;
        if (exists(base + ".zip") || exists(base + ".pzq")) {
            kind = exists(base + ".zip") ? ".zip" : ".pzq";
            ASSERT_TRUE(load_quiz_file((base + kind).c_str())) << g_errorMsg;
            packed = table();
            free_genres();
        }
        // The sources are named as pack was given them, from their folder.
        std::filesystem::current_path(c.dir);
        std::string bytes, fileName;
        const bool loaded = load_source_set(c.files, &bytes, &fileName);
        std::filesystem::current_path(before);
        if (!packed.empty()) {
            ++(kind == ".zip" ? zips : pzqs);
            ASSERT_TRUE(loaded) << g_errorMsg << " "
                                << (g_sourceProblems.errors.empty() ? "" : g_sourceProblems.errors[0]);
            EXPECT_EQ(table(), packed);
            EXPECT_TRUE(g_sourceProblems.errors.empty());
            EXPECT_EQ(fileName.substr(fileName.size() - 4), kind);
            // The warnings pack gave of the files, in its order and words;
            // without the game's font (Node has none) only those that need
            // no measuring, and none of its own.
            const std::vector<std::string> said = warnings_said(base, c);
            const std::vector<std::string> listed = about_files(g_sourceProblems.warnings, c);
            if (measured) {
                EXPECT_EQ(listed, said);
            } else {
                auto from = said.begin();
                for (const std::string &w : listed) {
                    from = std::find(from, said.end(), w);
                    ASSERT_NE(from, said.end()) << w;
                }
            }
            warned += !listed.empty();
            free_genres();
            continue;
        }
        ++refusals;
        EXPECT_FALSE(loaded);
        EXPECT_EQ(g_genreCount, 0);
        EXPECT_NE(std::string(g_errorMsg).find("誤り"), std::string::npos) << g_errorMsg;
        // pack's errors are the lines before its last ("... not written").
        ASSERT_TRUE(exists(base + ".refused"));
        std::vector<std::string> said = read_lines(base + ".said");
        ASSERT_FALSE(g_sourceProblems.errors.empty());
        ASSERT_GT(said.size(), g_sourceProblems.errors.size());
        said.pop_back();
        std::vector<std::string> errors(said.end() - long(g_sourceProblems.errors.size()), said.end());
        for (std::string &e : errors)
            if (e.rfind("pelzo-quiz pack: ", 0) == 0) e.erase(0, 17);
        EXPECT_EQ(g_sourceProblems.errors, errors);
    }
    // Every branch was taken.
    EXPECT_GT(zips, 0);
    EXPECT_GT(pzqs, 0);
    EXPECT_GT(refusals, 0);
    EXPECT_GT(warned, 0);
}

// A genre file with more mistakes than its reader lists: the reader's "more
// not listed" is no error of its own, and the count says it is a least one.
TEST(SourceSet, ACutListCountsOnlyItsErrorsAndSaysThereAreMore)
{
    const std::string path = std::string(PELZO_TEST_OUT) + "/many_mistakes.txt";
    std::ofstream out(path, std::ios::binary);
    out << "ジャンル\n";
    for (int q = 0; q < 30; ++q) out << "問題\n\n誤1\n誤2\n誤3\n誤4\n";  // the right answer left empty
    out.close();
    std::string bytes, name;
    ASSERT_FALSE(load_source_set({path}, &bytes, &name));
    EXPECT_TRUE(g_sourceProblems.errorsCut);
    for (const std::string &e : g_sourceProblems.errors) EXPECT_EQ(e.rfind("many_mistakes.txt:", 0), 0u) << e;
    EXPECT_NE(std::string(g_errorMsg).find(std::to_string(g_sourceProblems.errors.size()) + " 件以上"),
              std::string::npos)
        << g_errorMsg;
}
