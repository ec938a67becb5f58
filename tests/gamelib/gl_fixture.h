// SPDX-License-Identifier: MIT
// Shared helpers for the game library's tests: a headless 960 x 640 window per
// test, one-call frames, and Color comparison/printing for GoogleTest.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>

#include "gamelib.h"
#include "headless.h"
#include "test_env.h"

inline bool operator==(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }
inline void PrintTo(const Color &c, std::ostream *os)
{
    *os << "(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ", " << int(c.a) << ")";
}

// Each channel within `tolerance` of the other.
inline bool near_color(Color a, Color b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance &&
           std::abs(a.a - b.a) <= tolerance;
}

// One frame: begin, clear to `background`, draw, end.
template <class Draw>
void run_frame(Color background, Draw draw)
{
    BeginDrawing();
    ClearBackground(background);
    draw();
    EndDrawing();
}

inline void run_empty_frame()
{
    BeginDrawing();
    EndDrawing();
}

// A headless window open for the length of each test.
class HeadlessWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        HeadlessEnable();
        InitWindow(960, 640, "gamelib test");
        ASSERT_TRUE(IsWindowReady());
    }
    void TearDown() override
    {
        CloseWindow();
        HeadlessDisable();
    }
};

// Windowed mode needs a video driver; tests use SDL's display-less one unless
// the environment chose another.
inline void use_dummy_video_driver() { setenv("SDL_VIDEODRIVER", "dummy", 0); }
