// SPDX-License-Identifier: MIT
// The window and frame: frame counting, the fixed headless frame time, close
// requests (signals, Escape, the close box), read-back and PNG saving, the
// windowed mode on SDL's display-less driver, and the file/text helpers.
#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "gamelib_internal.h"
#include "gl_fixture.h"

namespace {

using Window = HeadlessWindow;

}  // namespace

TEST(WindowHeadless, FrameTimeIsFixedAndFramesAreCounted)
{
    HeadlessEnable(1.0f / 30.0f);
    InitWindow(960, 640, "t");
    ASSERT_TRUE(IsWindowReady());
    EXPECT_TRUE(IsHeadless());
    EXPECT_EQ(HeadlessFrameCount(), 0);
    for (int i = 0; i < 5; i++) {
        run_empty_frame();
        EXPECT_FLOAT_EQ(GetFrameTime(), 1.0f / 30.0f);
    }
    EXPECT_EQ(HeadlessFrameCount(), 5);
    EXPECT_EQ(gl_frame_counter(), 5);
    // The frame clock the audio runs on follows the fixed frame time.
    EXPECT_FLOAT_EQ(gl_target_fps(), 30.0f);
    // A frame is counted when it ends, not when it begins.
    BeginDrawing();
    EXPECT_EQ(gl_frame_counter(), 5);
    EndDrawing();
    EXPECT_EQ(gl_frame_counter(), 6);
    // A new window starts counting again.
    CloseWindow();
    EXPECT_FALSE(IsWindowReady());
    InitWindow(960, 640, "t");
    EXPECT_EQ(HeadlessFrameCount(), 0);
    CloseWindow();
    HeadlessDisable();
    EXPECT_FALSE(IsHeadless());
    HeadlessEnable();
    EXPECT_EQ(gl_target_fps(), 60.0f);  // exactly: frame counts are ceil(seconds * fps)
    HeadlessDisable();
}

TEST(WindowHeadless, ModeCannotChangeWhileOpen)
{
    HeadlessEnable();
    InitWindow(960, 640, "t");
    HeadlessDisable();
    EXPECT_TRUE(IsHeadless());
    CloseWindow();
    HeadlessDisable();
    EXPECT_FALSE(IsHeadless());
}

TEST(WindowHeadless, NoWindowMeansTheLoopMustEnd)
{
    EXPECT_FALSE(IsWindowReady());
    EXPECT_TRUE(WindowShouldClose());
    // Drawing without a window does nothing and does not crash.
    BeginDrawing();
    ClearBackground(Color{1, 2, 3, 255});
    DrawRectangle(0, 0, 10, 10, Color{1, 2, 3, 255});
    DrawRectangleRounded(Rectangle{0, 0, 10, 10}, 0.5f, 8, Color{1, 2, 3, 255});
    EndDrawing();
    HeadlessEnable();
    InitWindow(0, 640, "t");
    EXPECT_FALSE(IsWindowReady());
    HeadlessDisable();
}

TEST_F(Window, SigtermAndSigintRequestClose)
{
    EXPECT_FALSE(WindowShouldClose());
    std::raise(SIGTERM);
    EXPECT_TRUE(WindowShouldClose());
    run_empty_frame();
    EXPECT_TRUE(WindowShouldClose());

    // A new window forgets the old request.
    CloseWindow();
    InitWindow(960, 640, "t");
    EXPECT_FALSE(WindowShouldClose());
    std::raise(SIGINT);
    EXPECT_TRUE(WindowShouldClose());
}

// The game catches stop signals from the top of main: one that arrives while
// start-up is still opening the window must end the game at its first check,
// not be forgotten when the window opens.
TEST(WindowHeadless, ASignalBeforeTheWindowOpensClosesItAtOnce)
{
    InstallStopSignalHandlers();
    std::raise(SIGTERM);
    HeadlessEnable();
    InitWindow(960, 640, "t");
    EXPECT_TRUE(WindowShouldClose());
    CloseWindow();

    // Closing forgets it: the next window runs.
    InitWindow(960, 640, "t");
    EXPECT_FALSE(WindowShouldClose());
    CloseWindow();
    HeadlessDisable();
    EXPECT_EQ(std::signal(SIGTERM, SIG_DFL), SIG_DFL);
}

