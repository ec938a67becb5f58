// SPDX-License-Identifier: MIT
// Process tests of the authors' tool: exit codes, check and dump output, and
// the failure report (the game's message first, then where and why).
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tool_run.h"

using fixture::Bytes;
using ::testing::HasSubstr;

namespace {

Bytes genre(const std::string &name, int q) { return fixture::lines(fixture::genre_lines(name, q)); }

std::string zip_file(const std::string &name, const std::vector<fixture::ZipMember> &members)
{
    return fixture::write_file(name, fixture::zip_archive(members));
}

// Checks both commands fail alike, with `message` first and `detail` after it.
void expect_failure(const std::string &path, const std::string &message, const std::string &detail)
{
    for (const char *cmd : {"check", "dump"}) {
        const ToolRun r = run_tool({cmd, path});
        EXPECT_EQ(r.exit, 1) << cmd << " " << path;
        EXPECT_EQ(r.out, "") << cmd << " " << path;
        EXPECT_EQ(r.first_err_line(), message) << cmd << " " << path;
        EXPECT_THAT(r.err.substr(r.err.find('\n') + 1), HasSubstr(detail)) << cmd << " " << path << "\n" << r.err;
    }
}

}  // namespace

TEST(PelzoQuizTool, UsageErrorsSayWhatWasWrongAndExitTwo)
{
    const struct {
        std::vector<std::string> args;
        const char *what;  // the first line of stderr
    } cases[] = {
        {{}, "pelzo-quiz: no command given"},
        {{"check"}, "pelzo-quiz: check needs a FILE"},
        {{"verify", "x.zip"}, "pelzo-quiz: unknown command verify"},
        {{"check", "a.zip", "b.zip"}, "pelzo-quiz: extra argument b.zip: check takes one FILE"},
        {{"CHECK", "a.zip"}, "pelzo-quiz: unknown command CHECK"},
        {{"unpack", "a.zip"}, "pelzo-quiz unpack: -o DIR is missing: name the folder to write to"},
        {{"unpack", "a.zip", "b.zip", "-o", "d"}, "pelzo-quiz unpack: extra argument b.zip: unpack takes one SET"},
        {{"unpack", "-o", "d"}, "pelzo-quiz unpack: SET is missing: name the set to unpack"},
    };
    for (const auto &c : cases) {
        const ToolRun r = run_tool(c.args);
        EXPECT_EQ(r.exit, 2) << c.what;
        EXPECT_EQ(r.first_err_line(), c.what);
        EXPECT_THAT(r.err, HasSubstr("\nusage: pelzo-quiz "));
        EXPECT_EQ(r.out, "");
    }
}

TEST(PelzoQuizTool, HelpAndVersionGoToStandardOutput)
{
    const struct {
        std::vector<std::string> args;
        const char *start;  // of stdout
    } cases[] = {
        {{"--help"}, "usage: pelzo-quiz check|dump|pack|unpack"},
        {{"-h"}, "usage: pelzo-quiz check|dump|pack|unpack"},
        {{"check", "--help"}, "usage: pelzo-quiz check FILE\n"},
        {{"dump", "-h"}, "usage: pelzo-quiz dump FILE\n"},
        {{"pack", "--help"}, "usage: pelzo-quiz pack -o OUT"},
        {{"unpack", "--help"}, "usage: pelzo-quiz unpack SET -o DIR"},
        {{"pack", "-o", "x.zip", "--help"}, "usage: pelzo-quiz pack -o OUT"},
        {{"--version"}, "pelzo-quiz (PelzoWin) ver1.1.0\n"},
    };
    for (const auto &c : cases) {
        const ToolRun r = run_tool(c.args);
        EXPECT_EQ(r.exit, 0) << c.start;
        EXPECT_THAT(r.out, ::testing::StartsWith(c.start));
        EXPECT_EQ(r.err, "");
    }
    // The whole usage holds every command's own.
    const std::string all = run_tool({"--help"}).out;
    for (const char *command : {"check", "dump", "pack", "unpack"})
        EXPECT_THAT(all, HasSubstr(run_tool({command, "--help"}).out)) << command;
}

