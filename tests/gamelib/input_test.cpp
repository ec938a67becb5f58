// SPDX-License-Identifier: MIT
// Mouse buttons, keys and the mouse position, from the headless queue and from
// SDL's own events in windowed mode.
#include <SDL.h>

#include <vector>

#include "gl_fixture.h"

namespace {

using Input = HeadlessWindow;

struct Buttons {
    bool pressed[3];
    bool down[3];
};

// Runs one frame and records what it saw of the three buttons.
Buttons frame_buttons()
{
    Buttons b{};
    BeginDrawing();
    for (int i = 0; i < 3; i++) {
        b.pressed[i] = IsMouseButtonPressed(i);
        b.down[i] = IsMouseButtonDown(i);
    }
    EndDrawing();
    return b;
}

}  // namespace

TEST_F(Input, ClickPressesInItsFrameOnly)
{
    HeadlessQueueClick(120, 80);
    Buttons f1 = frame_buttons();
    EXPECT_TRUE(f1.pressed[MOUSE_BUTTON_LEFT]);
    EXPECT_TRUE(f1.down[MOUSE_BUTTON_LEFT]);
    EXPECT_FALSE(f1.pressed[MOUSE_BUTTON_RIGHT]);
    EXPECT_FALSE(f1.pressed[MOUSE_BUTTON_MIDDLE]);
    EXPECT_FLOAT_EQ(GetMousePosition().x, 120);
    EXPECT_FLOAT_EQ(GetMousePosition().y, 80);

    Buttons f2 = frame_buttons();
    EXPECT_FALSE(f2.pressed[MOUSE_BUTTON_LEFT]);
    EXPECT_FALSE(f2.down[MOUSE_BUTTON_LEFT]);
    // The position stays where the click left it.
    EXPECT_FLOAT_EQ(GetMousePosition().x, 120);
    Buttons f3 = frame_buttons();
    EXPECT_FALSE(f3.pressed[MOUSE_BUTTON_LEFT]);
}

TEST_F(Input, HeldButtonIsNotPressedAgain)
{
    HeadlessQueueMouseDown(MOUSE_BUTTON_LEFT);
    EXPECT_TRUE(frame_buttons().pressed[MOUSE_BUTTON_LEFT]);
    for (int i = 0; i < 3; i++) {
        Buttons b = frame_buttons();
        EXPECT_FALSE(b.pressed[MOUSE_BUTTON_LEFT]) << "frame " << i;
        EXPECT_TRUE(b.down[MOUSE_BUTTON_LEFT]);
    }
    // A second down event while held is not a new press either.
    HeadlessQueueMouseDown(MOUSE_BUTTON_LEFT);
    EXPECT_FALSE(frame_buttons().pressed[MOUSE_BUTTON_LEFT]);
    HeadlessQueueMouseUp(MOUSE_BUTTON_LEFT);
    EXPECT_FALSE(frame_buttons().down[MOUSE_BUTTON_LEFT]);
    HeadlessQueueMouseDown(MOUSE_BUTTON_LEFT);
    EXPECT_TRUE(frame_buttons().pressed[MOUSE_BUTTON_LEFT]);
}

TEST_F(Input, RightAndMiddleNeverCountAsLeft)
{
    for (int button : {MOUSE_BUTTON_RIGHT, MOUSE_BUTTON_MIDDLE}) {
        HeadlessQueueClick(10, 10, button);
        Buttons b = frame_buttons();
        EXPECT_TRUE(b.pressed[button]);
        EXPECT_FALSE(b.pressed[MOUSE_BUTTON_LEFT]);
        EXPECT_FALSE(b.down[MOUSE_BUTTON_LEFT]);
        EXPECT_FALSE(b.pressed[3 - button]);  // nor as each other
        frame_buttons();
    }
}

TEST_F(Input, ClicksQueuedTogetherArePressedSeparately)
{
    HeadlessQueueClick(1, 1);
    HeadlessQueueClick(2, 2);
    std::vector<int> pressedIn;
    for (int f = 0; f < 6; f++) {
        BeginDrawing();
        if (IsMouseButtonPressed(MOUSE_BUTTON_LEFT)) {
            pressedIn.push_back(f);
            EXPECT_FLOAT_EQ(GetMousePosition().x, (float)pressedIn.size());
        }
        EndDrawing();
    }
    EXPECT_EQ(pressedIn, (std::vector<int>{0, 1}));
}

