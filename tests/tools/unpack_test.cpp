// SPDX-License-Identifier: MIT
// Tests of `pelzo-quiz unpack`: every set that loads comes back, through its
// genre files (text or CSV) and pack, to the same texts; what cannot be
// packed back is named; a folder holding files is left alone.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "codepage.h"
#include "tool_run.h"
#include "file_names.h"

using ::testing::HasSubstr;

namespace {

std::vector<std::string> stdout_lines(const std::string &out)
{
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Shift-JIS of a UTF-8 text, for building sets by hand.
std::string sjis(const std::string &utf8)
{
    std::string out;
    EXPECT_TRUE(cp932_encode(utf8, &out)) << utf8;
    return out;
}

// Sets built here: texts with spaces at their ends, quotes, commas, half-width
// kana and the longest lines each kind holds, and a .pzq whose middle genres
// are empty.
std::vector<std::string> awkward_sets()
{
    std::string kanji;
    for (int i = 0; i < 170; ++i) kanji += "漢";
    const std::vector<std::string> lines{
        "ジャンル A, B", " 前後に空白 ", "\"引用\"", "a,b", "ｶﾀｶﾅ", "～", kanji, "Q2?", "1", "2", "3", "4", "5",
    };
    const std::vector<std::string> sets{
        fixture::write_file(
            "awkward.zip",
            fixture::zip_archive(
                {{"qtext_0.txt", sjis(fixture::lines(lines, "\r\n"))},
                 {"qtext_1.txt", sjis(fixture::lines({"二つ目", "問", "正", "誤", "誤", "誤", "誤"}, "\r\n"))}})),
        fixture::write_file("gaps.pzq",
                            fixture::pzq_file({2, 0, 0, 3, 0, 0, 0, 1}, {"最初", "", "", "四番目", "", "", "", "ﾗｽﾄ"})),
    };
    return sets;
}

std::vector<std::string> every_set()
{
    std::vector<std::string> sets{
        std::string(PELZO_SOURCE_DIR) + "/data/samples/sample.zip",
        std::string(PELZO_SOURCE_DIR) + "/data/samples/sample.pzq",
        std::string(PELZO_SOURCE_DIR) + "/data/samples/large.zip",
    };
    for (const std::string &s : awkward_sets()) sets.push_back(s);
    // The tables LibreOffice Calc saved, packed into both kinds of set.
    const std::string csv = std::string(PELZO_SOURCE_DIR) + "/tests/fixtures/csv/";
    for (const char *kind : {".zip", ".pzq"}) {
        const std::string set = fixture::out_path(std::string("calc") + kind);
        EXPECT_EQ(run_tool({"pack", "-o", set, csv + "quiz_utf8.csv", csv + "quiz_sjis.csv"}).exit, 0);
        sets.push_back(set);
    }
    return sets;
}

// Whether a genre name in dump's output holds a control character, which
// dump writes as "\u00XX".
bool genre_name_has_control_character(const std::string &dump)
{
    for (size_t at = dump.find("\"name\":\""); at != std::string::npos; at = dump.find("\"name\":\"", at + 1)) {
        const size_t end = dump.find("\",\"index\"", at);
        if (dump.substr(at, end - at).find("\\u00") != std::string::npos) return true;
    }
    return false;
}

}  // namespace

TEST(Unpack, EverySetThatLoadsPacksBackToTheSameTexts)
{
    int roundTrips = 0;
    int n = 0;
    for (const std::string &set : every_set()) {
        SCOPED_TRACE(set);
        const ToolRun before = run_tool({"dump", set});
        if (before.exit != 0) continue;
        const std::string ext = set.substr(set.size() - 4);
        for (const char *kind : {"", "--csv", "--xlsx"}) {
            const std::string dir = fixture::out_path("unpacked" + std::to_string(n++));
            std::filesystem::remove_all(fixture::fs_path(dir));
            std::vector<std::string> args{"unpack", set, "-o", dir};
            if (*kind) args.push_back(kind);
            const ToolRun un = run_tool(args);
            if (*kind && genre_name_has_control_character(before.out)) {
                // A table's genre name is its file or sheet name, and neither
                // holds a control character (Windows decodes the byte 0x80 of
                // a set to U+0080): unpack says so rather than rename the genre.
                EXPECT_EQ(un.exit, 1);
                EXPECT_THAT(un.err, HasSubstr(std::string(kind) == "--csv" ? "cannot be this file's name"
                                                                           : "cannot be a sheet's name"));
                ++roundTrips;
                continue;
            }
            ASSERT_EQ(un.exit, 0) << un.err;
            // Packed as `pack -o SET DIR/*` gives them: in the files' name
            // order, which is the genres' order.
            std::vector<std::string> files;
            for (const auto &entry : std::filesystem::directory_iterator(fixture::fs_path(dir))) {
                const std::u8string name = entry.path().filename().u8string();
                files.push_back(dir + "/" + std::string(name.begin(), name.end()));
            }
            std::sort(files.begin(), files.end());
            EXPECT_EQ(files.size(), stdout_lines(un.out).size());
            std::vector<std::string> pack{"pack", "-o", fixture::out_path("again" + ext)};
            pack.insert(pack.end(), files.begin(), files.end());
            const ToolRun packed = run_tool(pack);
            ASSERT_EQ(packed.exit, 0) << packed.err;
            EXPECT_EQ(run_tool({"dump", fixture::out_path("again" + ext)}).out, before.out) << kind;
            ++roundTrips;
        }
    }
    EXPECT_EQ(roundTrips, 3 * 7);  // every set above loads
}

TEST(Unpack, WhatCannotBePackedBackIsNamedAndStillWritten)
{
    // An empty right answer loads in the game but does not pack; a genre name
    // holding "/" cannot be a table's file name.
    const std::string set = fixture::write_file(
        "empty.zip",
        fixture::zip_archive({{"qtext_0.txt", fixture::lines({"A/B", "Q", "", "w1", "w2", "w3", "w4"}, "\r\n")}}));
    const std::string dir = fixture::out_path("out");
    std::filesystem::remove_all(fixture::fs_path(dir));
    const ToolRun txt = run_tool({"unpack", set, "-o", dir});
    EXPECT_EQ(txt.exit, 1);
    EXPECT_THAT(txt.err, HasSubstr(shown_path(dir + "/0_A_B.txt") + ":3: empty line where the right answer belongs"));
    EXPECT_EQ(slurp(dir + "/0_A_B.txt"), "A/B\nQ\n\nw1\nw2\nw3\nw4\n");

    const ToolRun csv = run_tool({"unpack", set, "-o", dir, "--csv", "--force"});
    EXPECT_EQ(csv.exit, 1);
    EXPECT_THAT(csv.err,
                HasSubstr(shown_path(dir + "/0_A_B.csv") + ": the genre name \"A/B\" cannot be this file's name"));
    EXPECT_THAT(csv.err, HasSubstr(shown_path(dir + "/0_A_B.csv") + ":2:2: empty cell"));
    EXPECT_TRUE(std::filesystem::exists(fixture::fs_path(dir + "/0_A_B.csv")));

    const ToolRun xlsx = run_tool({"unpack", set, "-o", dir, "--xlsx", "--force"});
    EXPECT_EQ(xlsx.exit, 1);
    EXPECT_THAT(xlsx.err,
                HasSubstr(shown_path(dir + "/empty.xlsx") + ":A_B: the genre name \"A/B\" cannot be a sheet's name"));
    EXPECT_THAT(xlsx.err, HasSubstr(shown_path(dir + "/empty.xlsx") + ":A_B:2:2: empty cell"));
}

TEST(Unpack, AFolderHoldingFilesIsLeftAloneWithoutForce)
{
    const std::string set = std::string(PELZO_SOURCE_DIR) + "/data/samples/sample.zip";
    const std::string dir = fixture::out_path("full");
    std::filesystem::remove_all(fixture::fs_path(dir));
    const std::string mine = fixture::write_file("full/0_一般常識.txt", "mine\n");
    const ToolRun refused = run_tool({"unpack", set, "-o", dir});
    EXPECT_EQ(refused.exit, 1);
    EXPECT_EQ(refused.err, shown_path(dir) + ": the folder holds files; give --force to write into it anyway\n");
    EXPECT_EQ(slurp(mine), "mine\n");
    EXPECT_EQ(run_tool({"unpack", set, "-o", dir, "--force"}).exit, 0);
    EXPECT_NE(slurp(mine), "mine\n");

    const ToolRun onFile = run_tool({"unpack", set, "-o", mine});
    EXPECT_EQ(onFile.exit, 1);
    EXPECT_EQ(onFile.err, shown_path(mine) + ": is a file\n");
    for (const std::vector<std::string> &args :
         std::vector<std::vector<std::string>>{{"unpack", set},
                                               {"unpack", "-o", dir},
                                               {"unpack", set, "-o", dir, "--zip"},
                                               {"unpack", set, set, "-o", dir}})
        EXPECT_EQ(run_tool(args).exit, 2);
}

TEST(Unpack, GenreNamesBecomeFileNamesEverySystemAccepts)
{
    const struct {
        const char *name, *stem;
    } cases[] = {
        {"動物", "動物"},
        {"a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j"},
        {"tab\there", "tab_here"},
        {"c1\u0080\u009f\u00a0", "c1__\u00a0"},  // C1 controls, which Windows decodes 0x80 to
        {"ends with dots...", "ends with dots"},
        {"  ", "genre"},
        {"", "genre"},
        {"CON", "CON_"},
        {"nul.txt", "nul.txt_"},
        {"com7", "com7_"},
        {"COM0", "COM0_"},
        {"lpt0.x", "lpt0.x_"},
        {"CONIN$", "CONIN$_"},
        {"conout$ .a", "conout$ .a_"},
        {"COM\u00b9", "COM\u00b9_"},
        {"LPT\u00b3", "LPT\u00b3_"},
        {"COM\u2074", "COM\u2074"},
        {"COM10", "COM10"},
        {"CONSOLE", "CONSOLE"},
    };
    for (const auto &c : cases) EXPECT_EQ(genre_file_stem(c.name), c.stem) << c.name;
    // The cut at 80 bytes that leaves a space or a dot at the end: it goes.
    for (const char *tail : {" b", ". b"}) {
        const std::string name = std::string(80 - strlen(tail) + 1, 'a') + tail;
        EXPECT_EQ(genre_file_stem(name.c_str()), name.substr(0, 80 - strlen(tail) + 1)) << name;
    }
    // Long names are cut to 80 bytes at a character boundary.
    std::string kanji;
    for (int i = 0; i < 40; ++i) kanji += "漢";
    EXPECT_EQ(genre_file_stem(kanji.c_str()), kanji.substr(0, 78));
    // Names compared as Windows compares them: case folding at the first and
    // last code point of its runs, and just outside them.
    EXPECT_EQ(fold_file_name("@AZ[`ÀÖ×ØÞßŸĀĮį\U0001E900\U0001E921\U0001E922"),
              "@az[`àö×øþßÿāįį\U0001E922\U0001E943\U0001E922");
}

namespace {

// A ZIP set of one question per genre, question "Q<index>", built from UTF-8
// genre names.
std::string named_set(const std::string &file, const std::vector<std::string> &names)
{
    std::vector<fixture::ZipMember> members;
    for (size_t g = 0; g < names.size(); ++g)
        members.push_back({"qtext_" + std::to_string(g) + ".txt",
                           sjis(fixture::lines({names[g], "Q" + std::to_string(g), "a", "b", "c", "d", "e"}, "\r\n"))});
    return fixture::write_file(file, fixture::zip_archive(members));
}

// A symbolic link at `link` to `target` (the libstdc++ of MinGW has no
// std::filesystem::create_symlink).
bool make_symlink(const std::string &target, const std::string &link, std::string *why)
{
#ifdef _WIN32
    // Wine's CreateSymbolicLinkW says yes and makes nothing: what is there
    // must be a reparse point.
    const DWORD unprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    if (!CreateSymbolicLinkW(widen_utf8(link).c_str(), widen_utf8(target).c_str(), unprivileged)) {
        *why = "error " + std::to_string(GetLastError());
        return false;
    }
    const DWORD attributes = GetFileAttributesW(widen_utf8(link).c_str());
    *why = "the system made none";
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
#else
    std::error_code error;
    std::filesystem::create_symlink(target, link, error);
    *why = error.message();
    return !error;
#endif
}

std::string fresh_dir(const std::string &name)
{
    const std::string dir = fixture::out_path(name);
    std::filesystem::remove_all(fixture::fs_path(dir));
    return dir;
}

}  // namespace

TEST(Unpack, EveryGenreGetsAFileOfItsOwnEvenWhereNamesFoldAlike)
{
    // Names in any order, names that begin with a number and "_", and case
    // pairs that Windows takes for one name. Each table's name, after the
    // index pack drops, is its genre's name.
    const struct {
        std::vector<std::string> genres, files;
    } cases[] = {
        {{"x", "2_x", "x"}, {"0_x.csv", "1_2_x.csv", "2_x.csv"}},
        {{"x", "x", "2_x"}, {"0_x.csv", "1_x.csv", "2_2_x.csv"}},
        {{"2_x", "x", "X"}, {"0_2_x.csv", "1_x.csv", "2_X.csv"}},
        {{"ＡＢＣ", "ａｂｃ", "ΩΔ", "ωδ", "ДОМ", "дом"},
         {"0_ＡＢＣ.csv", "1_ａｂｃ.csv", "2_ΩΔ.csv", "3_ωδ.csv", "4_ДОМ.csv", "5_дом.csv"}},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.genres[1]);
        const std::string set = named_set("names.zip", c.genres);
        const std::string dir = fresh_dir("names" + std::to_string(n++));
        const ToolRun r = run_tool({"unpack", set, "-o", dir, "--csv"});
        EXPECT_EQ(r.exit, 0) << r.err;
        std::vector<std::string> expected;
        for (const std::string &f : c.files) expected.push_back(shown_path(dir + "/" + f));
        ASSERT_EQ(stdout_lines(r.out), expected);
        for (size_t g = 0; g < expected.size(); ++g)
            EXPECT_THAT(slurp(expected[g]), HasSubstr("\nQ" + std::to_string(g) + ",")) << expected[g];
        // Packed back in the files' order: the same names, in the same order.
        std::vector<std::string> args{"pack", "-o", fixture::out_path("again.zip")};
        args.insert(args.end(), expected.begin(), expected.end());
        ASSERT_EQ(run_tool(args).exit, 0);
        EXPECT_EQ(run_tool({"check", fixture::out_path("again.zip")}).out, run_tool({"check", set}).out);
    }
}

