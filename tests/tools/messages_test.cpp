// SPDX-License-Identifier: MIT
// pelzo-quiz's messages follow the language of the environment: English
// under the C locale, Japanese under a Japanese one (po/ja.po, compiled into
// the build folder's locale/ja, where the built tool finds it).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tool_run.h"

namespace {

// Every other test of the tool expects its English messages: the test
// program, and so every tool it starts, runs in the C.UTF-8 locale whatever
// the one it was started in.
[[maybe_unused]] const bool kToolsSpeakEnglish = [] {
    set_env("LANGUAGE", "");
    set_env("LC_MESSAGES", "");
    set_env("LC_ALL", "C.UTF-8");
    return true;
}();

}  // namespace

TEST(PelzoQuizMessages, FailingPackAnswersInTheLanguageOfTheLocale)
{
    const std::string shortTxt = fixture::write_file("messages/short.txt", "x\n");
    const std::string twoCells = fixture::write_file("messages/two.csv", "q,r,w1,w2,w3,w4\na,b\n");
    const std::string out = fixture::out_path("messages/set.zip");
    const std::string good = fixture::write_file("messages/good.txt", fixture::lines(fixture::genre_lines("G", 10)));
    const std::string folder = fixture::out_path("messages");
    const std::string txt = shown_path(shortTxt), csv = shown_path(twoCells), set = shown_path(out);
    struct Case {
        const char *lang;
        std::vector<std::string> args;
        int exit;
        std::string err;
    };
    const Case cases[] = {
        {"C",
         {"pack", "-o", out, shortTxt},
         1,
         txt +
             ":1: 1 lines (after dropping trailing empty lines); a genre needs 1 + 6 × n lines: at least 7 (7, 13, "
             "19, …). Line 1 is: x\npelzo-quiz pack: " +
             set + " not written\n"},
        {"ja_JP.UTF-8",
         {"pack", "-o", out, shortTxt},
         1,
         txt +
             ":1: 1 行です (末尾の空行を除く)。ジャンルには 1 + 6 × n 行が必要です: 7 行以上 (7、13、19、…)。1 "
             "行目: x\npelzo-quiz pack: " +
             set + " は書き込みませんでした\n"},
        {"C",
         {"pack", "-o", out, twoCells},
         1,
         csv + ":2: 2 cells; a row holds 6: the question, the right answer and four wrong answers\npelzo-quiz pack: " +
             set + " not written\n"},
        {"ja_JP.UTF-8",
         {"pack", "-o", out, twoCells},
         1,
         csv + ":2: セルが 2 個です。1 行は 6 個 (問題文、正解、誤答 4 つ) です\npelzo-quiz pack: " + set +
             " は書き込みませんでした\n"},
        // A reason from the file services, translated too.
        {"ja_JP.UTF-8",
         {"pack", "-o", out, folder},
         1,
         shown_path(folder) + ": ディレクトリです\npelzo-quiz pack: " + set + " は書き込みませんでした\n"},
        {"C",
         {"pack", "-o", out, folder},
         1,
         shown_path(folder) + ": is a directory\npelzo-quiz pack: " + set + " not written\n"},
        // The font reader's reasons too.
        {"ja_JP.UTF-8",
         {"pack", "-o", out, "--font", shortTxt, good},
         1,
         txt + ": FreeType で読めるフォントファイルではありません (--font)\npelzo-quiz pack: " + set +
             " は書き込みませんでした\n"},
        {"ja_JP.UTF-8", {"pack", "--bogus"}, 2, "pelzo-quiz pack: 不明なオプション --bogus\n使い方: pelzo-quiz pack"},
        {"C", {"pack", "--bogus"}, 2, "pelzo-quiz pack: unknown option --bogus\nusage: pelzo-quiz pack"},
    };
    for (const Case &c : cases) {
        const ToolRun r = run_tool_in(c.lang, c.args);
        EXPECT_EQ(r.exit, c.exit) << c.lang << " " << c.args.back();
        EXPECT_EQ(r.err.substr(0, c.exit == 2 ? c.err.size() : std::string::npos), c.err)
            << c.lang << " " << c.args.back();
        EXPECT_EQ(r.out, "");
    }
}

// The system's own reason (strerror) comes in the same character set as the
// message around it: UTF-8, also where the Japanese locale is not installed.
TEST(PelzoQuizMessages, SystemReasonsAreUtf8InJapanese)
{
    const std::string missing = fixture::out_path("messages/missing.txt");
    const ToolRun r = run_tool_in("ja_JP.UTF-8", {"pack", "-o", fixture::out_path("messages/set.zip"), missing});
    const std::string line = r.first_err_line();
    const std::string opening = shown_path(missing) + ": 開けません: ";
    EXPECT_EQ(line.substr(0, opening.size()), opening);
    EXPECT_EQ(line.find('?'), std::string::npos) << line;
}

#ifndef _WIN32
// An empty LANGUAGE is no choice of language: LANG still chooses (a shell's
// `LANGUAGE= pelzo-quiz ...`). Windows has no empty variables.
TEST(PelzoQuizMessages, AnEmptyLanguageVariableLeavesTheChoiceToLang)
{
    const ScopedEnv all("LC_ALL", ""), messages("LC_MESSAGES", ""), main("LANG", "ja_JP.UTF-8");
    const char *old = getenv("LANGUAGE");
    const std::string saved = old ? old : "";
    setenv("LANGUAGE", "", 1);
    const ToolRun r = run_tool({"pack", "--bogus"});
    if (old)
        setenv("LANGUAGE", saved.c_str(), 1);
    else
        unsetenv("LANGUAGE");
    EXPECT_EQ(r.first_err_line(), "pelzo-quiz pack: 不明なオプション --bogus");
}
#endif