TEST(WindowHeadless, SignalHandlersAreRestoredOnClose)
{
    HeadlessEnable();
    InitWindow(960, 640, "t");
    CloseWindow();
    HeadlessDisable();
    auto previous = std::signal(SIGTERM, SIG_DFL);
    EXPECT_EQ(previous, SIG_DFL);
    previous = std::signal(SIGINT, SIG_DFL);
    EXPECT_EQ(previous, SIG_DFL);
}

TEST_F(Window, EscapeAndRequestClose)
{
    HeadlessQueueKey(KEY_ENTER);
    run_empty_frame();
    EXPECT_FALSE(WindowShouldClose());
    HeadlessQueueKey(KEY_ESCAPE);
    EXPECT_FALSE(WindowShouldClose());  // not before the frame that sees it
    run_empty_frame();
    EXPECT_TRUE(WindowShouldClose());

    CloseWindow();
    InitWindow(960, 640, "t");
    EXPECT_FALSE(WindowShouldClose());
    HeadlessRequestClose();
    EXPECT_TRUE(WindowShouldClose());
}

TEST_F(Window, PixelsReadBackMidFrameAndAfter)
{
    BeginDrawing();
    ClearBackground(Color{18, 20, 35, 255});
    DrawRectangle(100, 100, 10, 10, Color{255, 220, 60, 255});
    EXPECT_EQ(HeadlessGetPixel(105, 105), (Color{255, 220, 60, 255}));
    EXPECT_EQ(HeadlessGetPixel(0, 0), (Color{18, 20, 35, 255}));
    EndDrawing();
    EXPECT_EQ(HeadlessGetPixel(105, 105), (Color{255, 220, 60, 255}));
    EXPECT_EQ(HeadlessGetPixel(959, 639), (Color{18, 20, 35, 255}));
    // Outside the surface: a zero colour, no read past the pixels.
    EXPECT_EQ(HeadlessGetPixel(960, 0), (Color{0, 0, 0, 0}));
    EXPECT_EQ(HeadlessGetPixel(0, 640), (Color{0, 0, 0, 0}));
    EXPECT_EQ(HeadlessGetPixel(-1, 5), (Color{0, 0, 0, 0}));
}

TEST_F(Window, SavedPngIsOpaque)
{
    run_frame(Color{18, 20, 35, 255}, [] {
        DrawRectangle(0, 0, 200, 200, Color{255, 80, 80, 100});
        DrawRectangleRounded(Rectangle{300, 300, 200, 100}, 0.5f, 8, Color{80, 220, 120, 30});
    });
    const std::string path = std::string(PELZO_TEST_OUT) + "/gamelib_saved_frame.png";
    std::remove(path.c_str());
    ASSERT_TRUE(HeadlessSavePng(path.c_str()));

    SDL_Surface *loaded = IMG_Load(path.c_str());
    ASSERT_NE(loaded, nullptr) << IMG_GetError();
    SDL_Surface *rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(loaded);
    ASSERT_NE(rgba, nullptr);
    ASSERT_EQ(rgba->w, 960);
    ASSERT_EQ(rgba->h, 640);
    int translucent = 0;
    for (int y = 0; y < rgba->h; y++) {
        const Uint8 *row = (const Uint8 *)rgba->pixels + y * rgba->pitch;
        for (int x = 0; x < rgba->w; x++)
            if (row[x * 4 + 3] != 255) translucent++;
    }
    EXPECT_EQ(translucent, 0);
    // The saved pixels are the drawn ones.
    for (int xy : {50, 400}) {
        const Uint8 *p = (const Uint8 *)rgba->pixels + xy * rgba->pitch + xy * 4;
        Color drawn = HeadlessGetPixel(xy, xy);
        EXPECT_EQ((Color{p[0], p[1], p[2], p[3]}), drawn) << xy;
    }
    SDL_FreeSurface(rgba);
    EXPECT_FALSE(HeadlessSavePng("/nonexistent-folder/x.png"));
    EXPECT_FALSE(HeadlessSavePng(nullptr));
}