TEST(PelzoQuizTool, CheckListsGenresOfBothKinds)
{
    const Bytes sjisName = "\x97\xF0\x8E\x6A";  // 歴史
    const std::string zip =
        zip_file("tool_good.zip", {{"sets/qtext_1.txt", genre("B", 2), 8}, {"qtext_0.txt", genre(sjisName, 1)}});
    ToolRun r = run_tool({"check", zip});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "0\t1\t歴史\n1\t2\tB\n");
    EXPECT_EQ(r.err, "");

    const std::string pzq =
        fixture::write_file("tool_good.pzq", fixture::pzq_file({0, 4, 0, 2}, {"", "Alpha", "", "Beta"}));
    r = run_tool({"check", pzq});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "0\t4\tAlpha\n1\t2\tBeta\n");
}

// The arguments reach the tool whole, and its output file lands where named,
// also for names no single code page holds.
TEST(PelzoQuizTool, PathsOutsideAnyCodePage)
{
    const std::string src =
        fixture::write_file("テスト ü 한/源😀.txt", fixture::lines(fixture::genre_lines("ジャンル", 1)));
    const std::string out = fixture::out_path("テスト ü 한/セット😀.zip");
    ToolRun r = run_tool({"pack", "-o", out, src});
    EXPECT_EQ(r.exit, 0) << r.err;
    r = run_tool({"check", out});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "0\t1\tジャンル\n");
}

TEST(PelzoQuizTool, CheckWarnsAboutUtf8MembersThatLoad)
{
    const std::string zip =
        zip_file("tool_utf8ok.zip", {{"qtext_0.txt", genre("Plain", 1)},
                                     {"qtext_1.txt", fixture::lines({"歴史", "質問", "a", "b", "c", "d", "e"})},
                                     {"qtext_2.txt", "\xEF\xBB\xBF" + genre("Bom", 1)}});
    const ToolRun r = run_tool({"check", zip});
    EXPECT_EQ(r.exit, 0);
    EXPECT_EQ(r.out.substr(0, 10), "0\t1\tPlain\n");
    EXPECT_EQ(r.err,
              "warning: qtext_1.txt line 1 is UTF-8, not Shift-JIS; its text will show garbled; build the set with "
              "pelzo-quiz pack\n"
              "warning: qtext_2.txt line 1 begins with a UTF-8 byte-order mark; its text will show garbled; build the "
              "set with pelzo-quiz pack\n");
}

TEST(PelzoQuizTool, DumpPrintsOneJsonObjectPerQuestion)
{
    const std::string zip = zip_file(
        "tool_dump.zip", {{"qtext_0.txt", fixture::lines({"G\"1\"", "Q\\1\t?", "\x82\xA0", "b", "c", "d", "e"})},
                          {"qtext_3.txt", genre("H", 2)}});
    const ToolRun r = run_tool({"dump", zip});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out,
              "{\"genre\":0,\"name\":\"G\\\"1\\\"\",\"index\":0,\"text\":\"Q\\\\1\\u0009?\",\"choices\":[\"あ\",\"b\","
              "\"c\",\"d\",\"e\"]}\n"
              "{\"genre\":1,\"name\":\"H\",\"index\":0,\"text\":\"Q0\",\"choices\":[\"R0\",\"W01\",\"W02\",\"W03\","
              "\"W04\"]}\n"
              "{\"genre\":1,\"name\":\"H\",\"index\":1,\"text\":\"Q1\",\"choices\":[\"R1\",\"W11\",\"W12\",\"W13\","
              "\"W14\"]}\n");

    const std::string pzq = fixture::write_file("tool_dump.pzq", fixture::pzq_file({0, 0, 1}, {"", "", "P"}));
    const ToolRun p = run_tool({"dump", pzq});
    EXPECT_EQ(p.exit, 0) << p.err;
    EXPECT_EQ(p.out,
              "{\"genre\":0,\"name\":\"P\",\"index\":0,\"text\":\"g2q0\",\"choices\":[\"g2q0a0\",\"g2q0a1\",\"g2q0a2\","
              "\"g2q0a3\",\"g2q0a4\"]}\n");
}

