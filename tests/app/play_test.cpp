// SPDX-License-Identifier: MIT
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "game_driver.h"

namespace {

class Play : public GameDriver {};

TEST_F(Play, RightAnswersInTheFirstFramesClearTheGameWithFullScore)
{
    start({"-mute"});
    begin_game({12, 4, 1}, 42);
    for (int stage = 1; stage <= 10; ++stage) {
        ASSERT_EQ(g_stage, stage);
        frame();  // no jingle: the question shows at once and the wait begins
        EXPECT_FALSE(g_stageIntro);
        EXPECT_EQ(g_timerWaitFrames, 29);
        for (int q = 0; q < 10; ++q) {
            press_choice(g_correctChoiceIdx);
            EXPECT_EQ(g_timer, 10.0f);  // the countdown never started
            EXPECT_FALSE(g_timerPending);
            EXPECT_FALSE(IsMusicStreamPlaying(g_bgmCountup));
            ++questionsAsked_;
            press(kPlayNextButton);
        }
        ASSERT_EQ(g_screen, SCREEN_RESULT);
        EXPECT_TRUE(g_clearStage);
        EXPECT_EQ(g_correct, 10);
        EXPECT_EQ(g_score, 100 * stage);
        if (stage < 10) {
            EXPECT_EQ(result_kind(), RESULT_STAGE_CLEAR);
            press(kResultClearButton);  // "次のステージへ"
        }
    }
    EXPECT_EQ(questionsAsked_, 100);
    EXPECT_EQ(g_score, 1000);
    EXPECT_EQ(result_kind(), RESULT_GAME_CLEAR);
    frame();
    EXPECT_EQ(g_screen, SCREEN_RESULT);  // stays until its button is pressed
    press(kResultClearButton);  // "タイトルに戻る" on the green plate
    EXPECT_EQ(g_screen, SCREEN_TITLE);
    EXPECT_EQ(g_stage, 1);
    EXPECT_EQ(g_score, 0);
    EXPECT_EQ(g_genreCount, 3);  // the set stays loaded
}

// The keyboard alone, from the title to the title: Enter loads the set,
// 1-5 (top row or keypad) answer, Space and Enter press the one button.
TEST_F(Play, AWholeGameIsPlayedWithTheKeyboardAlone)
{
    const std::string set = std::string(PELZO_SOURCE_DIR) + "/data/samples/sample.zip";
    start({"-mute", set.c_str()});
    auto key = [](int code) {
        HeadlessQueueKey(code);
        app_frame();
    };
    key(KEY_ENTER);
    ASSERT_EQ(g_screen, SCREEN_PLAY);
    for (int stage = 1; stage <= 10; ++stage) {
        ASSERT_EQ(g_stage, stage);
        frame();
        for (int q = 0; q < 10; ++q) {
            const int right = g_correctChoiceIdx;
            // Top row and keypad take turns.
            key(q % 2 == 0 ? '1' + right : KEY_KP_1 + right);
            ASSERT_TRUE(g_answered);
            EXPECT_EQ(g_clickedIdx, right);
            // Only the first answer counts, by key as by click.
            key('1' + (right + 1) % 5);
            EXPECT_EQ(g_clickedIdx, right);
            key(q % 2 == 0 ? KEY_SPACE : KEY_KP_ENTER);
        }
        ASSERT_EQ(g_screen, SCREEN_RESULT);
        EXPECT_EQ(g_correct, 10);
        key(KEY_ENTER);  // "次のステージへ", at last "タイトルに戻る"
    }
    EXPECT_EQ(g_screen, SCREEN_TITLE);
    // A key that is no answer and no button does nothing on a question.
    key(KEY_ENTER);
    ASSERT_EQ(g_screen, SCREEN_PLAY);
    frame();
    for (int code : {int('0'), int('6'), KEY_KP_1 + 5, int('A')}) key(code);
    EXPECT_FALSE(g_answered);
}

TEST_F(Play, FourRightAnswersInStageOneAreGameOver)
{
    start({"-mute"});
    begin_game({12}, 7);
    frame();
    play_stage(4);
    EXPECT_FALSE(g_clearStage);
    EXPECT_EQ(g_correct, 4);
    EXPECT_EQ(g_score, 40);
    EXPECT_EQ(result_kind(), RESULT_GAME_OVER);
    // The clear plate's area outside the dark red one does nothing here.
    press(365, 440);
    EXPECT_EQ(g_screen, SCREEN_RESULT);
    press(kResultGameOverButton);
    EXPECT_EQ(g_screen, SCREEN_TITLE);
    EXPECT_EQ(g_stage, 1);
    EXPECT_EQ(g_score, 0);
}

TEST_F(Play, ExactlyTheClearLineClearsAStage)
{
    start({"-mute"});
    begin_game({12, 3}, 99);
    frame();
    play_stage(5);  // stage 1, clear line 5
    EXPECT_TRUE(g_clearStage);
    EXPECT_EQ(star_rating(g_stage, g_correct), 1);
    press(kResultClearButton);
    EXPECT_EQ(g_stage, 2);
    EXPECT_EQ(g_correct, 0);
    EXPECT_EQ(g_score, 50);  // carried over
    frame();
    play_stage(5);  // stage 2, clear line 5
    EXPECT_TRUE(g_clearStage);
    press(kResultClearButton);
    frame();
    play_stage(5);  // stage 3, clear line 6
    EXPECT_FALSE(g_clearStage);
    EXPECT_EQ(result_kind(), RESULT_GAME_OVER);
    EXPECT_EQ(g_score, 150);
    // The game-over screen offers no next stage: its plate returns to the title.
    press(kResultGameOverButton);
    EXPECT_EQ(g_screen, SCREEN_TITLE);
}

TEST_F(Play, UnansweredQuestionTimesOutAfterThirtyWaitFramesAndTenSeconds)
{
    start({});  // with sounds, so the wrong sound and the music can be heard
    begin_game({12}, 3);
    ASSERT_TRUE(IsSoundPlaying(g_sndPlayStart));
    while (IsSoundPlaying(g_sndPlayStart)) {
        frame();
        ASSERT_EQ(g_timerWaitFrames, 30);
    }
    HeadlessQueueMouseMove(5, 5);
    for (int f = 1; f <= 30; ++f) {
        frame();
        ASSERT_FALSE(g_stageIntro);
        ASSERT_TRUE(g_timerPending) << "frame " << f;
        ASSERT_FALSE(g_timerActive);
        ASSERT_EQ(g_timerWaitFrames, 30 - f);
        ASSERT_EQ(g_timer, 10.0f);
        ASSERT_FALSE(IsMusicStreamPlaying(g_bgmCountup));
    }
    for (int f = 1; f < 600; ++f) {
        frame();
        ASSERT_TRUE(g_timerActive) << "counting frame " << f;
        ASSERT_FALSE(g_answered) << "counting frame " << f;
        ASSERT_FALSE(next_button_drawn());
    }
    EXPECT_NEAR(g_timer, 1.0f / 60.0f, 1e-4f);
    EXPECT_TRUE(IsMusicStreamPlaying(g_bgmCountup));
    EXPECT_FALSE(IsSoundPlaying(g_sfxWrong));
    frame();  // the 600th counting frame
    EXPECT_TRUE(g_answered);
    EXPECT_FALSE(g_timerActive);
    EXPECT_EQ(g_timer, 0.0f);
    EXPECT_EQ(g_clickedIdx, -1);
    EXPECT_EQ(g_correct, 0);
    EXPECT_EQ(g_score, 0);
    EXPECT_TRUE(IsSoundPlaying(g_sfxWrong));
    EXPECT_FALSE(IsSoundPlaying(g_sfxCorrect));
    EXPECT_FALSE(IsMusicStreamPlaying(g_bgmCountup));
    EXPECT_TRUE(next_button_drawn()) << "offered in the frame of the time-out";
    // Clicks on choices after the time-out change nothing.
    press_choice(g_correctChoiceIdx);
    EXPECT_EQ(g_clickedIdx, -1);
    EXPECT_EQ(g_correct, 0);
    press(kPlayNextButton);
    EXPECT_EQ(g_qCount, 2);
    EXPECT_FALSE(g_answered);
    EXPECT_EQ(g_timer, 10.0f);
}

TEST_F(Play, AnswerWithNineNinetyNineSecondsLeftScoresNine)
{
    start({"-mute"}, 0.01f);
    begin_game({12}, 5);
    for (int f = 0; f < 30; ++f) frame();
    ASSERT_TRUE(g_timerPending);
    ASSERT_EQ(g_timerWaitFrames, 0);
    press_choice(g_correctChoiceIdx);  // the countdown starts and subtracts 0.01 s first
    EXPECT_FLOAT_EQ(g_timer, 9.99f);
    EXPECT_EQ(g_score, 9);
    EXPECT_EQ(g_correct, 1);
}

TEST_F(Play, AnswerWithHalfASecondLeftScoresNothingButCountsAsRight)
{
    start({"-mute"}, 0.25f);
    begin_game({12}, 5);
    for (int f = 0; f < 30 + 37; ++f) frame();
    EXPECT_EQ(g_timer, 0.75f);
    press_choice(g_correctChoiceIdx);  // the 38th counting frame
    EXPECT_EQ(g_timer, 0.5f);
    EXPECT_EQ(g_score, 0);
    EXPECT_EQ(g_correct, 1);
    EXPECT_TRUE(g_answered);
    // The next question's right answer with a full clock scores all ten.
    press(kPlayNextButton);
    press_choice(g_correctChoiceIdx);
    EXPECT_EQ(g_score, 10);
    EXPECT_EQ(g_correct, 2);
}

// A 16-bit mono PCM WAV of `seconds` of a quiet square wave.
std::vector<unsigned char> make_wav(double seconds, int rate = 44100)
{
    const uint32_t frames = static_cast<uint32_t>(seconds * rate);
    const uint32_t dataBytes = frames * 2;
    std::vector<unsigned char> w;
    auto put = [&w](const void *p, size_t n) {
        w.insert(w.end(), static_cast<const unsigned char *>(p), static_cast<const unsigned char *>(p) + n);
    };
    auto u32 = [&put](uint32_t v) {
        unsigned char b[4] = {(unsigned char)v, (unsigned char)(v >> 8), (unsigned char)(v >> 16),
                              (unsigned char)(v >> 24)};
        put(b, 4);
    };
    auto u16 = [&put](uint16_t v) {
        unsigned char b[2] = {(unsigned char)v, (unsigned char)(v >> 8)};
        put(b, 2);
    };
    put("RIFF", 4);
    u32(36 + dataBytes);
    put("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(static_cast<uint32_t>(rate));
    u32(static_cast<uint32_t>(rate) * 2);
    u16(2);
    u16(16);
    put("data", 4);
    u32(dataBytes);
    for (uint32_t i = 0; i < frames; ++i) u16((i / 50) % 2 ? 0x0400 : 0xFC00);
    return w;
}

TEST_F(Play, TheIntroHoldsTheGameStillWhileTheJinglePlays)
{
    start({"-mute"});
    const std::vector<unsigned char> wav = make_wav(0.5);
    Wave wave = LoadWaveFromMemory(".wav", wav.data(), static_cast<int>(wav.size()));
    ASSERT_GT(wave.frameCount, 0u);
    g_sndPlayStart = LoadSoundFromWave(wave);
    UnloadWave(wave);
    ASSERT_NE(g_sndPlayStart.data, nullptr);

    begin_game({12}, 8);
    EXPECT_TRUE(g_stageIntro);
    int introFrames = 0;
    while (IsSoundPlaying(g_sndPlayStart)) {
        press_choice(g_correctChoiceIdx);  // clicks on the hidden choices do nothing
        ASSERT_TRUE(g_stageIntro);
        ASSERT_FALSE(g_answered);
        ASSERT_EQ(g_timerWaitFrames, 30);
        ASSERT_LT(++introFrames, 100);
    }
    EXPECT_EQ(introFrames, 30);  // 0.5 s at 60 frames per second
    EXPECT_EQ(g_correct, 0);
    frame();  // the first frame without the jingle shows the question and counts
    EXPECT_FALSE(g_stageIntro);
    EXPECT_EQ(g_timerWaitFrames, 29);
}

TEST_F(Play, WithoutAStageJingleTheIntroNeverShows)
{
    start({"-mute"});
    begin_game({12}, 8);
    EXPECT_TRUE(g_stageIntro);
    press_choice(g_correctChoiceIdx);  // the very first play frame takes answers
    EXPECT_FALSE(g_stageIntro);
    EXPECT_TRUE(g_answered);
    EXPECT_EQ(g_correct, 1);
}

TEST_F(Play, OnlyTheFirstClickOfAQuestionCounts)
{
    start({"-mute"});
    begin_game({12}, 10);
    frame();
    const int right = g_correctChoiceIdx;
    press_choice(wrong_slot());
    const int clicked = g_clickedIdx;
    EXPECT_EQ(clicked, (right + 1) % 5);
    for (int slot = 0; slot < 5; ++slot) {
        press_choice(slot);
        EXPECT_EQ(g_clickedIdx, clicked);
        EXPECT_EQ(g_correct, 0);
        EXPECT_EQ(g_score, 0);
    }
    EXPECT_EQ(g_qCount, 1);
}

TEST_F(Play, OnlyALeftPressInsideAChoiceAnswers)
{
    start({"-mute"});
    begin_game({12}, 10);
    frame();
    const Rectangle r = play_choice_rect(0);
    press(r.x + r.width + 4, r.y + 10);  // the gap between the columns
    EXPECT_FALSE(g_answered);
    press(r.x + 20, r.y + 20, MOUSE_BUTTON_RIGHT);
    EXPECT_FALSE(g_answered);
    press(r.x + 20, r.y + 20, MOUSE_BUTTON_MIDDLE);
    EXPECT_FALSE(g_answered);
    HeadlessQueueKey(KEY_A);
    HeadlessQueueKey(KEY_ENTER);
    frame();
    EXPECT_FALSE(g_answered);
    EXPECT_FALSE(next_button_drawn());
    press(r.x, r.y);  // the top-left corner is inside
    EXPECT_TRUE(g_answered);
    EXPECT_EQ(g_clickedIdx, 0);
    EXPECT_TRUE(next_button_drawn());
}

TEST_F(Play, NextButtonIsOfferedInTheFrameOfTheAnswer)
{
    start({"-mute"});
    begin_game({12}, 12);
    frame();
    EXPECT_FALSE(next_button_drawn());
    press_choice(4);
    EXPECT_TRUE(next_button_drawn());
}

TEST_F(Play, AnUnknownScreenShowsOnlyTheBackground)
{
    start({"-mute"});
    g_screen = 7;
    for (int i = 0; i < 3; ++i) {
        press(480, 368);
        EXPECT_EQ(g_screen, 7);
        const Color c = HeadlessGetPixel(480, 368);
        EXPECT_TRUE(same(c, (Color{18, 20, 35, 255})));
    }
}

}  // namespace