TEST_F(Window, DrawCallsAreCountedPerFrame)
{
    run_frame(Color{0, 0, 0, 255}, [] {
        DrawRectangle(0, 0, 10, 10, Color{255, 255, 255, 255});
        DrawRectangle(20, 0, 10, 10, Color{255, 255, 255, 255});
    });
    EXPECT_EQ(HeadlessDrawCallsLastFrame(), 3);
    run_frame(Color{0, 0, 0, 255}, [] {});
    EXPECT_EQ(HeadlessDrawCallsLastFrame(), 1);
    run_empty_frame();
    EXPECT_EQ(HeadlessDrawCallsLastFrame(), 0);
}

// A frame that would draw the frame on screen again is neither drawn nor
// presented; a draw that differs in anything, or a texture swapped for
// another under the same calls, is.
TEST_F(Window, AFrameThatRepeatsTheScreenIsNotDrawnAgain)
{
    const Color background{18, 20, 35, 255}, blue{90, 200, 255, 255}, bluer{90, 200, 254, 255};
    const auto scene = [](Color c) {
        DrawRectangleRounded(Rectangle{100, 100, 200, 60}, 0.25f, 8, c);
        DrawLine(10, 300, 400, 300, c);
    };
    run_frame(background, [&] { scene(blue); });
    const long first = FramesPresented();
    for (int i = 0; i < 3; i++) run_frame(background, [&] { scene(blue); });
    EXPECT_EQ(FramesPresented(), first);
    EXPECT_EQ(HeadlessFrameCount(), 4);
    EXPECT_EQ(HeadlessGetPixel(200, 130), blue);
    // Still drawn once a second, in case the screen lost it unannounced:
    // 59 repeats are skipped, the 60th is drawn.
    for (int i = 3; i < 59; i++) run_frame(background, [&] { scene(blue); });
    EXPECT_EQ(FramesPresented(), first);
    run_frame(background, [&] { scene(blue); });
    EXPECT_EQ(FramesPresented(), first + 1);

    run_frame(background, [&] { scene(bluer); });
    EXPECT_EQ(FramesPresented(), first + 2);
    EXPECT_EQ(HeadlessGetPixel(200, 130), bluer);
    EXPECT_EQ(HeadlessGetPixel(200, 300), bluer);
    run_frame(background, [&] { DrawLine(10, 300, 400, 300, bluer); });  // a draw left out
    EXPECT_EQ(FramesPresented(), first + 3);
    EXPECT_EQ(HeadlessGetPixel(200, 130), background);

    // The same calls with a texture unloaded and another loaded in its place
    // (SDL may give it the freed one's address).
    unsigned char red[4] = {255, 0, 0, 255}, green[4] = {0, 255, 0, 255};
    Texture2D t = LoadTextureFromImage(Image{red, 1, 1, 1, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8});
    const auto pictured = [&] { DrawTextureEx(t, Vector2{500, 500}, 0.0f, 8.0f, Color{255, 255, 255, 255}); };
    run_frame(background, pictured);
    run_frame(background, pictured);
    EXPECT_EQ(HeadlessGetPixel(504, 504), (Color{255, 0, 0, 255}));
    UnloadTexture(t);
    t = LoadTextureFromImage(Image{green, 1, 1, 1, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8});
    run_frame(background, pictured);
    EXPECT_EQ(HeadlessGetPixel(504, 504), (Color{0, 255, 0, 255}));
    UnloadTexture(t);

    // A texture's filter changed under the same calls: its pixels scale otherwise.
    unsigned char redGreen[8] = {255, 0, 0, 255, 0, 255, 0, 255};
    t = LoadTextureFromImage(Image{redGreen, 2, 1, 1, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8});
    const auto scaled = [&] { DrawTextureEx(t, Vector2{100, 400}, 0.0f, 50.0f, Color{255, 255, 255, 255}); };
    SetTextureFilter(t, TEXTURE_FILTER_POINT);
    run_frame(background, scaled);
    run_frame(background, scaled);
    const Color sharp = HeadlessGetPixel(145, 420);
    SetTextureFilter(t, TEXTURE_FILTER_BILINEAR);
    run_frame(background, scaled);
    EXPECT_EQ(sharp, (Color{255, 0, 0, 255}));
    EXPECT_NE(HeadlessGetPixel(145, 420), sharp);
    UnloadTexture(t);
}

