// SPDX-License-Identifier: MIT
// Process tests of `pelzo-quiz pack`: every set it writes is loaded back with
// the game's own loader and compared text by text with its UTF-8 sources; every
// refusal names file, line and reason and leaves nothing behind.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "font_files.h"
#include "quiz_load.h"
#include "tool_run.h"
#include "zip_reader.h"

using fixture::Bytes;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

// A genre as its author writes it: UTF-8 lines.
using Lines = std::vector<std::string>;

std::string write_source(const std::string &name, const Lines &lines, const char *eol = "\n")
{
    return fixture::write_file(name, fixture::lines(lines, eol));
}

// The source's lines, read independently of the tool: LF splits, CRs go,
// trailing empty lines are dropped.
Lines source_lines(const std::string &path)
{
    Lines out{""};
    for (char c : slurp(path)) {
        if (c == '\r') continue;
        if (c == '\n')
            out.emplace_back();
        else
            out.back() += c;
    }
    while (!out.empty() && out.back().empty()) out.pop_back();
    return out;
}

std::vector<std::string> files_in(const std::string &dir, const std::string &suffix)
{
    std::vector<std::string> out;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d)) {
            const std::string name = e->d_name;
            if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                out.push_back(dir + "/" + name);
        }
        closedir(d);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Loads the set with the game's loader and compares every text with the sources.
void expect_loads_as(const std::string &set, const std::vector<std::string> &sources)
{
    ASSERT_TRUE(load_quiz_file(set.c_str())) << set << ": " << g_errorMsg;
    ASSERT_EQ(g_genreCount, static_cast<int>(sources.size())) << set;
    for (size_t g = 0; g < sources.size(); ++g) {
        const Lines lines = source_lines(sources[g]);
        const GENRE_DATA &genre = g_genres[g];
        EXPECT_EQ(genre.name, lines[0]) << sources[g];
        ASSERT_EQ(static_cast<size_t>(genre.count), (lines.size() - 1) / 6) << sources[g];
        for (int q = 0; q < genre.count; ++q) {
            const size_t first = 1 + 6 * static_cast<size_t>(q);
            EXPECT_EQ(genre.items[q].text, lines[first]) << sources[g] << ":" << first + 1;
            for (size_t c = 0; c < 5; ++c)
                EXPECT_EQ(genre.items[q].choice[c], lines[first + 1 + c]) << sources[g] << ":" << first + 2 + c;
        }
    }
    free_genres();
}

ToolRun pack(const std::string &out, const std::vector<std::string> &sources, bool store = false)
{
    std::vector<std::string> args{"pack", "-o", out};
    if (store) args.push_back("--store");
    args.insert(args.end(), sources.begin(), sources.end());
    return run_tool(args);
}

// Packs and expects success; returns the packed bytes.
Bytes pack_ok(const std::string &out, const std::vector<std::string> &sources, bool store = false)
{
    const ToolRun r = pack(out, sources, store);
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(without_short_genre_warnings(r.err), "");
    return slurp(out);
}

// Expects a refusal that reports `problem` and writes nothing: an existing
// output stays as it was, and no temporary file is left beside it.
void expect_refused(const std::string &ext, const std::vector<std::string> &sources, const std::string &problem)
{
    const std::string out = fixture::write_file("existing" + ext, "previous contents");
    const ToolRun r = pack(out, sources);
    EXPECT_EQ(r.exit, 1) << problem;
    EXPECT_THAT(r.err, HasSubstr(problem));
    EXPECT_THAT(r.err, HasSubstr("pelzo-quiz pack: " + shown_path(out) + " not written\n"));
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(slurp(out), "previous contents");
    const std::string dir = out.substr(0, out.rfind('/'));
    for (const std::string &f : files_in(dir, ""))
        EXPECT_EQ(f.find(out + "."), std::string::npos) << "temporary file left: " << f;
}

Lines genre_lines(const std::string &name, int questions) { return fixture::genre_lines(name, questions); }

std::string repeat(const std::string &s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// A one-question genre whose line `index` (0-based) is replaced.
Lines with_line(size_t index, const std::string &text)
{
    Lines lines = genre_lines("G", 1);
    lines[index] = text;
    return lines;
}

}  // namespace