// Control characters in every place a message or a listing quotes: a set's
// path, a folder's, a genre name, a line of a set, an argument. Each shows
// escaped, and none reaches the terminal as itself. (Windows takes no ESC in
// a file name: there the path cannot be made, and the message names it alike.)
TEST(PelzoQuizTool, ControlCharactersReachTheTerminalEscaped)
{
    const std::string hostile = "\x1B]0;owned\x07\x1B[2J", shownHostile = "\\u001b]0;owned\\u0007\\u001b[2J";
    const std::string zip = zip_file("esc/hostile.zip", {{"qtext_0.txt", genre(hostile, 1)}});
    std::vector<std::string> nine = fixture::genre_lines("G", 1);
    nine.push_back("\xC2\x9B\x32J");  // U+009B, the 8-bit CSI, in UTF-8, then "2J"
    const std::string badLine = zip_file("esc/bad_line.zip", {{"qtext_0.txt", fixture::lines(nine)}});
    const std::string sample = std::string(PELZO_SOURCE_DIR) + "/data/samples/sample.zip";
    const std::string full = fixture::out_path("esc/dir\x1b[2J"), onFile = fixture::out_path("esc/file\x1b[2J");
    fixture::write_file("esc/dir\x1b[2J/mine.txt", "mine\n");
    fixture::write_file("esc/file\x1b[2J", "a file\n");
    const auto fresh = [](const std::string &name) {
        std::filesystem::remove_all(fixture::fs_path(fixture::out_path(name)));
        return fixture::out_path(name);
    };
    const std::string esc = shown_path(fixture::out_path("esc/")) + "\\u001b";
    const struct {
        std::vector<std::string> args;
        std::string shows;  // in stdout or stderr
    } cases[] = {
        {{"check", zip}, "0\t1\t" + shownHostile + "\n"},
        {{"dump", zip}, "\"name\":\"" + shownHostile + "\""},
        {{"check", badLine}, "Line 8 is: \\u009b2J\n"},
        {{"check", fixture::out_path("esc/\x1b.zip")}, esc + ".zip: "},
        {{"dump", fixture::out_path("esc/\x1b.pzq")}, esc + ".pzq: "},
        {{"check", "--x\x1b"}, "pelzo-quiz: unknown option --x\\u001b\n"},
        {{"unpack", sample, "-o", full}, shown_path(fixture::out_path("esc/dir\\u001b[2J: "))},
        {{"unpack", sample, "-o", onFile}, shown_path(fixture::out_path("esc/file\\u001b[2J: "))},
        {{"unpack", fixture::out_path("esc/\x1b.zip"), "-o", fresh("esc/none")}, esc + ".zip: "},
        {{"unpack", zip, "-o", fresh("esc/csv"), "--csv"}, "the genre name \"" + shownHostile + "\""},
        {{"unpack", zip, "-o", fresh("esc/xlsx"), "--xlsx"}, "the genre name \"" + shownHostile + "\""},
        {{"pack", "-o", fixture::out_path("esc/set.zip"), fixture::out_path("esc/\x1b.txt")}, esc + ".txt: "},
    };
    for (const auto &c : cases) {
        const ToolRun r = run_tool(c.args);
        const std::string both = r.out + r.err;
        EXPECT_THAT(both, HasSubstr(c.shows)) << c.args[0] << " " << c.args[1];
        EXPECT_EQ(both.find_first_of("\x1B\x07"), std::string::npos) << both;
        EXPECT_EQ(both.find("\xC2\x9B"), std::string::npos) << both;
    }
}