// The windowed path on SDL's dummy video driver: no OpenGL there, so the
// multisampling request must fall back to the software renderer.
class Windowed : public ::testing::Test {
protected:
    void SetUp() override { use_dummy_video_driver(); }
    void TearDown() override
    {
        CloseWindow();
        SetConfigFlags(0);
        SetTargetFPS(60);
    }
};

TEST_F(Windowed, OpensWithMultisampleHintAndRunsPacedFrames)
{
    SetConfigFlags(FLAG_MSAA_4X_HINT);
    InitWindow(960, 640, "PelzoWin ver1.1.0");
    ASSERT_TRUE(IsWindowReady());
    EXPECT_FALSE(IsHeadless());
    ASSERT_NE(gl_renderer(), nullptr);
    int w = 0, h = 0;
    ASSERT_EQ(SDL_GetRendererOutputSize(gl_renderer(), &w, &h), 0);
    EXPECT_EQ(w, 960);
    EXPECT_EQ(h, 640);
    SetTargetFPS(60);
    EXPECT_FLOAT_EQ(gl_target_fps(), 60.0f);
    for (int i = 0; i < 3; i++) {
        run_frame(Color{18, 20, 35, 255}, [] {
            DrawRectangleRounded(Rectangle{100, 100, 200, 60}, 0.25f, 8, Color{90, 200, 255, 255});
        });
    }
    EXPECT_EQ(gl_frame_counter(), 3);
    EXPECT_GT(GetFrameTime(), 0.0f);
    EXPECT_FALSE(WindowShouldClose());

    Uint32 pixel[4] = {};
    SDL_Rect one{150, 130, 1, 1};
    // The last presented frame may be gone; draw once more to read it back.
    ClearBackground(Color{18, 20, 35, 255});
    DrawRectangle(150, 130, 2, 2, Color{255, 80, 80, 255});
    gl_record_issue(false);
    ASSERT_EQ(SDL_RenderReadPixels(gl_renderer(), &one, SDL_PIXELFORMAT_RGBA32, pixel, 4), 0);
    const Uint8 *p = (const Uint8 *)pixel;
    EXPECT_EQ(p[0], 255);
    EXPECT_EQ(p[1], 80);
    EXPECT_EQ(p[2], 80);
}