// ---- round trips -----------------------------------------------------------

TEST(PackRoundTrip, EverySampleSetInEveryFormLoadsToItsSources)
{
    const std::string samples = std::string(PELZO_SOURCE_DIR) + "/data/samples/src";
    for (const std::string &dir : {samples, samples + "/large"}) {
        const std::vector<std::string> sources = files_in(dir, ".txt");
        ASSERT_GE(sources.size(), 4u) << dir;
        for (const char *out : {"set.zip", "set.pzq"}) {
            pack_ok(fixture::out_path(out), sources);
            expect_loads_as(fixture::out_path(out), sources);
        }
        pack_ok(fixture::out_path("stored.zip"), sources, true);
        expect_loads_as(fixture::out_path("stored.zip"), sources);
    }
}

TEST(PackRoundTrip, CommittedSamplesEqualAFreshPack)
{
    const std::string top = std::string(PELZO_SOURCE_DIR) + "/data/samples";
    const std::vector<std::string> sample = files_in(top + "/src", ".txt"),
                                   large = files_in(top + "/src/large", ".txt");
    EXPECT_EQ(pack_ok(fixture::out_path("sample.zip"), sample), slurp(top + "/sample.zip"));
    EXPECT_EQ(pack_ok(fixture::out_path("sample.pzq"), sample), slurp(top + "/sample.pzq"));
    EXPECT_EQ(pack_ok(fixture::out_path("large.zip"), large), slurp(top + "/large.zip"));
    EXPECT_GE(large.size(), 8u);
    for (const std::string &path : large) EXPECT_GE((source_lines(path).size() - 1) / 6, 15u) << path;
}

TEST(PackRoundTrip, AwkwardTextsSurviveBothForms)
{
    // Spaces at either end (a .pzq pads with spaces), Shift-JIS trail byte 0x5C
    // (ソ, 表, 能), code page 932 extensions (髙, Ⅲ, ㎝, ①), half-width katakana
    // (one byte, stored as 0x31 in a .pzq), a lone space, a backslash and a tilde.
    const Lines lines{" 名前 ", "  ソ表能は？  ", "髙Ⅲ㎝①", "ｱｲｳ", " ", "\\ ~", "―～∥￢"};
    const std::string lf = write_source("awkward.txt", lines);
    const std::string crlf = write_source("awkward_crlf.txt", lines, "\r\n");
    for (const char *out : {"awkward.zip", "awkward.pzq"}) {
        const ToolRun r = pack(fixture::out_path(out), {lf, crlf});
        ASSERT_EQ(r.exit, 0) << r.err;
        EXPECT_EQ(r.out, "0\t1\t 名前 \n1\t1\t 名前 \n");
        expect_loads_as(fixture::out_path(out), {lf, crlf});
    }
}

TEST(PackRoundTrip, TrailingEmptyLinesAndCrLfAreAccepted)
{
    Lines lines = genre_lines("Tail", 2);
    lines.insert(lines.end(), {"", "", ""});
    const std::string src = write_source("tail.txt", lines, "\r\n");
    pack_ok(fixture::out_path("tail.zip"), {src});
    ASSERT_TRUE(load_quiz_file(fixture::out_path("tail.zip").c_str()));
    EXPECT_EQ(g_genres[0].count, 2);
    EXPECT_STREQ(g_genres[0].items[1].choice[4], "W14");
    free_genres();
}

// ---- the ZIP it writes -------------------------------------------------------