TEST_F(Input, QueuedMidFrameArrivesNextFrame)
{
    BeginDrawing();
    HeadlessQueueClick(5, 5);
    HeadlessQueueKey(KEY_A);
    EXPECT_FALSE(IsMouseButtonPressed(MOUSE_BUTTON_LEFT));
    EXPECT_EQ(GetKeyPressed(), KEY_NULL);
    EndDrawing();
    BeginDrawing();
    EXPECT_TRUE(IsMouseButtonPressed(MOUSE_BUTTON_LEFT));
    EXPECT_EQ(GetKeyPressed(), KEY_A);
    EndDrawing();
}

TEST_F(Input, KeysComeOnePerCallThenZero)
{
    HeadlessQueueKey(KEY_A);
    HeadlessQueueKey(KEY_ENTER);
    HeadlessQueueKey(KEY_SPACE);
    BeginDrawing();
    EXPECT_EQ(GetKeyPressed(), KEY_A);
    EXPECT_EQ(GetKeyPressed(), KEY_ENTER);
    EXPECT_EQ(GetKeyPressed(), KEY_SPACE);
    EXPECT_EQ(GetKeyPressed(), KEY_NULL);
    EXPECT_EQ(GetKeyPressed(), KEY_NULL);
    EndDrawing();
    // Keys not read in their frame are gone in the next.
    HeadlessQueueKey(KEY_A + 1);
    run_empty_frame();
    BeginDrawing();
    EXPECT_EQ(GetKeyPressed(), KEY_NULL);
    EndDrawing();
    EXPECT_FALSE(WindowShouldClose());
}

TEST_F(Input, ManyKeysInOneFrameAreCappedNotOverrun)
{
    for (int i = 0; i < 100; i++) HeadlessQueueKey(KEY_A + i % 26);
    BeginDrawing();
    int n = 0;
    while (GetKeyPressed() != KEY_NULL) n++;
    EndDrawing();
    EXPECT_GT(n, 0);
    EXPECT_LT(n, 100);
}

TEST_F(Input, UnknownButtonsAreNeverPressed)
{
    HeadlessQueueClick(1, 1, 3);
    HeadlessQueueMouseDown(-1);
    HeadlessQueueMouseDown(7);
    BeginDrawing();
    for (int b : {-1, 3, 7, 1000}) {
        EXPECT_FALSE(IsMouseButtonPressed(b));
        EXPECT_FALSE(IsMouseButtonDown(b));
    }
    EXPECT_FALSE(IsMouseButtonPressed(MOUSE_BUTTON_LEFT));
    EndDrawing();
}

TEST_F(Input, InitWindowEmptiesTheQueue)
{
    HeadlessQueueClick(1, 1);
    HeadlessQueueKey(KEY_A);
    CloseWindow();
    InitWindow(960, 640, "again");
    ASSERT_TRUE(IsWindowReady());
    BeginDrawing();
    EXPECT_FALSE(IsMouseButtonPressed(MOUSE_BUTTON_LEFT));
    EXPECT_EQ(GetKeyPressed(), KEY_NULL);
    EndDrawing();
}

TEST(Collision, LeftAndTopEdgesInRightAndBottomOut)
{
    const Rectangle r{100, 200, 50, 20};
    EXPECT_TRUE(CheckCollisionPointRec(Vector2{100, 200}, r));
    EXPECT_TRUE(CheckCollisionPointRec(Vector2{149.9f, 219.9f}, r));
    EXPECT_TRUE(CheckCollisionPointRec(Vector2{125, 210}, r));
    EXPECT_FALSE(CheckCollisionPointRec(Vector2{150, 210}, r));
    EXPECT_FALSE(CheckCollisionPointRec(Vector2{125, 220}, r));
    EXPECT_FALSE(CheckCollisionPointRec(Vector2{99.9f, 210}, r));
    EXPECT_FALSE(CheckCollisionPointRec(Vector2{125, 199.9f}, r));
    // An empty rectangle holds no point, not even its corner.
    EXPECT_FALSE(CheckCollisionPointRec(Vector2{100, 200}, Rectangle{100, 200, 0, 20}));
    EXPECT_FALSE(CheckCollisionPointRec(Vector2{100, 200}, Rectangle{100, 200, 50, 0}));
}

// Windowed mode reads SDL's events; pushed events stand in for the mouse and
// keyboard. They are polled at the end of a frame for the next one.
class WindowedInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_dummy_video_driver();
        InitWindow(960, 640, "input test");
        ASSERT_TRUE(IsWindowReady());
        SetTargetFPS(0);
    }
    void TearDown() override
    {
        CloseWindow();
        SetTargetFPS(60);
    }
    static void push_button(Uint32 type, Uint8 button, int x, int y)
    {
        SDL_Event e{};
        e.type = type;
        e.button.button = button;
        e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.button.x = x;
        e.button.y = y;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }
    static void push_key(SDL_Scancode sc, Uint8 repeat)
    {
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.state = SDL_PRESSED;
        e.key.repeat = repeat;
        e.key.keysym.scancode = sc;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }
};