// The label's box in `s` (the picture drawn at `scale` from row `top`): its luminance's mean absolute
// Laplacian, its inked rows repeating the row above, the box of its bright pixels in picture coordinates.
struct LabelLook {
    float contrast = 0;
    int repeatedRows = 0;
    float ink[4] = {1e9f, 1e9f, -1e9f, -1e9f};
};
LabelLook look_at_label(SDL_Surface *s, float scale, int top)
{
    const int x0 = (int)(400 * scale), y0 = top + (int)(350 * scale), w = (int)(160 * scale), h = (int)(36 * scale);
    auto luma = [&](int x, int y) {
        Uint8 r, g, b;
        SDL_GetRGB(static_cast<Uint32 *>(s->pixels)[(y0 + y) * s->pitch / 4 + x0 + x], s->format, &r, &g, &b);
        return 0.299f * r + 0.587f * g + 0.114f * b;
    };
    LabelLook l;
    for (int y = 0; y < h; y++) {
        bool repeats = y > 0, inked = false;
        for (int x = 0; x < w; x++) {
            const float v = luma(x, y);
            repeats = repeats && v == luma(x, y - 1);
            inked = inked || v != luma(0, y);
            if (x > 0 && y > 0 && x + 1 < w && y + 1 < h)
                l.contrast += std::fabs(4 * v - luma(x - 1, y) - luma(x + 1, y) - luma(x, y - 1) - luma(x, y + 1));
            if (v <= 128) continue;
            l.ink[0] = std::min(l.ink[0], x / scale), l.ink[1] = std::min(l.ink[1], y / scale);
            l.ink[2] = std::max(l.ink[2], (x + 1) / scale), l.ink[3] = std::max(l.ink[3], (y + 1) / scale);
        }
        l.repeatedRows += repeats && inked;
    }
    l.contrast /= (float)((w - 2) * (h - 2));
    return l;
}

// The software path in full screen: the picture drawn at the display's
// pixels (the dummy driver's display is 1024 x 768) with black bars: text
// sharper than the windowed picture stretched, no row a copy of the one
// above, the same layout; the mouse mapped back into the picture, and the
// window as it was after the second toggle.
TEST_F(Windowed, FullScreenScalesThePictureWithBarsAndMapsTheMouseBack)
{
    InitWindow(960, 640, "t");
    ASSERT_TRUE(IsWindowReady());
    ASSERT_NE(gl_software_target(), nullptr) << "the dummy driver draws in software";
    SDL_Rect display;
    ASSERT_EQ(SDL_GetDisplayBounds(0, &display), 0);
    ASSERT_EQ(display.w, 1024) << "the dummy driver's display";
    ASSERT_EQ(display.h, 768);
    const Color back{18, 20, 35, 255}, mark{255, 80, 80, 255};
    const char *label = "ゲームスタート";
    int count = 0;
    int *cps = LoadCodepoints(label, &count);
    const Font font = LoadFontEx("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf", 36, cps, count);
    UnloadCodepoints(cps);
    ASSERT_FALSE(IsFontDefault(font));
    // The picture's top-left quarter is marked; a label on a button below.
    auto draw = [&] {
        run_frame(back, [&] {
            DrawRectangle(0, 0, 480, 320, mark);
            DrawRectangle(350, 340, 260, 56, Color{30, 60, 120, 255});
            DrawTextEx(font, label, Vector2{410.0f, 358.0f}, 20.0f, 1.0f, Color{255, 255, 255, 255});
        });
    };
    draw();
    // The windowed picture, and that picture stretched as the display shows it.
    SDL_Surface *picture = SDL_GetWindowSurface(gl_window());
    SDL_Surface *stretched = SDL_CreateRGBSurfaceWithFormat(0, 1024, 682, 32, picture->format->format);
    ASSERT_EQ(SDL_SoftStretchLinear(picture, nullptr, stretched, nullptr), 0);
    const LabelLook windowed = look_at_label(picture, 1.0f, 0), soft = look_at_label(stretched, 1024.0f / 960, 0);
    SDL_FreeSurface(stretched);

    ToggleFullscreen();
    EXPECT_TRUE(IsWindowFullscreen());
    draw();
    SDL_Surface *shown = SDL_GetWindowSurface(gl_window());
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(shown->w, 1024);
    ASSERT_EQ(shown->h, 768);
    // 1024 / 960 = 1.0667 is the smaller scale: 1024 x 682, 43 rows of bar above.
    auto at = [&](int x, int y) {
        Uint8 r, g, b;
        SDL_GetRGB(static_cast<Uint32 *>(shown->pixels)[y * shown->pitch / 4 + x], shown->format, &r, &g, &b);
        return Color{r, g, b, 255};
    };
    const LabelLook full = look_at_label(shown, 1024.0f / 960, 43);
    EXPECT_GT(full.contrast, 1.15f * soft.contrast);
    EXPECT_EQ(full.repeatedRows, 0);
    for (int i = 0; i < 4; i++) EXPECT_NEAR(full.ink[i], windowed.ink[i], 1.5f) << "the label's box, side " << i;
    auto same = [](Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b; };
    EXPECT_TRUE(same(at(500, 20), Color{0, 0, 0, 255}));  // the bar above
    EXPECT_TRUE(same(at(500, 750), Color{0, 0, 0, 255}));  // the bar below
    EXPECT_TRUE(same(at(10, 50), mark));
    EXPECT_TRUE(same(at(505, 50), mark));  // 480 scaled is 512
    EXPECT_TRUE(same(at(520, 50), back));
    EXPECT_TRUE(same(at(10, 42 + 346), back));  // 320 scaled is 341

    // A click at the window's (512, 383) is the picture's (480, 320).
    SDL_Event click{};
    click.type = SDL_MOUSEBUTTONDOWN;
    click.button.button = SDL_BUTTON_LEFT;
    click.button.state = SDL_PRESSED;
    click.button.x = 512;
    click.button.y = 42 + 341;
    ASSERT_EQ(SDL_PushEvent(&click), 1);
    run_empty_frame();
    EXPECT_NEAR(GetMousePosition().x, 480.0f, 1.0f);
    EXPECT_NEAR(GetMousePosition().y, 320.0f, 1.0f);
    EXPECT_TRUE(IsMouseButtonPressed(MOUSE_BUTTON_LEFT));

    ToggleFullscreen();
    EXPECT_FALSE(IsWindowFullscreen());
    draw();
    shown = SDL_GetWindowSurface(gl_window());
    ASSERT_EQ(shown->w, 960);
    ASSERT_EQ(shown->h, 640);
    EXPECT_TRUE(same(at(479, 319), mark));
    EXPECT_TRUE(same(at(481, 321), back));
    UnloadFont(font);
}