TEST(PackZip, MembersAreShiftJisInInputOrderStoredOrDeflated)
{
    const std::string a = write_source("b_first.txt", {"あ", "ソ", "髙", "ｱ", "x", "y", "z"});
    const std::string b = write_source("a_second.txt", genre_lines("B", 3));
    const Bytes deflated = pack_ok(fixture::out_path("order.zip"), {a, b});
    const Bytes stored = pack_ok(fixture::out_path("order_stored.zip"), {a, b}, true);
    ASSERT_GT(deflated.size(), 30u);
    ASSERT_GT(stored.size(), 30u);
    EXPECT_EQ(deflated[8], 8) << "first member deflated";
    EXPECT_EQ(stored[8], 0) << "first member stored";
    EXPECT_EQ(stored.substr(30, 11), "qtext_0.txt");
    EXPECT_EQ(stored.substr(41, 19), "\x82\xA0\r\n\x83\x5C\r\n\xFB\xFC\r\n\xB1\r\nx\r\ny");

    for (const std::string &path : {fixture::out_path("order.zip"), fixture::out_path("order_stored.zip")}) {
        unsigned char *data = nullptr;
        uint32_t size = 0;
        ASSERT_EQ(zip_read_file(path.c_str(), "qtext_1.txt", &data, &size), 0);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(data), size), fixture::lines(genre_lines("B", 3), "\r\n"));
        zip_free(data);
        EXPECT_EQ(zip_read_file(path.c_str(), "qtext_2.txt", &data, &size), -1);
        expect_loads_as(path, {a, b});
    }
}

TEST(PackZip, PythonZipfileReadsItAndChecksEveryCrc)
{
#ifdef _WIN32
    GTEST_SKIP() << "needs the build machine's python3; the Linux run checks the same writer";
#endif
    std::vector<std::string> sources;
    for (int g = 0; g < 8; ++g)
        sources.push_back(
            write_source("g" + std::to_string(g) + ".txt", genre_lines("ジャンル" + std::to_string(g), 5 + g)));
    const std::string report = fixture::out_path("zipfile.txt");
    for (bool store : {false, true}) {
        const std::string out = fixture::out_path(store ? "py_stored.zip" : "py_deflated.zip");
        pack_ok(out, sources, store);
        const std::string cmd = "python3 -m zipfile -t '" + out + "' > '" + report + "' 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << slurp(report);
        const std::string list =
            "python3 -c 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); "
            "print(z.testzip(), [(i.filename, i.compress_type, i.file_size) for i in z.infolist()])' '" +
            out + "' > '" + report + "' 2>&1";
        ASSERT_EQ(std::system(list.c_str()), 0) << slurp(report);
        std::string expected = "None [";
        for (int g = 0; g < 8; ++g) {
            const size_t size = fixture::lines(source_lines(sources[g]), "\r\n").size() - 8 +
                                4;  // "ジャンル" is 4 bytes shorter in Shift-JIS
            expected += std::string(g ? ", " : "") + "('qtext_" + std::to_string(g) + ".txt', " + (store ? "0" : "8") +
                        ", " + std::to_string(size) + ")";
        }
        EXPECT_EQ(slurp(report), expected + "]\n");
    }
}

// ---- the .pzq it writes ------------------------------------------------------

TEST(PackPzq, RecordsCarryMagicCountsPlainNamesAndEncodedPaddedFields)
{
    const std::string a = write_source("p0.txt", {"名前", "あ", "A", "b", "c", "d", "e"});
    const std::string b = write_source("p1.txt", genre_lines("Second", 2));
    const Bytes f = pack_ok(fixture::out_path("layout.pzq"), {a, b});
    ASSERT_EQ(f.size(), 2048u + 3 * 256);
    EXPECT_EQ(f.substr(kPzqMagicOffset, kPzqMagicSize), kPzqMagic);
    EXPECT_EQ(f.substr(0, 16), Bytes("\x96\xBC\x91\x4F") + Bytes(12, '\0'));
    EXPECT_EQ(f.substr(18, 2), Bytes("\x01\x00", 2));
    EXPECT_EQ(f.substr(256, 16), Bytes("Second") + Bytes(10, '\0'));
    EXPECT_EQ(f.substr(256 + 18, 2), Bytes("\x02\x00", 2));
    EXPECT_EQ(f.substr(512 + 18, 2), Bytes("\x00\x00", 2));
    // あ is 82 A0: stored 02 20, then plain-space padding to 116 bytes.
    EXPECT_EQ(f.substr(2048, 116), Bytes("\x02\x20", 2) + Bytes(114, ' '));
    EXPECT_EQ(f.substr(2048 + 116, 28), Bytes("\xC1") + Bytes(27, ' '));
    EXPECT_EQ(f.substr(2048 + 256 + 116 + 28 * 4, 28), Bytes("\xD7\xB0\xB4", 3) + Bytes(25, ' '));  // "W04"
}

// ---- limits: exactly the maximum packs, one more is refused --------------------