TEST_F(WindowedInput, SdlButtonsMapToLeftRightMiddle)
{
    push_button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 30, 40);
    run_empty_frame();
    EXPECT_TRUE(IsMouseButtonPressed(MOUSE_BUTTON_RIGHT));
    EXPECT_FALSE(IsMouseButtonPressed(MOUSE_BUTTON_LEFT));
    EXPECT_FLOAT_EQ(GetMousePosition().x, 30);
    EXPECT_FLOAT_EQ(GetMousePosition().y, 40);
    push_button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 30, 40);
    push_button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, 30, 40);
    run_empty_frame();
    EXPECT_TRUE(IsMouseButtonPressed(MOUSE_BUTTON_MIDDLE));
    EXPECT_FALSE(IsMouseButtonPressed(MOUSE_BUTTON_RIGHT));
    EXPECT_FALSE(IsMouseButtonDown(MOUSE_BUTTON_RIGHT));
    EXPECT_FALSE(IsMouseButtonPressed(MOUSE_BUTTON_LEFT));
}

TEST_F(WindowedInput, QuickClickBetweenFramesIsStillAPress)
{
    push_button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 5, 6);
    push_button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 5, 6);
    run_empty_frame();
    EXPECT_TRUE(IsMouseButtonPressed(MOUSE_BUTTON_LEFT));
    EXPECT_FALSE(IsMouseButtonDown(MOUSE_BUTTON_LEFT));
    run_empty_frame();
    EXPECT_FALSE(IsMouseButtonPressed(MOUSE_BUTTON_LEFT));
}

TEST_F(WindowedInput, KeysByPositionRepeatsIgnored)
{
    push_key(SDL_SCANCODE_Q, 0);
    push_key(SDL_SCANCODE_Q, 1);  // auto-repeat
    push_key(SDL_SCANCODE_RETURN, 0);
    push_key(SDL_SCANCODE_7, 0);
    run_empty_frame();
    EXPECT_EQ(GetKeyPressed(), 'Q');
    EXPECT_EQ(GetKeyPressed(), KEY_ENTER);
    EXPECT_EQ(GetKeyPressed(), '7');
    EXPECT_EQ(GetKeyPressed(), KEY_NULL);
    EXPECT_FALSE(WindowShouldClose());
    push_key(SDL_SCANCODE_ESCAPE, 0);
    run_empty_frame();
    EXPECT_EQ(GetKeyPressed(), KEY_ESCAPE);
    EXPECT_TRUE(WindowShouldClose());
}

// Every key SDL reports is a key: lock keys, Print Screen, Pause, the keypad
// operators, Super, Menu and F13 and up among them (they stop the title's
// jingle like any other key). Escape closes the window, so it comes last;
// F11 is the window's, for full screen, and is no key.
TEST_F(WindowedInput, EveryKeySdlReportsIsAKey)
{
    struct Named {
        SDL_Scancode sc;
        int key;
    };
    for (Named n : {Named{SDL_SCANCODE_CAPSLOCK, KEY_CAPS_LOCK}, Named{SDL_SCANCODE_NUMLOCKCLEAR, KEY_NUM_LOCK},
                    Named{SDL_SCANCODE_SCROLLLOCK, KEY_SCROLL_LOCK}, Named{SDL_SCANCODE_PRINTSCREEN, KEY_PRINT_SCREEN},
                    Named{SDL_SCANCODE_PAUSE, KEY_PAUSE}, Named{SDL_SCANCODE_KP_PLUS, KEY_KP_ADD},
                    Named{SDL_SCANCODE_KP_MULTIPLY, KEY_KP_MULTIPLY}, Named{SDL_SCANCODE_LGUI, KEY_LEFT_SUPER},
                    Named{SDL_SCANCODE_APPLICATION, KEY_KB_MENU}, Named{SDL_SCANCODE_F13, KEY_F13},
                    Named{SDL_SCANCODE_F24, KEY_F24}}) {
        push_key(n.sc, 0);
        run_empty_frame();
        EXPECT_EQ(GetKeyPressed(), n.key) << SDL_GetScancodeName(n.sc);
    }
    for (int sc = SDL_SCANCODE_A; sc < SDL_NUM_SCANCODES; ++sc) {
        if (sc == SDL_SCANCODE_ESCAPE || sc == SDL_SCANCODE_F11) continue;
        push_key(static_cast<SDL_Scancode>(sc), 0);
        run_empty_frame();
        EXPECT_NE(GetKeyPressed(), KEY_NULL) << "scancode " << sc;
        EXPECT_FALSE(WindowShouldClose()) << "scancode " << sc;
    }
}