// A window uncovered or resized may have lost the frame it showed: the next
// frame is drawn and presented, though it repeats the last one.
TEST_F(Windowed, AWindowEventDrawsTheRepeatedFrameAgain)
{
    InitWindow(960, 640, "t");
    ASSERT_TRUE(IsWindowReady());
    SetTargetFPS(0);
    const auto frame = [] {
        run_frame(Color{18, 20, 35, 255}, [] { DrawRectangle(0, 0, 10, 10, Color{255, 0, 0, 255}); });
    };
    for (int i = 0; i < 3; i++) frame();
    const long before = FramesPresented();
    frame();
    EXPECT_EQ(FramesPresented(), before);
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_EXPOSED;
    e.window.windowID = SDL_GetWindowID(gl_window());
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    frame();  // its end reads the event
    frame();
    EXPECT_EQ(FramesPresented(), before + 1);
    frame();
    EXPECT_EQ(FramesPresented(), before + 1);
}

TEST_F(Windowed, CloseBoxAndSignalRequestClose)
{
    InitWindow(960, 640, "t");
    ASSERT_TRUE(IsWindowReady());
    SetTargetFPS(0);
    run_empty_frame();
    EXPECT_FALSE(WindowShouldClose());
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    run_empty_frame();
    EXPECT_TRUE(WindowShouldClose());

    CloseWindow();
    InitWindow(960, 640, "t");
    ASSERT_TRUE(IsWindowReady());
    EXPECT_FALSE(WindowShouldClose());
    e = SDL_Event{};
    e.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    run_empty_frame();
    EXPECT_TRUE(WindowShouldClose());

    CloseWindow();
    InitWindow(960, 640, "t");
    std::raise(SIGTERM);
    EXPECT_TRUE(WindowShouldClose());
}