TEST(PackLimits, ZipLineLengthInShiftJisAndInUtf8)
{
    const std::string ascii510 = write_source("a510.txt", with_line(1, std::string(510, 'q')));
    const std::string ascii511 = write_source("a511.txt", with_line(1, std::string(511, 'q')));
    // 510 letters pack, but the play screen's question box shows fewer: pack
    // warns and writes the set all the same.
    ToolRun r = pack(fixture::out_path("a510.zip"), {ascii510});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_THAT(without_short_genre_warnings(r.err),
                StartsWith(shown_path(ascii510) + ":2: warning: the question needs "));
    expect_loads_as(fixture::out_path("a510.zip"), {ascii510});
    expect_refused(
        ".zip", {ascii511},
        shown_path(ascii511) +
            ":2: the question is 511 characters, 511 bytes in Shift-JIS; a line of a ZIP set holds at most 510 bytes "
            "(the game splits longer lines, which shifts every line after it): 170 Japanese characters or 510 ASCII "
            "ones, and of this text the first 510\n");

    // 170 kanji and one ASCII letter: 341 Shift-JIS bytes, 511 in UTF-8, the
    // most a text slot of the game holds. One more letter does not fit.
    const std::string utf8max = write_source("u511.txt", with_line(2, repeat("漢", 170) + "a"));
    const std::string utf8over = write_source("u512.txt", with_line(2, repeat("漢", 170) + "ab"));
    r = pack(fixture::out_path("u511.zip"), {utf8max});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_THAT(without_short_genre_warnings(r.err),
                StartsWith(shown_path(utf8max) + ":3: warning: the right answer needs "));
    expect_loads_as(fixture::out_path("u511.zip"), {utf8max});
    expect_refused(".zip", {utf8over},
                   shown_path(utf8over) +
                       ":3: the right answer is 172 characters, 512 bytes in UTF-8; the game keeps at most 511 bytes "
                       "and would cut it short: 170 Japanese characters or 510 ASCII ones, and of this text the "
                       "first 171\n");
}

TEST(PackLimits, PzqFieldWidths)
{
    struct Case {
        size_t line;
        std::string fits, over;
        const char *message;
    };
    const Case cases[] = {
        {0, repeat("名", 8), repeat("名", 8) + "x",
         ":1: the genre name is 9 characters, 17 bytes in Shift-JIS; a .pzq file holds at most 16 bytes: 8 full-width "
         "characters or 16 half-width ones, and of this text the first 8;"},
        {1, repeat("問", 58), repeat("問", 58) + "?",
         ":2: the question is 59 characters, 117 bytes in Shift-JIS; a .pzq file holds at most 116 bytes: 58 "
         "full-width characters or 116 half-width ones, and of this text the first 58;"},
        {2, repeat("正", 14), repeat("正", 13) + "ｱｲｳ",
         ":3: the right answer is 16 characters, 29 bytes in Shift-JIS; a .pzq file holds at most 28 bytes: 14 "
         "full-width characters or 28 half-width ones, and of this text the first 15;"},
        {6, std::string(28, 'w'), std::string(29, 'w'),
         ":7: wrong answer 4 is 29 characters, 29 bytes in Shift-JIS; a .pzq file holds at most 28 bytes: 14 "
         "full-width characters or 28 half-width ones, and of this text the first 28;"},
    };
    for (const Case &c : cases) {
        const std::string fits = write_source("fits" + std::to_string(c.line) + ".txt", with_line(c.line, c.fits));
        const std::string over = write_source("over" + std::to_string(c.line) + ".txt", with_line(c.line, c.over));
        pack_ok(fixture::out_path("fits.pzq"), {fits});
        expect_loads_as(fixture::out_path("fits.pzq"), {fits});
        expect_refused(".pzq", {over}, shown_path(over) + c.message);
        pack_ok(fixture::out_path("over.zip"), {over});  // a ZIP set holds it
    }
}