TEST(PelzoQuizTool, ZipFailuresSayWhereAndWhy)
{
    std::vector<std::string> eight = fixture::genre_lines("B", 1);
    eight.push_back("extra");
    expect_failure(
        zip_file("tool_bad8.zip", {{"qtext_0.txt", genre("A", 1)}, {"qtext_2.txt", fixture::lines(eight)}}),
        "フォーマットエラー: qtext_2.txt",
        "qtext_2.txt: 8 lines (after dropping trailing empty lines); a genre needs 1 + 6 × n lines: 7 or 13. "
        "Line 8 is: extra\n");
    // The offending line is shown as the game converts it from Shift-JIS.
    std::vector<std::string> sjisTail = fixture::genre_lines("B", 2);
    sjisTail.push_back("\x97\xF0\x8E\x6A");  // 歴史
    expect_failure(
        zip_file("tool_bad14.zip", {{"qtext_0.txt", fixture::lines(sjisTail)}}), "フォーマットエラー: qtext_0.txt",
        "qtext_0.txt: 14 lines (after dropping trailing empty lines); a genre needs 1 + 6 × n lines: 13 or 19. "
        "Line 14 is: 歴史\n");
    expect_failure(zip_file("tool_short.zip", {{"qtext_0.txt", genre("A", 1).substr(0, 10)}}),
                   "フォーマットエラー: qtext_0.txt", "at least 7 (7, 13, 19, …)");
    expect_failure(zip_file("tool_emptym.zip", {{"qtext_0.txt", ""}}), "フォーマットエラー: qtext_0.txt",
                   "qtext_0.txt: the member is empty");
    expect_failure(zip_file("tool_bom.zip", {{"qtext_0.txt", "\xEF\xBB\xBF" + genre("A", 1) + "x\n"}}),
                   "フォーマットエラー: qtext_0.txt", "qtext_0.txt line 1 begins with a UTF-8 byte-order mark");
    expect_failure(zip_file("tool_utf8.zip", {{"qtext_0.txt", "G\nQ\n歴史\n"}}), "フォーマットエラー: qtext_0.txt",
                   "qtext_0.txt line 3 is UTF-8, not Shift-JIS");
    expect_failure(zip_file("tool_utf8.zip", {{"qtext_0.txt", "G\nQ\n歴史\n"}}), "フォーマットエラー: qtext_0.txt",
                   "Line 3 is: 歴史\n");
    expect_failure(zip_file("tool_long.zip",
                            {{"qtext_0.txt", fixture::lines({"G", std::string(600, 'x'), "R", "a", "b", "c", "d"})}}),
                   "フォーマットエラー: qtext_0.txt", "qtext_0.txt: line 2 is 600 bytes");
    // Exactly 511 bytes: the game ends the line there and its line end adds an empty line.
    expect_failure(zip_file("tool_511.zip",
                            {{"qtext_0.txt", fixture::lines({"G", std::string(511, 'x'), "R", "a", "b", "c", "d"})}}),
                   "フォーマットエラー: qtext_0.txt",
                   "qtext_0.txt: line 2 is 511 bytes; the game ends a line after 511 bytes");
    std::vector<std::string> gap = fixture::genre_lines("G", 2);
    gap.insert(gap.begin() + 7, "");
    expect_failure(zip_file("tool_gap.zip", {{"qtext_0.txt", fixture::lines(gap, "\r\n")}}),
                   "フォーマットエラー: qtext_0.txt", "qtext_0.txt: line 8 is empty");
    std::vector<std::string> many = fixture::genre_lines("G", 171);
    expect_failure(zip_file("tool_many.zip", {{"qtext_0.txt", fixture::lines(many)}}),
                   "フォーマットエラー: qtext_0.txt", "only the first 1024 lines are read");

    expect_failure(
        zip_file("tool_m12.zip", {{"qtext_0.txt", genre("A", 1)}, {"a/qtext_1.txt", genre("B", 1), 12}}),
        "ZIPが圧縮されています。ZIP_STOREDで作成してください",
        "member qtext_1.txt (at a/qtext_1.txt) is compressed with BZIP2 (method 12); the game reads only stored "
        "or deflated members");
    expect_failure(zip_file("tool_m14.zip", {{"qtext_0.txt", genre("A", 1), 14}}),
                   "ZIPが圧縮されています。ZIP_STOREDで作成してください",
                   "member qtext_0.txt is compressed with LZMA (method 14)");

    const std::string nothing = "有効な問題ファイルが見つかりません";
    expect_failure(fixture::out_path("tool_missing.zip"), nothing, "No such file or directory");
    expect_failure(zip_file("tool_names.zip", {{"QTEXT_0.TXT", genre("A", 1)}, {"qtext_8.txt", genre("A", 1)}}),
                   nothing, "QTEXT_0.TXT: member names are case-sensitive");
    expect_failure(zip_file("tool_names.zip", {{"QTEXT_0.TXT", genre("A", 1)}, {"qtext_8.txt", genre("A", 1)}}),
                   nothing, "qtext_8.txt: only qtext_0.txt to qtext_7.txt are read");
    const Bytes good = fixture::zip_archive({{"qtext_0.txt", genre("A", 1)}});
    expect_failure(fixture::write_file("tool_stub.zip", Bytes(64, 'M') + good), nothing,
                   "the first ZIP member starts at byte offset 64");
    expect_failure(fixture::write_file("tool_trunc.zip", good.substr(0, 40)), nothing, "the archive is truncated");
    expect_failure(fixture::write_file("tool_trunc.zip", good.substr(0, 60)), nothing,
                   "qtext_0.txt (byte offset 0): its data reaches past the end of the file");
    Bytes damaged = fixture::zip_archive({{"qtext_0.txt", genre("A", 30), 8}});
    damaged.replace(41, 6, Bytes(6, '\xFF'));  // the deflate stream, right after the 11-byte name
    expect_failure(fixture::write_file("tool_damaged.zip", damaged), nothing,
                   "qtext_0.txt (byte offset 0): its deflate data is damaged");
    expect_failure(fixture::write_file("tool_text.zip", "hello, this is plain text and no archive"), nothing,
                   "not a ZIP archive");
    expect_failure(fixture::write_file("tool_pzq.bin", fixture::pzq_file({1})), nothing,
                   "name it with the .pzq extension");
}

