// SPDX-License-Identifier: MIT
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "font_jp.h"
#include "game_driver.h"

namespace {

void parse(std::vector<std::string> args)
{
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>("pelzowin"));
    for (std::string &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    parse_command_line(static_cast<int>(argv.size()) - 1, argv.data());
}

TEST(CommandLine, MuteInAnyCaseAnywhereAndTheFirstPath)
{
    struct Case {
        std::vector<std::string> args;
        bool mute;
        const char *path;
    };
    const Case cases[] = {
        {{"-mute", "quiz.zip"}, true, "quiz.zip"},
        {{"C:\\quiz\\set1.zip", "-MUTE"}, true, "C:\\quiz\\set1.zip"},
        {{"-Mute", "-mUTE"}, true, ""},
        {{"first.pzq", "second.pzq"}, false, "first.pzq"},
        {{"", "after-empty.zip"}, false, "after-empty.zip"},
        {{"--MUTE", "a.zip"}, true, "a.zip"},
        {{"--", "-mute", "b.zip"}, false, "-mute"},  // after "--" everything is a path
        {{"-mute", "--", "--", "c.zip"}, true, "--"},
        {{"データ/問題セット.zip"}, false, "データ/問題セット.zip"},  // UTF-8 as given
        {{}, false, ""},
    };
    for (const Case &c : cases) {
        parse(c.args);
        EXPECT_EQ(g_mute, c.mute) << ::testing::PrintToString(c.args);
        EXPECT_STREQ(g_argFilePath, c.path) << ::testing::PrintToString(c.args);
    }
}

// --help, --version and unknown options are answered before the game starts.
TEST(CommandLine, HelpVersionAndUnknownOptionsAnswerBeforeTheGame)
{
    struct Case {
        std::vector<std::string> args;
        int exit;  // -1: the game starts
        const char *out;  // what stdout holds (a part of it)
        const char *err;
    };
    const Case cases[] = {
        {{"--help"}, 0, "usage: pelzowin [-mute]", ""},
        {{"set.zip", "-h"}, 0, "--version", ""},
        {{"--version"}, 0, "PelzoWin ver1.1.0\n", ""},
        {{"-full", "set.zip"}, 2, "", "unknown option \"-full\""},
        {{"-FullScreen", "--fullscreen", "set.zip"}, -1, "", ""},
        {{"-mutex"}, 2, "", "usage: pelzowin"},
        {{"-"}, 2, "", "unknown option \"-\""},
        {{"-MUTE", "--mute", "set.zip"}, -1, "", ""},
        {{"--", "--help", "-x"}, -1, "", ""},
        {{}, -1, "", ""},
    };
    for (const Case &c : cases) {
        std::vector<std::string> args = c.args;
        std::vector<char *> argv{const_cast<char *>("pelzowin")};
        for (std::string &a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        FILE *out = tmpfile();
        FILE *err = tmpfile();
        ASSERT_TRUE(out && err);
        const int code = app_command_line_exit(static_cast<int>(argv.size()) - 1, argv.data(), out, err);
        auto text = [](FILE *f) {
            std::string t(4096, '\0');
            rewind(f);
            t.resize(fread(t.data(), 1, t.size(), f));
            fclose(f);
            return t;
        };
        const std::string said = text(out), warned = text(err);
        const std::string what = ::testing::PrintToString(c.args);
        EXPECT_EQ(code, c.exit) << what;
        EXPECT_NE(said.find(c.out), std::string::npos) << what << ": " << said;
        EXPECT_NE(warned.find(c.err), std::string::npos) << what << ": " << warned;
        if (c.out[0] == '\0') {
            EXPECT_EQ(said, "") << what;
        }
        if (c.err[0] == '\0') {
            EXPECT_EQ(warned, "") << what;
        }
    }
}

TEST(CommandLine, ALongPathIsCutAtACharacterBoundary)
{
    std::string fits(511, 'a');
    parse({fits});
    EXPECT_EQ(std::string(g_argFilePath), fits);

    // 510 bytes and a 3-byte character: the character does not fit whole.
    std::string cut = std::string(510, 'a') + "あ";
    parse({cut});
    EXPECT_EQ(std::string(g_argFilePath), std::string(510, 'a'));

    std::string longer = std::string(509, 'b') + "あい";
    parse({longer});
    EXPECT_EQ(strlen(g_argFilePath), 509u);

    std::string huge(5000, 'c');
    parse({huge});
    EXPECT_EQ(strlen(g_argFilePath), 511u);
}

class Startup : public GameDriver {};

TEST_F(Startup, StartsOnTheTitleWithTheOpeningJingle)
{
    start({});
    EXPECT_EQ(g_screen, SCREEN_TITLE);
    EXPECT_EQ(g_stage, 1);
    EXPECT_EQ(g_score, 0);
    EXPECT_EQ(g_currentQ, -1);
    EXPECT_EQ(g_clickedIdx, -1);
    EXPECT_TRUE(IsWindowReady());
    EXPECT_TRUE(IsAudioDeviceReady());
    EXPECT_NE(g_titleTex.id, 0u);  // the embedded logo
    EXPECT_NE(g_sfxCorrect.data, nullptr);
    EXPECT_NE(g_bgmCountup.data, nullptr);
    EXPECT_TRUE(IsSoundPlaying(g_sndOpening));
    EXPECT_GT(g_fontJP.glyphCount, 0);
}

TEST_F(Startup, MuteLoadsNoSoundButStillOpensTheAudioDevice)
{
    start({"quiz.zip", "-MUTE"});
    EXPECT_TRUE(g_mute);
    EXPECT_STREQ(g_argFilePath, "quiz.zip");
    EXPECT_TRUE(IsAudioDeviceReady());
    EXPECT_EQ(g_sfxCorrect.data, nullptr);
    EXPECT_EQ(g_sfxWrong.data, nullptr);
    EXPECT_EQ(g_sndOpening.data, nullptr);
    EXPECT_EQ(g_sndPlayStart.data, nullptr);
    EXPECT_EQ(g_bgmCountup.data, nullptr);
    EXPECT_FALSE(IsSoundPlaying(g_sndOpening));
}

TEST_F(Startup, AnyPressStopsTheOpeningJingleAndNothingElse)
{
    for (int button : {MOUSE_BUTTON_RIGHT, MOUSE_BUTTON_MIDDLE, MOUSE_BUTTON_LEFT}) {
        start({});
        ASSERT_TRUE(IsSoundPlaying(g_sndOpening));
        press(20, 600, button);
        EXPECT_FALSE(IsSoundPlaying(g_sndOpening)) << "button " << button;
        EXPECT_EQ(g_screen, SCREEN_TITLE);
        app_shutdown();
        started_ = false;
        HeadlessDisable();
    }
    // Any key but the button's (Enter and Space press "ゲームスタート").
    start({});
    HeadlessQueueKey(KEY_A);
    frame();
    EXPECT_FALSE(IsSoundPlaying(g_sndOpening));
    EXPECT_EQ(g_screen, SCREEN_TITLE);
}

TEST_F(Startup, TheJinglePlaysOnWithoutInput)
{
    start({});
    for (int i = 0; i < 10; ++i) frame();
    EXPECT_TRUE(IsSoundPlaying(g_sndOpening));
}

TEST_F(Startup, ACloseRequestBeforeTheFirstFrameDrawsNothing)
{
    start({"-mute"});
    HeadlessRequestClose();
    const long before = HeadlessFrameCount();
    app_run();
    EXPECT_EQ(HeadlessFrameCount(), before);
}

// Escape in the next frame ends the loop after exactly that frame.
long run_until_escape()
{
    HeadlessQueueKey(KEY_ESCAPE);
    const long before = HeadlessFrameCount();
    app_run();
    return HeadlessFrameCount() - before;
}

TEST_F(Startup, CloseEndsTheLoopInEveryStateAndShutdownFreesTheTable)
{
    // Each case drives a fresh game to one state, then closes it.
    for (int which = 0; which < 6; ++which) {
        start({"-mute"});
        if (which >= 1) {
            if (which == 1) {
                // Intro: a stage jingle of one second.
                g_sndPlayStart = LoadSound(PELZO_SOURCE_DIR "/assets/playstart_8bit.wav");
            }
            begin_game({12, 5}, 21);
            if (which == 1) {
                ASSERT_TRUE(IsSoundPlaying(g_sndPlayStart));
            }
            if (which == 2) frame();  // waiting
            if (which == 3)
                for (int f = 0; f < 40; ++f) frame();  // counting
            if (which == 4) press_choice(0);  // answered
            if (which == 5) {
                frame();
                play_stage(0);  // result
            }
        }
        const int screenBefore = g_screen;
        const bool introBefore = g_stageIntro;
        const bool pendingBefore = g_timerPending;
        const bool activeBefore = g_timerActive;
        const bool answeredBefore = g_answered;
        EXPECT_EQ(run_until_escape(), 1) << "state " << which;
        EXPECT_EQ(g_screen, screenBefore) << "state " << which;
        // The sub-state reached is the one asked for, and closing kept it.
        const bool expectedFlag[6] = {false, true, true, true, true, false};
        const bool flagAfter[6] = {false, g_stageIntro, g_timerPending, g_timerActive, g_answered, false};
        const bool flagBefore[6] = {false, introBefore, pendingBefore, activeBefore, answeredBefore, false};
        EXPECT_EQ(flagBefore[which], expectedFlag[which]) << "state " << which;
        EXPECT_EQ(flagAfter[which], flagBefore[which]) << "state " << which;
        GENRE_DATA *table = g_genres;
        app_shutdown();
        started_ = false;
        HeadlessDisable();
        EXPECT_EQ(g_genreCount, 0);
        for (int g = 0; g < kMaxGenres; ++g) EXPECT_EQ(table[g].items, nullptr);
        EXPECT_EQ(g_titleTex.id, 0u);
    }
}

}  // namespace