TEST(PackLimits, QuestionsPerGenre)
{
    const std::string q170 = write_source("q170.txt", genre_lines("G", 170));
    const std::string q171 = write_source("q171.txt", genre_lines("G", 171));
    pack_ok(fixture::out_path("q170.zip"), {q170});
    expect_loads_as(fixture::out_path("q170.zip"), {q170});
    expect_refused(".zip", {q171}, shown_path(q171) + ": 171 questions; a genre holds at most 170 in a ZIP set");
    pack_ok(fixture::out_path("q171.pzq"), {q171});

    const std::string q32767 = write_source("q32767.txt", genre_lines("G", 32767));
    const std::string q32768 = write_source("q32768.txt", genre_lines("G", 32768));
    const ToolRun r = pack(fixture::out_path("q32767.pzq"), {q32767});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "0\t32767\tG\n");
    EXPECT_EQ(slurp(fixture::out_path("q32767.pzq")).size(), 2048u + 32767u * 256);
    expect_refused(".pzq", {q32768},
                   shown_path(q32768) + ": 32,768 questions; a genre holds at most 32,767 in a .pzq file");
}

TEST(PackLimits, GenresPerSet)
{
    std::vector<std::string> sources;
    for (int g = 0; g < 9; ++g)
        sources.push_back(write_source("n" + std::to_string(g) + ".txt", genre_lines("N" + std::to_string(g), 1)));
    const std::vector<std::string> eight(sources.begin(), sources.begin() + 8);
    for (const char *ext : {".zip", ".pzq"}) {
        pack_ok(fixture::out_path(std::string("eight") + ext), eight);
        expect_loads_as(fixture::out_path(std::string("eight") + ext), eight);
        expect_refused(ext, sources, "pelzo-quiz pack: 9 genre files given; a set holds at most 8 genres");
    }
}

// ---- refusals ------------------------------------------------------------------

TEST(PackRefuses, EncodingProblemsWithLineAndColumn)
{
    const std::string bom = fixture::write_file("bom.txt", "\xEF\xBB\xBF" + fixture::lines(genre_lines("G", 1)));
    expect_refused(".zip", {bom},
                   shown_path(bom) + ":1: begins with a UTF-8 byte-order mark; save the file as UTF-8 without a BOM");

    const std::string invalid = write_source("invalid.txt", with_line(2, "a\xFF"));
    expect_refused(".zip", {invalid},
                   shown_path(invalid) + ":3: column 2: byte 0xFF is not UTF-8; save the file as UTF-8");
    const std::string sjis = write_source("sjis.txt", with_line(4, "\x97\xF0\x8E\x6A"));  // 歴史 in Shift-JIS
    expect_refused(".pzq", {sjis},
                   shown_path(sjis) + ":5: column 1: byte 0x97 is not UTF-8; the file looks like Shift-JIS");
    const std::string surrogate = write_source("surrogate.txt", with_line(1, "\xED\xA0\x80"));
    expect_refused(".zip", {surrogate}, shown_path(surrogate) + ":2: column 1: byte 0xED is not UTF-8");

    const std::string lacking = write_source("lacking.txt", with_line(3, "ab©"));
    expect_refused(".zip", {lacking},
                   shown_path(lacking) + ":4: column 3: \"©\" (U+00A9) has no Shift-JIS (code page 932) form");
    const std::string emoji = write_source("emoji.txt", with_line(0, "😀"));
    expect_refused(".pzq", {emoji}, shown_path(emoji) + ":1: column 1: \"😀\" (U+1F600) has no Shift-JIS");
    const std::string changed = write_source("changed.txt", with_line(5, "1〜2"));
    expect_refused(".zip", {changed},
                   shown_path(changed) +
                       ":6: column 2: \"〜\" (U+301C) would show as \"～\" (U+FF5E) in the game; write ～ instead");
    const std::string yen = write_source("yen.txt", with_line(2, "¥100"));
    expect_refused(".pzq", {yen}, shown_path(yen) + ":3: column 1: \"¥\" (U+00A5) would show as \"\\\" (U+005C)");
    // Not "nul.txt": Windows takes that name for its null device.
    const std::string nul = write_source("nulbyte.txt", with_line(1, std::string("ab\0c", 4)));
    expect_refused(".zip", {nul},
                   shown_path(nul) + ":2: holds a NUL byte at column 3; the game would end the text there");
    const std::string esc = write_source("esc.txt", with_line(3, "日本\x1B]0;t"));
    expect_refused(".pzq", {esc},
                   shown_path(esc) + ":4: column 3: control character U+001B; a text holds no control character");
    const std::string del = write_source("del.txt", with_line(0, "a\tb\x7F"));
    expect_refused(".zip", {del}, shown_path(del) + ":1: column 4: control character U+007F");
}