// What the reader refuses for the archive's own integrity, said as it is: a
// bad CRC, an encrypted member, a split archive's parts. A set that still
// loads part of its genres gets the same words as warnings, and exit 0.
TEST(PelzoQuizTool, ArchiveIntegrityIsNamed)
{
    const std::string nothing = "有効な問題ファイルが見つかりません";
    const Bytes a = genre("A", 1), b = genre("B", 2);
    Bytes badCrc = fixture::zip_archive({{"qtext_0.txt", a}});
    badCrc[30 + 11 + 2] ^= 0x20;  // a byte of the stored text
    expect_failure(fixture::write_file("crc.zip", badCrc), nothing, "qtext_0.txt (byte offset 0): bad CRC");
    Bytes encrypted = fixture::zip_archive({{"qtext_0.txt", a}});
    encrypted[6] = 1;  // the local header's flags: encrypted
    expect_failure(fixture::write_file("enc.zip", encrypted), nothing,
                   "qtext_0.txt (byte offset 0): the member is encrypted");
    Bytes lastPart = fixture::zip_archive({{"qtext_0.txt", a}});
    lastPart[lastPart.size() - 22 + 4] = 2;  // the end record's disk number: the third file of a split set
    const std::string last = fixture::write_file("split.zip", lastPart.substr(30 + 11 + a.size()));
    expect_failure(last, nothing, "this is the last part of an archive split into 3 files");
    expect_failure(
        fixture::write_file("split.z01", fixture::le32(kZipDescriptorSig) + fixture::zip_archive({{"qtext_0.txt", a}})),
        nothing, "this is the first part of a split archive");

    // Genre 1 of two is damaged; genre 0 loads, and check says what was left out.
    Bytes partly = fixture::zip_archive({{"qtext_0.txt", a}, {"qtext_1.txt", b}});
    partly[30 + 11 + a.size() + 30 + 11 + 2] ^= 0x20;
    ToolRun r = run_tool({"check", fixture::write_file("partly.zip", partly)});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "0\t1\tA\n");
    EXPECT_THAT(r.err,
                HasSubstr("warning: qtext_1.txt (byte offset " + std::to_string(30 + 11 + a.size()) + "): bad CRC"));
    // Cut before its central directory: the members before the cut load, with a warning.
    const Bytes whole = fixture::zip_archive({{"qtext_0.txt", a}, {"qtext_1.txt", b}});
    const std::string cut = fixture::write_file("cut.zip", whole.substr(0, whole.find(fixture::le32(kZipCentralSig))));
    for (const char *command : {"check", "dump"}) {
        r = run_tool({command, cut});
        EXPECT_EQ(r.exit, 0) << command << " " << r.err;
        EXPECT_THAT(r.err, HasSubstr("warning: the archive is truncated (it has no end-of-central-directory record): "
                                     "2 of the genres could be read"))
            << command;
    }
}

