// Process tests of the authors' tool: exit codes, check and dump output, and
// the failure report (the game's message first, then where and why).
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../quiz/quiz_fixtures.h"

using fixture::Bytes;
using ::testing::HasSubstr;

extern char **environ;

namespace {

struct ToolRun {
    int exit = -1;
    std::string out, err;
    std::string first_err_line() const { return err.substr(0, err.find('\n')); }
};

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

ToolRun run_tool(const std::vector<std::string> &args)
{
    const std::string tool = std::string(PELZO_BINARY_DIR) + "/pelzo-quiz";
    const std::string outPath = fixture::out_path("tool.stdout"), errPath = fixture::out_path("tool.stderr");
    std::vector<char *> argv{const_cast<char *>(tool.c_str())};
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ToolRun r;
    pid_t pid = 0;
    if (posix_spawn(&pid, tool.c_str(), &fa, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&fa);
    r.out = slurp(outPath);
    r.err = slurp(errPath);
    return r;
}

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

TEST(PelzoQuizTool, UsageErrorsExitTwo)
{
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {}, {"check"}, {"verify", "x.zip"}, {"check", "a.zip", "b.zip"}, {"CHECK", "a.zip"}}) {
        const ToolRun r = run_tool(args);
        EXPECT_EQ(r.exit, 2);
        EXPECT_THAT(r.err, ::testing::StartsWith("usage: pelzo-quiz"));
        EXPECT_EQ(r.out, "");
    }
}

TEST(PelzoQuizTool, CheckListsGenresOfBothKinds)
{
    const Bytes sjisName = "\x97\xF0\x8E\x6A";  // 歴史
    const std::string zip = zip_file("tool_good.zip", {{"sets/qtext_1.txt", genre("B", 2), 8}, {"qtext_0.txt", genre(sjisName, 1)}});
    ToolRun r = run_tool({"check", zip});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "0\t1\t歴史\n1\t2\tB\n");
    EXPECT_EQ(r.err, "");

    const std::string pzq = fixture::write_file("tool_good.pzq", fixture::pzq_file({0, 4, 0, 2}, {"", "Alpha", "", "Beta"}));
    r = run_tool({"check", pzq});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "0\t4\tAlpha\n1\t2\tBeta\n");
}

TEST(PelzoQuizTool, CheckWarnsAboutUtf8MembersThatLoad)
{
    const std::string zip = zip_file("tool_utf8ok.zip", {{"qtext_0.txt", genre("Plain", 1)},
                                                         {"qtext_1.txt", fixture::lines({"歴史", "質問", "a", "b", "c", "d", "e"})},
                                                         {"qtext_2.txt", "\xEF\xBB\xBF" + genre("Bom", 1)}});
    const ToolRun r = run_tool({"check", zip});
    EXPECT_EQ(r.exit, 0);
    EXPECT_EQ(r.out.substr(0, 10), "0\t1\tPlain\n");
    EXPECT_EQ(r.err,
              "warning: qtext_1.txt: is UTF-8, not Shift-JIS; its text will show garbled\n"
              "warning: qtext_2.txt: begins with a UTF-8 byte-order mark; its first line will show garbled\n");
}

TEST(PelzoQuizTool, DumpPrintsOneJsonObjectPerQuestion)
{
    const std::string zip = zip_file("tool_dump.zip",
                                     {{"qtext_0.txt", fixture::lines({"G\"1\"", "Q\\1\t?", "\x82\xA0", "b", "c", "d", "e"})},
                                      {"qtext_3.txt", genre("H", 2)}});
    const ToolRun r = run_tool({"dump", zip});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out,
              "{\"genre\":0,\"name\":\"G\\\"1\\\"\",\"index\":0,\"text\":\"Q\\\\1\\u0009?\",\"choices\":[\"あ\",\"b\",\"c\",\"d\",\"e\"]}\n"
              "{\"genre\":1,\"name\":\"H\",\"index\":0,\"text\":\"Q0\",\"choices\":[\"R0\",\"W01\",\"W02\",\"W03\",\"W04\"]}\n"
              "{\"genre\":1,\"name\":\"H\",\"index\":1,\"text\":\"Q1\",\"choices\":[\"R1\",\"W11\",\"W12\",\"W13\",\"W14\"]}\n");

    const std::string pzq = fixture::write_file("tool_dump.pzq", fixture::pzq_file({0, 0, 1}, {"", "", "P"}));
    const ToolRun p = run_tool({"dump", pzq});
    EXPECT_EQ(p.exit, 0) << p.err;
    EXPECT_EQ(p.out, "{\"genre\":0,\"name\":\"P\",\"index\":0,\"text\":\"g2q0\",\"choices\":[\"g2q0a0\",\"g2q0a1\",\"g2q0a2\",\"g2q0a3\",\"g2q0a4\"]}\n");
}