TEST(PackRefuses, LayoutProblems)
{
    Lines eight = genre_lines("G", 1);
    eight.push_back("extra line");
    const std::string eightSrc = write_source("eight.txt", eight);
    expect_refused(".zip", {eightSrc},
                   shown_path(eightSrc) +
                       ":8: 8 lines (after dropping trailing empty lines); a genre needs 1 + 6 × n lines: 7 or 13. "
                       "Line 8 is: extra line");
    const std::string three = write_source("three.txt", {"G", "Q", "R"});
    expect_refused(".pzq", {three},
                   shown_path(three) +
                       ":3: 3 lines (after dropping trailing empty lines); a genre needs 1 + 6 × n lines: at least 7 "
                       "(7, 13, 19, …). Line 3 is: R\n");
    const std::string nameOnly = write_source("name_only.txt", {"G"});
    expect_refused(".zip", {nameOnly}, shown_path(nameOnly) + ":1: 1 lines");

    Lines gap = genre_lines("G", 2);
    gap.insert(gap.begin() + 7, "");
    const std::string gapSrc = write_source("gap.txt", gap, "\r\n");
    expect_refused(".zip", {gapSrc},
                   shown_path(gapSrc) + ":8: empty line where the question belongs; the game would read an empty text");
    expect_refused(".zip", {gapSrc}, shown_path(gapSrc) + ":14: 14 lines");
    const std::string emptyName = write_source("empty_name.txt", with_line(0, ""));
    expect_refused(".pzq", {emptyName}, shown_path(emptyName) + ":1: empty line");

    const std::string empty = fixture::write_file("empty.txt", "\n\r\n\n");
    expect_refused(".zip", {empty}, shown_path(empty) + ": the file holds no text");
    expect_refused(".zip", {fixture::out_path("absent.txt")},
                   shown_path(fixture::out_path("absent.txt")) + ": cannot open: No such file or directory");
}

TEST(PackRefuses, EveryProblemOfEveryFileIsListedAndLongListsAreCut)
{
    const std::string a = write_source("multi_a.txt", {"G", "Q", "〜", "b", "c", "d", "e"});
    const std::string b = write_source("multi_b.txt", {"G", "©", "R", "b", "c", "d", "e"});
    const ToolRun r = pack(fixture::out_path("multi.zip"), {a, b});
    EXPECT_EQ(r.exit, 1);
    EXPECT_THAT(r.err, StartsWith(shown_path(a) + ":3: "));
    EXPECT_THAT(r.err, HasSubstr("\n" + shown_path(b) + ":2: "));

    Lines many = genre_lines("G", 10);
    for (size_t i = 1; i < many.size(); ++i) many[i] = "©";
    const std::string manySrc = write_source("many.txt", many);
    const ToolRun m = pack(fixture::out_path("many.zip"), {manySrc});
    EXPECT_EQ(m.exit, 1);
    EXPECT_THAT(m.err, HasSubstr(shown_path(manySrc) + ":21: "));
    EXPECT_THAT(m.err, ::testing::Not(HasSubstr(shown_path(manySrc) + ":22: ")));
    EXPECT_THAT(m.err, HasSubstr(shown_path(manySrc) + ": more problems not listed; fix these first\n"));
}

