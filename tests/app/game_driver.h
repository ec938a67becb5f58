// SPDX-License-Identifier: MIT
// Drives the real game headless for the play tests: start-up with a command
// line, one app_frame per step, presses queued at screen positions.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "../rules/genre_builder.h"
#include "app.h"
#include "game_random.h"
#include "game_state.h"
#include "headless.h"
#include "rules.h"
#include "screen_play.h"
#include "screen_result.h"
#include "screen_title.h"
#include "sounds.h"

class GameDriver : public ::testing::Test {
protected:
    void start(std::initializer_list<const char *> args, float frameTime = 1.0f / 60.0f)
    {
        HeadlessEnable(frameTime);
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>("pelzowin"));
        for (const char *a : args) argv.push_back(const_cast<char *>(a));
        argv.push_back(nullptr);
        app_startup(static_cast<int>(argv.size()) - 1, argv.data());
        started_ = true;
    }

    void TearDown() override
    {
        if (started_) app_shutdown();
        HeadlessDisable();
    }

    // The title's start button after a successful load, on a table built in memory.
    void begin_game(std::initializer_list<int> genreCounts, unsigned seed)
    {
        build_genres(genreCounts);
        game_srand(seed);
        g_stage = 1;
        begin_stage();
    }

    static void frame() { app_frame(); }

    // A left (or other) button press at (x, y) in the next frame, which is run.
    static void press(float x, float y, int button = MOUSE_BUTTON_LEFT)
    {
        HeadlessQueueClick(x, y, button);
        app_frame();
    }
    static void press(const Rectangle &r) { press(r.x + r.width * 0.5f, r.y + r.height * 0.5f); }

    static void press_choice(int slot) { press(play_choice_rect(slot)); }
    static int wrong_slot() { return (g_correctChoiceIdx + 1) % 5; }

    static bool same(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

    // The body of "次の問題 →", lit or not, left of its label.
    static bool next_button_drawn()
    {
        const Color c = HeadlessGetPixel(396, 613);
        return same(c, Color{40, 80, 40, 255}) || same(c, Color{70, 110, 70, 255});
    }

    // Answers the ten questions of the current stage, the first `right` of them
    // right, each in its first frame, then presses "次の問題 →".
    void play_stage(int right)
    {
        ASSERT_EQ(g_screen, SCREEN_PLAY);
        for (int q = 0; q < kQuestionsPerStage; ++q) {
            ASSERT_EQ(g_qCount, q + 1);
            press_choice(q < right ? g_correctChoiceIdx : wrong_slot());
            ASSERT_TRUE(g_answered);
            ++questionsAsked_;
            press(kPlayNextButton);
        }
        ASSERT_EQ(g_screen, SCREEN_RESULT);
    }

    bool started_ = false;
    int questionsAsked_ = 0;
};