TEST_F(Windowed, WindowIconAcceptsRgbaImagesOnly)
{
    InitWindow(960, 640, "t");
    ASSERT_TRUE(IsWindowReady());
    unsigned char pixels[16 * 16 * 4];
    std::memset(pixels, 200, sizeof pixels);
    SetWindowIcon(Image{pixels, 16, 16, 1, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8});
    SetWindowIcon(Image{nullptr, 16, 16, 1, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8});
    SetWindowIcon(Image{pixels, -4, 16, 1, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8});
    SetWindowIcon(Image{pixels, 16, 16, 1, 99});
    run_empty_frame();
    EXPECT_TRUE(IsWindowReady());
}

TEST(Files, FileExistsOnlyForRegularFiles)
{
    const std::string dir = PELZO_TEST_OUT;
    const std::string file = dir + "/gamelib_exists.txt";
    FILE *f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("x", f);
    std::fclose(f);
    EXPECT_TRUE(FileExists(file.c_str()));
    EXPECT_FALSE(FileExists(dir.c_str()));
    EXPECT_FALSE(FileExists((dir + "/no-such-file.txt").c_str()));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(nullptr));
    std::remove(file.c_str());
    EXPECT_FALSE(FileExists(file.c_str()));
}

// Around a blocking call, a stop signal ends the process at once with code 0
// (and a signal caught before is reported, so the call is not made at all).
TEST(StopSignal, ExitsTheProcessInsideABlockingSection)
{
    InstallStopSignalHandlers();
    EXPECT_FALSE(SetStopSignalExits(false));
    EXPECT_EXIT(
        {
            SetStopSignalExits(true);
            std::raise(SIGTERM);
            std::exit(3);  // not reached
        },
        ::testing::ExitedWithCode(0), "");
    std::raise(SIGINT);
    EXPECT_TRUE(SetStopSignalExits(true));
    EXPECT_TRUE(WindowShouldClose());
    SetStopSignalExits(false);
    HeadlessEnable();
    InitWindow(960, 640, "t");
    CloseWindow();  // restores the handlers and forgets the signal
    HeadlessDisable();
}

TEST(Files, ApplicationDirectoryHoldsTheExecutable)
{
    const char *dir = GetApplicationDirectory();
    ASSERT_NE(dir, nullptr);
    size_t n = std::strlen(dir);
    ASSERT_GT(n, 1u);
#ifdef _WIN32
    const char separator = '\\', *exe = "test_gamelib.exe";
#else
    const char separator = '/', *exe = "test_gamelib";
#endif
    EXPECT_TRUE(std::filesystem::path(dir).is_absolute()) << dir;
    EXPECT_EQ(dir[n - 1], separator);
    EXPECT_TRUE(FileExists(TextFormat("%s%s", dir, exe)));
    EXPECT_EQ(GetApplicationDirectory(), dir);  // the same buffer every time
}

TEST(Files, TextFormatRotatesFourBuffersAndCutsLongText)
{
    const char *a = TextFormat("%d", 1);
    const char *b = TextFormat("%s", "two");
    const char *c = TextFormat("%.1f", 3.0);
    const char *d = TextFormat("%c", 'x');
    EXPECT_STREQ(a, "1");
    EXPECT_STREQ(b, "two");
    EXPECT_STREQ(c, "3.0");
    EXPECT_STREQ(d, "x");
    // The fifth call reuses the first buffer.
    const char *e = TextFormat("%s", "five");
    EXPECT_EQ(e, a);
    EXPECT_STREQ(b, "two");

    std::string longText(5000, 'y');
    const char *cut = TextFormat("%s%s", "z", longText.c_str());
    EXPECT_EQ(std::strlen(cut), 1023u);
    EXPECT_EQ(cut[0], 'z');
    EXPECT_STREQ(TextFormat(nullptr), "");
}