TEST(PelzoQuizTool, PzqFailuresSayWhereAndWhy)
{
    expect_failure(fixture::out_path("tool_missing.pzq"), "PZQファイルを開けません", "No such file or directory");
    expect_failure(fixture::write_file("tool_tiny.pzq", "abc"), "PZQヘッダ読み込み失敗", "the file is 3 bytes");
    expect_failure(fixture::write_file("tool_m1.pzq", fixture::pzq_header({1}, {}, kPzqMagic, 1)),
                   "PZQヘッダ読み込み失敗", "the magic is in record 1 (byte offset 290)");
    expect_failure(fixture::write_file("tool_neg.pzq", fixture::pzq_header({1, -3})), "PZQヘッダ読み込み失敗",
                   "genre 1 has a negative question count, -3, at byte offset 274");
    expect_failure(fixture::write_file("tool_zip.pzq", fixture::zip_archive({{"qtext_0.txt", genre("A", 1)}})),
                   "PZQヘッダ読み込み失敗", "this is a ZIP archive");
    expect_failure(fixture::write_file("tool_empty.pzq", fixture::pzq_header({0})), "PZQデータが空です",
                   "all eight genre counts");
    expect_failure(
        fixture::write_file("tool_cut.pzq", fixture::pzq_file({3, 2}).substr(0, 2048 + 3 * 256 + 100)),
        "PZQ問題データ読み込み失敗",
        "record 0 of genre 1 (question record 3, from byte 2,816) is cut short at byte 2,916, where the file ends");
    expect_failure(
        fixture::write_file("tool_cut3.pzq", fixture::pzq_file({0, 0, 0, 20}).substr(0, 2048 + 12 * 256 + 7)),
        "PZQ問題データ読み込み失敗",
        "the header counts add up to 20 questions, which need 7,168 bytes (2,048 + 20 × 256); the file has 5,127");
    expect_failure(
        fixture::write_file("tool_cut3.pzq", fixture::pzq_file({0, 0, 0, 20}).substr(0, 2048 + 12 * 256 + 7)),
        "PZQ問題データ読み込み失敗",
        "record 12 of genre 3 (question record 12, from byte 5,120) is cut short at byte 5,127");
    expect_failure(
        fixture::write_file("tool_cut2.pzq", fixture::pzq_file({3, 2}).substr(0, 2048 + 4 * 256)),
        "PZQ問題データ読み込み失敗",
        "record 1 of genre 1 (question record 4) is missing: the file ends at byte 3,072, where it should begin");
}