TEST(Unpack, ASetAmongTheFilesToWriteIsRefused)
{
    // A ZIP set named like the text file its genre 0 becomes, given as
    // another spelling of the same file.
    const std::string dir = fresh_dir("own");
    const std::string set = named_set("own/0_x.txt", {"x"});
    const std::string before = slurp(set);
    const ToolRun r = run_tool({"unpack", dir + "/./0_x.txt", "-o", dir, "--force"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_THAT(
        r.err, HasSubstr(shown_path(dir + "/./0_x.txt") + ": is also the output file " + shown_path(dir + "/0_x.txt")));
    EXPECT_EQ(slurp(set), before);
}

TEST(Unpack, GenreFilesOfAnotherSetInTheFolderAreNamedAndKept)
{
    const std::string dir = fresh_dir("stale");
    ASSERT_EQ(run_tool({"unpack", named_set("old.zip", {"a", "b"}), "-o", dir}).exit, 0);
    const std::string notes = fixture::write_file("stale/notes.md", "mine");
    const ToolRun r = run_tool({"unpack", named_set("new.zip", {"c"}), "-o", dir, "--force"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, shown_path(dir + "/0_c.txt") + "\n");
    for (const char *old : {"/0_a.txt", "/1_b.txt"}) {
        EXPECT_THAT(r.err, HasSubstr(shown_path(dir + old) + ": warning: not written by this unpack"));
        EXPECT_TRUE(std::filesystem::exists(fixture::fs_path(dir + old))) << old;
    }
    EXPECT_THAT(r.err, ::testing::Not(HasSubstr("notes.md")));
    EXPECT_THAT(r.err, HasSubstr(shown_path(dir) + " holds 2 genre files of another set"));
}

// Where the file system tells case apart, a genre file whose genre changed
// case ("Z", now "z") stays beside the new one and is named; where it does
// not, the new one takes its place.
TEST(Unpack, AGenreFileInAnotherCaseIsNamedWhereItStaysBeside)
{
    const std::string dir = fresh_dir("case");
    ASSERT_EQ(run_tool({"unpack", named_set("upper.zip", {"Z"}), "-o", dir}).exit, 0);
    const ToolRun r = run_tool({"unpack", named_set("lower.zip", {"z"}), "-o", dir, "--force"});
    const auto files = std::distance(std::filesystem::directory_iterator(fixture::fs_path(dir)), {});
    if (files == 2) {
        EXPECT_EQ(r.exit, 1);
        EXPECT_THAT(r.err, HasSubstr(shown_path(dir + "/0_Z.txt") + ": warning: not written by this unpack"));
    } else {
        EXPECT_EQ(r.exit, 0) << r.err;
    }
}

TEST(Unpack, AFailedWriteIsNoSuccess)
{
    // A folder where genre 1's file belongs cannot be replaced by it.
    const std::string dir = fresh_dir("failed");
    std::filesystem::create_directories(fixture::fs_path(dir + "/1_b.txt"));
    const ToolRun r = run_tool({"unpack", named_set("ab.zip", {"a", "b"}), "-o", dir, "--force"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, shown_path(dir + "/0_a.txt") + "\n");
    EXPECT_THAT(r.err, HasSubstr(shown_path(dir + "/1_b.txt") + ": cannot write: "));
    EXPECT_THAT(r.err, ::testing::Not(HasSubstr("every file was written")));
}

TEST(Unpack, ALinkInTheFolderIsReplacedNeverFollowed)
{
    // With --force: a link to a file outside, and a dangling one with an
    // absolute target.
    namespace fs = std::filesystem;
    const std::string outside = fixture::write_file("outside.txt", "outside");
    const std::string nowhere = fixture::out_path("nowhere.txt");
    const std::string set = named_set("linked.zip", {"x"});
    for (const std::string &target : {outside, nowhere}) {
        SCOPED_TRACE(target);
        fs::remove(fixture::fs_path(nowhere));
        const std::string dir = fresh_dir("linked"), link = dir + "/0_x.txt";
        fs::create_directories(fixture::fs_path(dir));
        std::string why;
        if (!make_symlink(target, link, &why)) GTEST_SKIP() << "no symbolic links here: " << why;
        const ToolRun r = run_tool({"unpack", set, "-o", dir, "--force"});
        EXPECT_EQ(r.exit, 0) << r.err;
        EXPECT_FALSE(fs::is_symlink(fixture::fs_path(link)));
        EXPECT_EQ(slurp(link), "x\nQ0\na\nb\nc\nd\ne\n");
        EXPECT_EQ(slurp(outside), "outside");
        EXPECT_FALSE(fs::exists(fixture::fs_path(nowhere)));
    }
}

// Every command reads "--" as the end of its options: a name may begin with '-'.
TEST(Unpack, ASetNamedWithADashFollowsDoubleDash)
{
    // In the working folder, which the tool shares: a name that begins with '-'.
    const std::string set = "-dash.zip", dir = fixture::out_path("dashed");
    std::filesystem::copy_file(std::string(PELZO_SOURCE_DIR) + "/data/samples/sample.zip", set,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove_all(fixture::fs_path(dir));
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {"unpack", "-o", dir, "--", set}, {"check", "--", set}, {"dump", "--", set}}) {
        SCOPED_TRACE(args[0]);
        const ToolRun r = run_tool(args);
        EXPECT_EQ(r.exit, 0) << r.err;
    }
    std::filesystem::remove(set);
}
