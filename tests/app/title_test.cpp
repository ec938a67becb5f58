// SPDX-License-Identifier: MIT
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "font_jp.h"
#include "game_driver.h"
#include "pzq_format.h"
#include "screen_problems.h"
#include "source_problems.h"
#include "workbook.h"
#include "test_env.h"

namespace {

// Writes a binary quiz file with two genres of three ASCII questions each.
std::string write_small_pzq(const char *name)
{
    const std::string path = std::string(PELZO_TEST_OUT) + "/" + name;
    unsigned char header[8][256] = {};
    const int counts[2] = {3, 3};
    for (int g = 0; g < 2; ++g) {
        snprintf(reinterpret_cast<char *>(header[g]), 16, "Genre %c", 'A' + g);
        header[g][18] = static_cast<unsigned char>(counts[g]);
    }
    memcpy(header[0] + kPzqMagicOffset, kPzqMagic, kPzqMagicSize);
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return "";
    fwrite(header, 1, sizeof header, f);
    auto field = [f](const std::string &text, size_t width) {
        std::string stored(width, ' ');
        for (size_t i = 0; i < text.size() && i < width; ++i) stored[i] = static_cast<char>(text[i] ^ 0x80);
        fwrite(stored.data(), 1, width, f);
    };
    for (int g = 0; g < 2; ++g) {
        for (int q = 0; q < counts[g]; ++q) {
            char buf[64];
            snprintf(buf, sizeof buf, "Question %c%d", 'A' + g, q);
            field(buf, 116);
            for (int c = 0; c < 5; ++c) {
                snprintf(buf, sizeof buf, "Answer%c%d-%d", 'A' + g, q, c);
                field(buf, 28);
            }
        }
    }
    fclose(f);
    return path;
}

class Title : public GameDriver {};

// Writes a teacher's workbook of one sheet of `rows` questions into the test
// folder. With rightAnswers false every right answer is left empty: an error
// a row. A sheet of fewer than ten questions is a warning.
std::string write_workbook(const char *name, int rows, bool rightAnswers)
{
    std::vector<std::vector<std::string>> cells;
    for (int i = 0; i < rows; ++i)
        cells.push_back({"県庁所在地はどこ？ (" + std::to_string(i + 1) + ")", rightAnswers ? "札幌市" : "", "仙台市",
                         "前橋市", "水戸市", "甲府市"});
    const std::string bytes =
        xlsx_book({"都道府県"}, {xlsx_sheet({"問題", "正解", "誤答1", "誤答2", "誤答3", "誤答4"}, cells)});
    const std::string path = std::string(PELZO_TEST_OUT) + "/" + name;
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return "";
    const bool written = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && written && !bytes.empty() ? path : "";
}

void press_key(int key)
{
    HeadlessQueueKey(key);
    app_frame();
}

TEST_F(Title, StartButtonLoadsTheCommandLineSetAndBeginsStageOne)
{
    const std::string path = write_small_pzq("title_start.pzq");
    ASSERT_FALSE(path.empty());
    start({"-mute", path.c_str()});
    g_score = 0;
    press(kTitleStartButton);
    ASSERT_EQ(g_screen, SCREEN_PLAY) << g_errorMsg;
    EXPECT_EQ(g_errorMsg[0], '\0');
    EXPECT_EQ(g_genreCount, 2);
    EXPECT_EQ(g_stage, 1);
    EXPECT_EQ(g_qCount, 1);
    EXPECT_TRUE(g_stageIntro);
    EXPECT_STREQ(g_genres[0].name, "Genre A");
    const char *text = g_genres[g_genreIdx].items[g_currentQ].text;
    EXPECT_EQ(strncmp(text, "Question ", 9), 0);
    // A whole stage can be played on it, and the title comes back after it.
    frame();
    play_stage(0);
    EXPECT_EQ(result_kind(), RESULT_GAME_OVER);
    press(kResultGameOverButton);
    EXPECT_EQ(g_screen, SCREEN_TITLE);
    // Every start loads the set anew.
    press(kTitleStartButton);
    EXPECT_EQ(g_screen, SCREEN_PLAY);
    EXPECT_EQ(g_genreCount, 2);
}

TEST_F(Title, AFailedLoadKeepsTheTitleAndShowsTheMessage)
{
    start({"-mute", PELZO_TEST_OUT "/no-such-set.pzq"});
    press(kTitleStartButton);
    EXPECT_EQ(g_screen, SCREEN_TITLE);
    EXPECT_NE(g_errorMsg[0], '\0');
    EXPECT_EQ(g_genreCount, 0);
    frame();
    // The error plate is drawn above the button from the next frame on.
    const Color plate = HeadlessGetPixel(480, 287);
    EXPECT_FALSE(same(plate, (Color{18, 20, 35, 255})));
    // The button stays usable: a good set loads at once.
    const std::string path = write_small_pzq("title_retry.pzq");
    strcpy(g_argFilePath, path.c_str());
    press(kTitleStartButton);
    EXPECT_EQ(g_screen, SCREEN_PLAY);
    EXPECT_EQ(g_errorMsg[0], '\0');
}

TEST_F(Title, ALeftClickOnStartDuringTheJingleStopsItAndLoads)
{
    const std::string path = write_small_pzq("title_jingle.pzq");
    start({path.c_str()});
    ASSERT_TRUE(IsSoundPlaying(g_sndOpening));
    press(kTitleStartButton);
    EXPECT_FALSE(IsSoundPlaying(g_sndOpening));
    EXPECT_EQ(g_screen, SCREEN_PLAY);
    EXPECT_TRUE(IsSoundPlaying(g_sndPlayStart));
}

TEST_F(Title, ACancelledFileDialogChangesNothing)
{
#ifdef _WIN32
    GTEST_SKIP() << "the Windows dialog opens without an X display; the game test under Wine cancels it";
#endif
    // Without a display the dialog cannot open, which the game sees as a cancel.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    start({"-mute"});
    build_genres({4, 2});
    strcpy(g_errorMsg, "previous error");
    press(kTitleStartButton);
    EXPECT_EQ(g_screen, SCREEN_TITLE);
    EXPECT_STREQ(g_errorMsg, "previous error");
    EXPECT_EQ(g_genreCount, 2);
    EXPECT_NE(g_genres[0].items, nullptr);
    g_errorMsg[0] = '\0';
}

// A path longer than the 512-byte buffer is cut for the title line but never
// loaded: the cut names another file, here a set that would load.
TEST_F(Title, APathThatDoesNotFitTheBufferIsNeverLoaded)
{
    // Folders of at most 200 bytes a name, up to a 511-byte path. They are
    // removed one by one at the end: remove_all of MinGW's library never
    // returns on such a path under Wine.
    std::vector<std::string> dirs{std::string(PELZO_TEST_OUT) + "/" + std::string(200, 'd')};
    while (511 - dirs.back().size() - 1 - 4 > 200) dirs.push_back(dirs.back() + "/" + std::string(200, 'e'));
    const std::string &dir = dirs.back();
    std::filesystem::create_directories(dir);
    const std::string other = dir + "/" + std::string(511 - dir.size() - 1 - 4, 'f') + ".pzq";
    ASSERT_EQ(other.size(), 511u);
    std::error_code ignored;
    std::filesystem::remove(other, ignored);  // left by an earlier run
    std::filesystem::copy_file(write_small_pzq("title_other.pzq"), other);

    struct Case {
        std::string arg;
        const char *message;
    };
    // The whole path decides the branch: ".pzqz" is a ZIP set, "….pzq" a .pzq.
    for (const Case &c :
         {Case{other + "z", "有効な問題ファイルが見つかりません"}, Case{other + "/x.pzq", "PZQファイルを開けません"}}) {
        SCOPED_TRACE(c.arg.size());
        start({"-mute", c.arg.c_str()});
        EXPECT_STREQ(g_argFilePath, other.c_str());
        EXPECT_FALSE(command_line_path_fits());
        build_genres({4, 2});
        press(kTitleStartButton);
        EXPECT_EQ(g_screen, SCREEN_TITLE);
        EXPECT_STREQ(g_errorMsg, c.message);
        EXPECT_EQ(g_genreCount, 0) << "the previous set is released, as by any failed load";
    }
    g_errorMsg[0] = '\0';
    std::filesystem::remove(other, ignored);
    for (auto d = dirs.rbegin(); d != dirs.rend(); ++d) std::filesystem::remove(*d, ignored);
}

TEST_F(Title, APanelOfErrorsStartsNothingAndEscapeClosesIt)
{
    const std::string path = write_workbook("title_errors.xlsx", 40, false);
    ASSERT_FALSE(path.empty());
    start({"-mute", path.c_str()});
    press(kTitleStartButton);
    ASSERT_TRUE(problems_is_open()) << g_errorMsg;
    EXPECT_EQ(g_screen, SCREEN_TITLE);
    ASSERT_GT(problems_page_count(), 2);
    if (font_jp_file()[0] != '\0') {
        EXPECT_NE(GetGlyphIndex(g_fontJP, U'県'), 0) << "the font holds the lines";
        EXPECT_NE(GetGlyphIndex(g_fontJP, U'閉'), 0) << "and the panel's words";
    }

    press_key(KEY_PAGE_DOWN);
    EXPECT_EQ(problems_page(), 1);
    // Under the panel the start button and the keys do not act: a load would
    // open the panel anew on its first page, or start the set.
    press(kTitleStartButton);
    press_key(KEY_ENTER);
    press_key(KEY_SPACE);
    EXPECT_TRUE(problems_is_open());
    EXPECT_EQ(problems_page(), 1);
    EXPECT_EQ(g_screen, SCREEN_TITLE);

    press_key(KEY_ESCAPE);
    EXPECT_FALSE(problems_is_open());
    frame();
    EXPECT_FALSE(WindowShouldClose()) << "Escape closed the panel, not the game";
    // The title acts again, and a click outside the panel dismisses it too.
    press(kTitleStartButton);
    ASSERT_TRUE(problems_is_open());
    EXPECT_EQ(problems_page(), 0);
    press(20, 620);
    EXPECT_FALSE(problems_is_open());
    press_key(KEY_ESCAPE);
    EXPECT_TRUE(WindowShouldClose()) << "without the panel Escape closes the game";
}

TEST_F(Title, PlayAnywayOnAPanelOfWarningsStartsStageOne)
{
    const std::string path = write_workbook("title_warnings.xlsx", 3, true);
    ASSERT_FALSE(path.empty());
    for (const bool byKey : {false, true}) {
        SCOPED_TRACE(byKey ? "Enter" : "click");
        start({"-mute", path.c_str()});
        press(kTitleStartButton);
        ASSERT_TRUE(problems_is_open()) << g_errorMsg;
        EXPECT_TRUE(g_sourceProblems.errors.empty());
        EXPECT_EQ(g_screen, SCREEN_TITLE);
        EXPECT_EQ(g_genreCount, 1) << "the set is loaded, waiting for the answer";
        if (byKey)
            press_key(KEY_ENTER);
        else
            press(kProblemsPlayButton);
        EXPECT_FALSE(problems_is_open());
        EXPECT_EQ(g_screen, SCREEN_PLAY);
        EXPECT_EQ(g_stage, 1);
        EXPECT_EQ(g_qCount, 1);
        EXPECT_TRUE(g_stageIntro);
        app_shutdown();
        started_ = false;
    }
}

TEST_F(Title, FileNameIsThePartAfterTheLastSeparator)
{
    EXPECT_STREQ(title_file_name("C:\\quiz\\set1.zip"), "set1.zip");
    EXPECT_STREQ(title_file_name("data/set1.pzq"), "set1.pzq");
    EXPECT_STREQ(title_file_name("set1.zip"), "set1.zip");
    EXPECT_STREQ(title_file_name("a/b\\c/d.zip"), "c/d.zip");  // the backslash wins
    EXPECT_STREQ(title_file_name("dir/"), "");
}

}  // namespace