TEST(PelzoQuizTool, ZipFailuresSayWhereAndWhy)
{
    std::vector<std::string> eight = fixture::genre_lines("B", 1);
    eight.push_back("extra");
    expect_failure(zip_file("tool_bad8.zip", {{"qtext_0.txt", genre("A", 1)}, {"qtext_2.txt", fixture::lines(eight)}}),
                   "フォーマットエラー: qtext_2.txt", "qtext_2.txt: 8 lines found (after dropping trailing empty lines); a genre needs 1 + 6 x n lines, so 7 or 13");
    expect_failure(zip_file("tool_short.zip", {{"qtext_0.txt", genre("A", 1).substr(0, 10)}}),
                   "フォーマットエラー: qtext_0.txt", "7, 13, 19");
    expect_failure(zip_file("tool_emptym.zip", {{"qtext_0.txt", ""}}), "フォーマットエラー: qtext_0.txt",
                   "qtext_0.txt: the member is empty");
    expect_failure(zip_file("tool_bom.zip", {{"qtext_0.txt", "\xEF\xBB\xBF" + genre("A", 1) + "x\n"}}),
                   "フォーマットエラー: qtext_0.txt", "qtext_0.txt: begins with a UTF-8 byte-order mark");
    expect_failure(zip_file("tool_utf8.zip", {{"qtext_0.txt", "歴史\n質問\n"}}), "フォーマットエラー: qtext_0.txt",
                   "qtext_0.txt: is UTF-8, not Shift-JIS");
    expect_failure(zip_file("tool_long.zip", {{"qtext_0.txt", fixture::lines({"G", std::string(600, 'x'), "R", "a", "b", "c", "d"})}}),
                   "フォーマットエラー: qtext_0.txt", "qtext_0.txt: line 2 is 600 bytes");
    std::vector<std::string> gap = fixture::genre_lines("G", 2);
    gap.insert(gap.begin() + 7, "");
    expect_failure(zip_file("tool_gap.zip", {{"qtext_0.txt", fixture::lines(gap, "\r\n")}}),
                   "フォーマットエラー: qtext_0.txt", "qtext_0.txt: line 8 is empty");
    std::vector<std::string> many = fixture::genre_lines("G", 171);
    expect_failure(zip_file("tool_many.zip", {{"qtext_0.txt", fixture::lines(many)}}), "フォーマットエラー: qtext_0.txt",
                   "only the first 1024 lines are read");

    expect_failure(zip_file("tool_m12.zip", {{"qtext_0.txt", genre("A", 1)}, {"a/qtext_1.txt", genre("B", 1), 12}}),
                   "ZIPが圧縮されています。ZIP_STOREDで作成してください",
                   "qtext_1.txt (stored as a/qtext_1.txt): compression method 12 (bzip2)");

    const std::string nothing = "有効な問題ファイルが見つかりません";
    expect_failure(fixture::out_path("tool_missing.zip"), nothing, "No such file or directory");
    expect_failure(zip_file("tool_names.zip", {{"QTEXT_0.TXT", genre("A", 1)}, {"qtext_8.txt", genre("A", 1)}}), nothing,
                   "QTEXT_0.TXT: member names are case-sensitive");
    expect_failure(zip_file("tool_names.zip", {{"QTEXT_0.TXT", genre("A", 1)}, {"qtext_8.txt", genre("A", 1)}}), nothing,
                   "qtext_8.txt: only qtext_0.txt to qtext_7.txt are read");
    const Bytes good = fixture::zip_archive({{"qtext_0.txt", genre("A", 1)}});
    expect_failure(fixture::write_file("tool_stub.zip", Bytes(64, 'M') + good), nothing,
                   "the first ZIP member starts at byte offset 64");
    expect_failure(fixture::write_file("tool_trunc.zip", good.substr(0, 40)), nothing, "the archive may be truncated");
    expect_failure(fixture::write_file("tool_trunc.zip", good.substr(0, 60)), nothing,
                   "the member at byte offset 0 reaches past the end of the file (60 bytes)");
    Bytes damaged = fixture::zip_archive({{"qtext_0.txt", genre("A", 30), 8}});
    damaged.replace(41, 6, Bytes(6, '\xFF'));  // the deflate stream, right after the 11-byte name
    expect_failure(fixture::write_file("tool_damaged.zip", damaged), nothing,
                   "qtext_0.txt (byte offset 0): its data cannot be read");
    expect_failure(fixture::write_file("tool_text.zip", "hello, this is plain text and no archive"), nothing, "not a ZIP archive");
    expect_failure(fixture::write_file("tool_pzq.bin", fixture::pzq_file({1})), nothing, "name it with the .pzq extension");
}

TEST(PelzoQuizTool, PzqFailuresSayWhereAndWhy)
{
    expect_failure(fixture::out_path("tool_missing.pzq"), "PZQファイルを開けません", "No such file or directory");
    expect_failure(fixture::write_file("tool_tiny.pzq", "abc"), "PZQヘッダ読み込み失敗", "the file is 3 bytes");
    expect_failure(fixture::write_file("tool_m1.pzq", fixture::pzq_header({1}, {}, "PELZOQDT", 1)), "PZQヘッダ読み込み失敗",
                   "the magic is in record 1 (byte offset 290)");
    expect_failure(fixture::write_file("tool_neg.pzq", fixture::pzq_header({1, -3})), "PZQヘッダ読み込み失敗",
                   "genre 1 has a negative question count, -3, at byte offset 274");
    expect_failure(fixture::write_file("tool_zip.pzq", fixture::zip_archive({{"qtext_0.txt", genre("A", 1)}})),
                   "PZQヘッダ読み込み失敗", "this is a ZIP archive");
    expect_failure(fixture::write_file("tool_empty.pzq", fixture::pzq_header({0})), "PZQデータが空です",
                   "all eight genre counts");
    expect_failure(fixture::write_file("tool_cut.pzq", fixture::pzq_file({3, 2}).substr(0, 2048 + 3 * 256 + 100)),
                   "PZQ問題データ読み込み失敗", "question record 3 (genre 1, question 0) at byte offset 2816 is cut short");
    expect_failure(fixture::write_file("tool_cut2.pzq", fixture::pzq_file({3, 2}).substr(0, 2048 + 4 * 256)),
                   "PZQ問題データ読み込み失敗", "question record 4 (genre 1, question 1) at byte offset 3072 is missing");
}