TEST(PackRefuses, OutputThatIsAnInputOrCannotBeWritten)
{
    const std::string src = write_source("self.zip", genre_lines("G", 1));
    const Bytes before = slurp(src);
    const ToolRun same = pack(src, {src});
    EXPECT_EQ(same.exit, 1);
    EXPECT_THAT(same.err, HasSubstr(shown_path(src) + ": is also the output file; packing would overwrite it"));
    EXPECT_EQ(slurp(src), before);
    // Another spelling of the same file is the same file.
    const std::string dotted = fixture::out_path(".") + "/self.zip";
    EXPECT_EQ(pack(dotted, {src}).exit, 1);
    EXPECT_EQ(slurp(src), before);
    // The font is an input too.
    const std::vector<std::string> fonts = existing_files(japanese_font_candidates());
    if (!fonts.empty()) {
        const std::string copy = fixture::write_file("font_out.zip", slurp(fonts[0]));
        const ToolRun r = run_tool({"pack", "-o", copy, "--font", copy, src});
        EXPECT_EQ(r.exit, 1);
        EXPECT_THAT(r.err, HasSubstr(shown_path(copy) + ": is also the output file; packing would overwrite the font"));
        EXPECT_EQ(slurp(copy), slurp(fonts[0]));
    }

    const std::string good = write_source("good.txt", genre_lines("G", 1));
    const std::string nowhere = fixture::out_path("no_such_dir") + "/set.zip";
    const ToolRun r = pack(nowhere, {good});
    EXPECT_EQ(r.exit, 1);
    // The reason after the colon is the system's own text.
    EXPECT_THAT(r.err, HasSubstr(shown_path(nowhere) + ": cannot create a file beside it: "));
}

TEST(PackRefuses, AnExistingFileThatIsNoSetIsReplacedOnlyWithForce)
{
    const std::string src = write_source("g.txt", genre_lines("G", 1));
    for (const char *ext : {".zip", ".pzq"}) {
        SCOPED_TRACE(ext);
        const std::string out = fixture::write_file(std::string("notes") + ext, "an author's notes");
        const ToolRun r = pack(out, {src});
        EXPECT_EQ(r.exit, 1);
        EXPECT_THAT(r.err, HasSubstr(shown_path(out) +
                                     ": exists and is no quiz set the game loads; give --force to replace it\n"));
        EXPECT_EQ(slurp(out), "an author's notes");
        EXPECT_EQ(run_tool({"pack", "--force", "-o", out, src}).exit, 0);
        // A set is replaced without it.
        const ToolRun again = pack(out, {write_source("h.txt", genre_lines("H", 1))});
        EXPECT_EQ(again.exit, 0) << again.err;
        EXPECT_EQ(run_tool({"check", out}).out, "0\t1\tH\n");
    }
}

TEST(PackUsage, BadCommandLinesExitTwoAndWriteNothing)
{
    const std::string src = write_source("u.txt", genre_lines("G", 1));
    const std::string out = fixture::out_path("usage.zip");
    std::remove(out.c_str());
    // What was wrong, then the usage.
    // A genre file or workbook as OUT: SET left out before `DIR/*.txt`.
    const std::string book = fixture::write_file("book.XLSX", "a workbook");
    const struct {
        std::vector<std::string> args;
        std::string what;
    } cases[] = {
        {{"pack", "-o", src, src}, "-o " + shown_path(src) + " ends in .txt, as the files pack reads do"},
        {{"pack", "-o", book, src}, "-o " + shown_path(book) + " ends in .xlsx, as the files pack reads do"},
        {{"pack"}, "-o OUT is missing"},
        {{"pack", src}, "-o OUT is missing"},
        {{"pack", "-o", out}, "no genre file given"},
        {{"pack", "-o"}, "-o needs a value"},
        {{"pack", "-o", out, "-o", out, src}, "-o is given twice"},
        {{"pack", "-o", out, "--fast", src}, "unknown option --fast"},
        {{"pack", "-o", out, "--header", "--no-header", src}, "--header and --no-header exclude each other"},
        {{"pack", "--store", "-o", fixture::out_path("usage.pzq"), src}, "--store applies to ZIP sets only"},
    };
    for (const auto &c : cases) {
        const ToolRun r = run_tool(c.args);
        EXPECT_EQ(r.exit, 2) << c.what;
        EXPECT_THAT(r.err, StartsWith("pelzo-quiz pack: " + c.what)) << r.err;
        EXPECT_THAT(r.err, HasSubstr("\nusage: pelzo-quiz pack -o OUT"));
        EXPECT_EQ(slurp(out), "");
        EXPECT_EQ(slurp(book), "a workbook");
    }
    // "--" ends the options, so a genre file may begin with a dash.
    const std::string dashed = write_source("-dashed.txt", genre_lines("D", 1));
    const ToolRun r = run_tool({"pack", "-o", fixture::out_path("dashed.zip"), "--", dashed});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "0\t1\tD\n");
}
