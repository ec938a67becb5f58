// SPDX-License-Identifier: MIT
// Screen tests: each screen state rendered headless, its layout checked by
// probing pixels inside shapes (never on curved edges) and by comparing text
// rows with the same text drawn alone at the place the layout gives.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "../rules/genre_builder.h"
#include "draw.h"
#include "font_jp.h"
#include "game_state.h"
#include "headless.h"
#include "rules.h"
#include "screen_play.h"
#include "screen_result.h"
#include "screen_test_support.h"
#include "screen_title.h"
#include "win_helper.h"

namespace {

constexpr Color kTrack{40, 40, 70, 255};
constexpr Color kPanelBody{28, 32, 55, 255};
constexpr Color kTagBody{20, 40, 80, 255};

bool near(Color a, Color b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

// `over` blended onto `under` with over's alpha.
Color blend(Color under, Color over)
{
    auto mix = [&](int u, int o) { return static_cast<unsigned char>((o * over.a + u * (255 - over.a) + 127) / 255); };
    return Color{mix(under.r, over.r), mix(under.g, over.g), mix(under.b, over.b), 255};
}

// Whether p can be `base` with some amount of white text drawn over it: every
// channel then lies the same fraction of the way from base to 255.
bool base_under_white(Color p, Color base)
{
    const int ps[3] = {p.r, p.g, p.b};
    const int bs[3] = {base.r, base.g, base.b};
    float lo = 2.0f, hi = -2.0f;
    for (int c = 0; c < 3; ++c) {
        if (bs[c] >= 250) {
            if (ps[c] < bs[c] - 2) return false;
            continue;
        }
        const float a = static_cast<float>(ps[c] - bs[c]) / static_cast<float>(255 - bs[c]);
        lo = std::min(lo, a);
        hi = std::max(hi, a);
    }
    return lo > -0.03f && hi < 1.03f && hi - lo < 0.06f;
}

// Whether p is `ink` drawn over `base` at a fifth of full coverage or more:
// every channel then lies the same fraction of the way from base to ink.
bool ink_over(Color p, Color base, Color ink)
{
    const int ps[3] = {p.r, p.g, p.b}, bs[3] = {base.r, base.g, base.b}, is[3] = {ink.r, ink.g, ink.b};
    int widest = 0;
    for (int c = 1; c < 3; ++c)
        if (std::abs(is[c] - bs[c]) > std::abs(is[widest] - bs[widest])) widest = c;
    const float a = static_cast<float>(ps[widest] - bs[widest]) / static_cast<float>(is[widest] - bs[widest]);
    if (a < 0.2f || a > 1.02f) return false;
    for (int c = 0; c < 3; ++c)
        if (std::abs(static_cast<float>(ps[c]) - (static_cast<float>(bs[c]) + a * static_cast<float>(is[c] - bs[c]))) >
            8.0f)
            return false;
    return true;
}

// Where text of one colour shows in an area of the window: the bounds of
// its pixels, inclusive.
struct Ink {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1, count = 0;
    float width() const { return static_cast<float>(right - left + 1); }
};

Ink ink_in(Rectangle area, Color base, Color ink)
{
    Ink out;
    for (int y = static_cast<int>(area.y); y < static_cast<int>(area.y + area.height); ++y)
        for (int x = static_cast<int>(area.x); x < static_cast<int>(area.x + area.width); ++x) {
            if (!ink_over(HeadlessGetPixel(x, y), base, ink)) continue;
            out.left = std::min(out.left, x);
            out.right = std::max(out.right, x);
            out.top = std::min(out.top, y);
            out.bottom = std::max(out.bottom, y);
            ++out.count;
        }
    return out;
}

// Ink centred between the columns `from` and `to` (exclusive), to the
// couple of pixels two glyphs' side bearings may differ by.
void expect_centred(const Ink &ink, float from, float to)
{
    ASSERT_GT(ink.count, 0) << "no text";
    EXPECT_NEAR(static_cast<float>(ink.left) - from, to - 1.0f - static_cast<float>(ink.right), 3.0f)
        << "ink from " << ink.left << " to " << ink.right;
}

const char *kFakeChoices[5] = {"G0-Q0-C0", "G0-Q0-C1", "G0-Q0-C2", "G0-Q0-C3", "G0-Q0-C4"};

// A line of text centred across the window at y.
struct CentredLine {
    float y, size;
    Color color;
    const char *text;
};

// A result screen's button: where it is, where its label shows inside the
// outline, its body plain and lit, a pixel of the body to probe, and a
// pointer position over it.
struct ResultPlate {
    Rectangle box;
    Rectangle labelArea;
    Color body, lit;
    Vector2 probe, hover;
};

// The green plate after a cleared stage and the red one after a missed stage.
constexpr ResultPlate kGreenPlate{{360, 410, 240, 52}, {367, 414, 226, 44}, {30, 80, 30, 255},
                                  {60, 110, 60, 255},  {370, 436},          {380, 420}};
constexpr ResultPlate kRedPlate{{370, 380, 220, 52}, {377, 384, 206, 44}, {80, 20, 20, 255},
                                {110, 50, 50, 255},  {378, 406},          {375, 400}};

class Screens : public ::testing::Test {
protected:
    void SetUp() override
    {
        HeadlessEnable();
        InitWindow(960, 640, "screen test");
        load_font_jp();
        reset_game_state();
        g_errorMsg[0] = '\0';
        g_argFilePath[0] = '\0';
        g_titleTex = Texture2D{};
        build_genres({12, 12});
        // A question on show: genre 0, question 0, choice k in slot k.
        g_screen = SCREEN_PLAY;
        g_genreIdx = 0;
        g_currentQ = 0;
        g_qCount = 1;
        for (int k = 0; k < 5; ++k) snprintf(g_dispChoices[k], kTextSize, "%s", kFakeChoices[k]);
        g_correctChoiceIdx = 0;
        g_timer = kAnswerSeconds;
        g_timerPending = true;
        g_timerWaitFrames = kTimerWaitFrames;
    }

    void TearDown() override
    {
        if (g_titleTex.id != 0) UnloadTexture(g_titleTex);
        g_titleTex = Texture2D{};
        free_genres();
        g_errorMsg[0] = '\0';
        g_argFilePath[0] = '\0';
        UnloadFont(g_fontJP);
        g_fontJP = Font{};
        CloseWindow();
        HeadlessDisable();
    }

    // One frame on the game's background with the pointer at (mx, my).
    static void frame(const std::function<void()> &draw, float mx = 5.0f, float my = 635.0f)
    {
        HeadlessQueueMouseMove(mx, my);
        BeginDrawing();
        ClearBackground(kColorBackground);
        draw();
        EndDrawing();
    }

    static bool any_pixel(Rectangle area, Color c)
    {
        for (Color p : grab(area)) {
            if (same(p, c)) return true;
        }
        return false;
    }

    // The frame loop's play frame without the timer step: the question face,
    // each choice lit by the pointer, and the next button once answered.
    static void question_face()
    {
        play_draw_question();
        const Vector2 mouse = GetMousePosition();
        for (int slot = 0; slot < 5; ++slot) {
            play_draw_choice(slot, CheckCollisionPointRec(mouse, play_choice_rect(slot)));
        }
        if (g_answered) play_draw_next_button();
    }

    static void title()
    {
        title_draw_main();
        title_draw_file_line();
    }

    // The pixels of `area` in the current frame equal those of `reference`
    // drawn on `background` (which fills the area) in a frame of its own.
    static void expect_area_shows(Rectangle area, Color background, const std::function<void()> &reference)
    {
        const std::vector<Color> shown = grab(area);
        frame([&] {
            DrawRectangle(static_cast<int>(area.x), static_cast<int>(area.y), static_cast<int>(area.width),
                          static_cast<int>(area.height), background);
            reference();
        });
        const std::vector<Color> expected = grab(area);
        int ink = 0;
        for (Color c : expected) ink += same(c, background) ? 0 : 1;
        EXPECT_GT(ink, 0) << "the reference draws nothing in the area";
        EXPECT_EQ(differing(shown, expected), 0);
    }

    // A line drawn with draw_text_center at y occupies the rows y .. y + size
    // across the window.
    static void expect_centred_line(float y, float size, Color color, const char *text)
    {
        SCOPED_TRACE(text);
        expect_area_shows(Rectangle{0, y - 2, 960, size + 4}, kColorBackground,
                          [&] { draw_text_center(text, y, size, color); });
    }

    // A label in `color` centred in `box`, whole inside `area` (on the
    // box's `body` colour) and as wide as the font sets it, less the side
    // bearings (brackets' half-empty cells at most).
    static void expect_centred_label(Rectangle box, Rectangle area, Color body, const char *label, float size,
                                     Color color)
    {
        SCOPED_TRACE(label);
        const Ink ink = ink_in(area, body, color);
        expect_centred(ink, box.x, box.x + box.width);
        EXPECT_GT(ink.top, static_cast<int>(area.y));
        EXPECT_LT(ink.bottom, static_cast<int>(area.y + area.height) - 1);
        EXPECT_LE(ink.width(), text_width(label, size));
        EXPECT_GE(ink.width(), text_width(label, size) - 1.5f * size);
    }

    static float text_width(const char *text, float size) { return MeasureTextEx(g_fontJP, text, size, 1.0f).x; }

    // The title's file line once a set is named: `name` in yellow, as wide
    // as `nameFont` sets it, between "問題データ: " and " （読み込み済み）"
    // in green, the whole centred on the window (by the pieces' widths: the
    // closing bracket's ink fills only half its cell) in the row at y = 430.
    static void expect_file_line(const char *name, const Font &nameFont)
    {
        frame(title);
        const Rectangle row{0, 424, 960, 30};
        const Ink green = ink_in(row, kColorBackground, kColorGreen),
                  yellow = ink_in(row, kColorBackground, kColorYellow);
        ASSERT_GT(yellow.count, 0) << "no name";
        const float w = MeasureTextEx(nameFont, name, 16, 1).x;
        const float line = text_width("問題データ: ", 16) + w + text_width(" （読み込み済み）", 16);
        EXPECT_NEAR(static_cast<float>(green.left), (960.0f - line) * 0.5f, 2.0f);
        EXPECT_LT(green.left, yellow.left);
        EXPECT_GT(green.right, yellow.right);
        EXPECT_EQ(ink_in(Rectangle{static_cast<float>(yellow.left), row.y, yellow.width(), row.height},
                         kColorBackground, kColorGreen)
                      .count,
                  0);
        EXPECT_LE(yellow.width(), w);
        EXPECT_GE(yellow.width(), w - 4.0f);
        EXPECT_GE(std::min(green.top, yellow.top), 428);
        EXPECT_LE(std::max(green.bottom, yellow.bottom), 449);
    }

    // The result screen of a stage: cleared or not, its number, its right
    // answers and the score so far.
    static void show_result(bool cleared, int stage, int correct, int score)
    {
        g_screen = SCREEN_RESULT;
        g_clearStage = cleared;
        g_stage = stage;
        g_correct = correct;
        g_score = score;
    }

    // Each line checked by expect_centred_line on a result frame of its own.
    static void expect_result_lines(const std::vector<CentredLine> &lines)
    {
        for (const CentredLine &l : lines) {
            frame([] { result_draw(); });
            expect_centred_line(l.y, l.size, l.color, l.text);
        }
    }

    // The result screen's button: its body at the plate's probe, its label
    // in white at 20, and the lit body with the pointer at the plate's hover.
    static void expect_result_button(const ResultPlate &plate, const char *label)
    {
        SCOPED_TRACE(label);
        const int px = static_cast<int>(plate.probe.x), py = static_cast<int>(plate.probe.y);
        frame([] { result_draw(); });
        EXPECT_TRUE(same(HeadlessGetPixel(px, py), plate.body));
        expect_centred_label(plate.box, plate.labelArea, plate.body, label, 20, kColorWhite);
        frame([] { result_draw(); }, plate.hover.x, plate.hover.y);
        EXPECT_TRUE(same(HeadlessGetPixel(px, py), plate.lit));
    }
};

// ---------------------------------------------------------------- title

TEST_F(Screens, StartButtonLightsUnderThePointer)
{
    const Color plain{30, 60, 120, 255};
    const Color lit{60, 90, 150, 255};
    frame(title);
    EXPECT_TRUE(same(HeadlessGetPixel(365, 368), plain));
    EXPECT_TRUE(same(HeadlessGetPixel(600, 360), plain));
    frame(title, 352, 342);  // just inside the top-left corner of (350, 340, 260, 56)
    EXPECT_TRUE(same(HeadlessGetPixel(365, 368), lit));
    EXPECT_TRUE(same(HeadlessGetPixel(600, 360), lit));
    EXPECT_TRUE(same(HeadlessGetPixel(350, 368), kColorAccent));  // outline, lit or not
    frame(title, 610, 368);  // the right edge is outside
    EXPECT_TRUE(same(HeadlessGetPixel(365, 368), plain));
    EXPECT_TRUE(same(HeadlessGetPixel(609, 368), kColorAccent));
}

TEST_F(Screens, TitleGridIsFaintWhiteEverySixtyPixels)
{
    frame(title);
    const Color line = blend(kColorBackground, Color{255, 255, 255, 10});
    // 16 vertical lines from x = 0 to 900 and 11 horizontal ones from y = 0 to 600.
    for (int x = 0; x <= 900; x += 60) EXPECT_TRUE(near(HeadlessGetPixel(x, 620), line, 1)) << "x " << x;
    for (int y = 0; y <= 600; y += 60) EXPECT_TRUE(near(HeadlessGetPixel(930, y), line, 1)) << "y " << y;
    EXPECT_TRUE(same(HeadlessGetPixel(959, 620), kColorBackground));
    EXPECT_TRUE(same(HeadlessGetPixel(930, 639), kColorBackground));
    EXPECT_TRUE(same(HeadlessGetPixel(31, 620), kColorBackground));
    // Where two lines cross they blend twice.
    EXPECT_TRUE(near(HeadlessGetPixel(60, 600), blend(line, Color{255, 255, 255, 10}), 1));
}

TEST_F(Screens, TitleShowsTheLogoAtItsPlaceOrElseTheTextTitle)
{
    uint32_t size = 0;
    const void *bytes = win_load_resource(2, &size);
    ASSERT_NE(bytes, nullptr);
    Image logo = LoadImageFromMemory(".png", static_cast<const unsigned char *>(bytes), static_cast<int>(size));
    ASSERT_NE(logo.data, nullptr);
    ASSERT_EQ(logo.width, 462);
    ASSERT_EQ(logo.height, 132);
    g_titleTex = LoadTextureFromImage(logo);
    ASSERT_NE(g_titleTex.id, 0u);
    frame(title);
    // Opaque pixels of the image appear unchanged at (249, 80) + their place.
    const auto *rgba = static_cast<const unsigned char *>(logo.data);
    int checked = 0;
    for (int y = 0; y < logo.height; y += 7) {
        for (int x = 0; x < logo.width; x += 5) {
            const unsigned char *p = rgba + 4 * (y * logo.width + x);
            if (p[3] != 255) continue;
            const Color want{p[0], p[1], p[2], 255};
            EXPECT_TRUE(near(HeadlessGetPixel(249 + x, 80 + y), want, 2)) << x << "," << y;
            ++checked;
        }
    }
    EXPECT_GT(checked, 50);
    UnloadImage(logo);

    // Without a logo: "PelzoWin" in accent blue at y = 130, centred.
    UnloadTexture(g_titleTex);
    g_titleTex = Texture2D{};
    frame(title);
    const float w = text_width("PelzoWin", 72);
    int left = 960, right = -1, top = 640, bottom = -1;
    for (int y = 100; y < 225; ++y) {
        for (int x = 0; x < 960; ++x) {
            if (!same(HeadlessGetPixel(x, y), kColorAccent)) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    ASSERT_GE(right, 0) << "no text title";
    EXPECT_NEAR(left, (960.0f - w) * 0.5f, 8.0f);
    EXPECT_NEAR(right, (960.0f + w) * 0.5f, 8.0f);
    EXPECT_GE(top, 130);
    EXPECT_LE(bottom, 130 + 72);
    EXPECT_GT(bottom - top, 36);
}

TEST_F(Screens, ErrorPlateIsTwentyFourWiderThanTheMessageAndThirtyHigh)
{
    auto is_plate = [](Color c) { return c.r >= 45 && c.r <= 70 && c.g < 12 && c.b < 15; };
    frame(title);
    EXPECT_FALSE(is_plate(HeadlessGetPixel(470, 298)));

    snprintf(g_errorMsg, kErrorMsgSize, "%s", "ファイルが見つかりません: set9.zip");
    frame(title);
    const float w = text_width(g_errorMsg, 16);
    ASSERT_GT(w, 150.0f);
    const float x = (960.0f - w) * 0.5f;
    const int x0 = static_cast<int>(std::floor(x - 12.0f + 0.5f));
    const int x1 = static_cast<int>(std::floor(x - 12.0f + w + 24.0f + 0.5f));
    // Straight rows clear of the text (292 .. 308) and of the grid line at 300.
    for (int y : {291, 296, 305, 309}) {
        EXPECT_TRUE(is_plate(HeadlessGetPixel(x0, y))) << y;
        EXPECT_TRUE(is_plate(HeadlessGetPixel(x1 - 1, y))) << y;
        EXPECT_FALSE(is_plate(HeadlessGetPixel(x0 - 1, y))) << y;
        EXPECT_FALSE(is_plate(HeadlessGetPixel(x1, y))) << y;
    }
    for (int col : {x0 + 20, 470, x1 - 20}) {
        EXPECT_TRUE(is_plate(HeadlessGetPixel(col, 285))) << col;
        EXPECT_TRUE(is_plate(HeadlessGetPixel(col, 314))) << col;
        EXPECT_FALSE(is_plate(HeadlessGetPixel(col, 284))) << col;
        EXPECT_FALSE(is_plate(HeadlessGetPixel(col, 315))) << col;
    }
    // The plate is (60, 0, 0, 220) over the background.
    EXPECT_TRUE(near(HeadlessGetPixel(470, 286), blend(kColorBackground, Color{60, 0, 0, 220}), 2));
    // The message in red on the plate, centred on it, 16 pixels high at most.
    const Ink message = ink_in(Rectangle{0, 280, 960, 40}, blend(kColorBackground, Color{60, 0, 0, 220}), kColorRed);
    expect_centred(message, static_cast<float>(x0), static_cast<float>(x1));
    EXPECT_GE(message.top, 290);
    EXPECT_LE(message.bottom, 309);
    EXPECT_GE(message.width(), w - 16.0f);

    // A message wider than the window is neither wrapped nor cut: it and its
    // plate run past both edges, still centred.
    memset(g_errorMsg, 'W', kErrorMsgSize - 1);
    g_errorMsg[kErrorMsgSize - 1] = '\0';
    ASSERT_GT(text_width(g_errorMsg, 16), 960.0f);
    frame(title);
    for (int col : {0, 1, 958, 959}) {
        EXPECT_TRUE(is_plate(HeadlessGetPixel(col, 287))) << col;
        EXPECT_TRUE(is_plate(HeadlessGetPixel(col, 312))) << col;
    }
    EXPECT_FALSE(is_plate(HeadlessGetPixel(0, 283)));
    EXPECT_FALSE(is_plate(HeadlessGetPixel(959, 316)));
}

TEST_F(Screens, TheFileLineIsTheHintOrThreePiecesWithAnAsciiNameInTheDefaultFont)
{
    // Without a set, the hint alone, centred (its words: the golden title).
    frame(title);
    const Rectangle row{0, 424, 960, 30};
    expect_centred(ink_in(row, kColorBackground, kColorMuted), 0, 960);
    EXPECT_EQ(ink_in(row, kColorBackground, kColorYellow).count, 0);

    for (const char *path : {"C:\\quiz\\set1.zip", "data/samples/sample.pzq", "bare.zip"}) {
        SCOPED_TRACE(path);
        snprintf(g_argFilePath, kPathSize, "%s", path);
        const char *name = strrchr(path, '\\')  ? strrchr(path, '\\') + 1
                           : strrchr(path, '/') ? strrchr(path, '/') + 1
                                                : path;
        expect_file_line(name, GetFontDefault());
    }
}

// A name that is not all ASCII is drawn with the Japanese font, which holds
// its characters from start-up on (the default font has no Japanese at all).
TEST_F(Screens, AJapaneseFileNameIsDrawnWithTheJapaneseFont)
{
    snprintf(g_argFilePath, kPathSize, "%s", "sets/漢字クイズ.zip");
    font_jp_set_file_name("漢字クイズ.zip");
    load_font_jp();
    for (const char *c : {"漢", "字"}) {
        int size = 0;
        EXPECT_NE(GetGlyphIndex(g_fontJP, GetCodepointNext(c, &size)), 0) << c;
    }
    expect_file_line("漢字クイズ.zip", g_fontJP);
    font_jp_set_file_name("");
    g_argFilePath[0] = '\0';
}

// ---------------------------------------------------------------- play

TEST_F(Screens, IntroCardShowsTheStageAndTheGenreInBrackets)
{
    g_stage = 7;
    snprintf(g_genres[0].name, kTextSize, "%s", "日本の歴史");
    frame(play_draw_intro);
    expect_centred_line(230, 56, kColorYellow, "Stage 7");
    frame(play_draw_intro);
    expect_centred_line(310, 34, kColorAccent, "【日本の歴史】");
    frame(play_draw_intro);
    // Nothing else: no timer bar, no panel, no choices.
    EXPECT_TRUE(same(HeadlessGetPixel(100, 19), kColorBackground));
    EXPECT_TRUE(same(HeadlessGetPixel(40, 200), kColorBackground));
    EXPECT_TRUE(same(HeadlessGetPixel(40, 390), kColorBackground));
}

TEST_F(Screens, AGenreNameFillingItsBufferLosesTheClosingBracket)
{
    // 509 bytes of name: "【" + name fills the 511 bytes, "】" is cut.
    memset(g_genres[0].name, 'W', 509);
    g_genres[0].name[509] = '\0';
    frame(play_draw_intro);
    const std::vector<Color> shown = grab(Rectangle{0, 306, 960, 44});
    const std::string cut = (std::string("【") + g_genres[0].name).substr(0, kTextSize - 1);
    frame([&] { draw_text_center(cut.c_str(), 310, 34, kColorAccent); });
    EXPECT_EQ(differing(shown, grab(Rectangle{0, 306, 960, 44})), 0);
}

TEST_F(Screens, TimerBarWidthAndColourFollowTheTimeLeft)
{
    struct Case {
        float timer;
        int fillEnd;  // first pixel column past the fill
        Color fill;
    };
    const Case cases[] = {
        {10.0f, 940, kColorGreen},
        {7.5f, 710, kColorGreen},
        {2.5f, 250, kColorRed},
        {1.0f, 112, kColorRed},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.timer);
        g_timer = c.timer;
        frame(question_face);
        EXPECT_TRUE(same(HeadlessGetPixel(25, 19), c.fill));
        EXPECT_TRUE(same(HeadlessGetPixel(c.fillEnd - 1 - (c.fillEnd == 940 ? 1 : 0), 19), c.fill));
        if (c.fillEnd < 940) {
            EXPECT_TRUE(same(HeadlessGetPixel(c.fillEnd, 19), kTrack));
            EXPECT_TRUE(same(HeadlessGetPixel(c.fillEnd + 3, 16), kTrack));
        }
        EXPECT_TRUE(same(HeadlessGetPixel(20, 19), kColorMuted));  // outline left
        EXPECT_TRUE(same(HeadlessGetPixel(939, 19), kColorMuted));  // outline right
        EXPECT_TRUE(same(HeadlessGetPixel(300, 10), kColorMuted));  // outline top
        EXPECT_TRUE(same(HeadlessGetPixel(300, 27), kColorMuted));  // outline bottom
    }

    // Half the time: 460 wide and yellow; the end lies under the timer text,
    // so each pixel there is read as the bar with some white over it.
    g_timer = 5.0f;
    frame(question_face);
    EXPECT_TRUE(same(HeadlessGetPixel(25, 19), kColorYellow));
    for (int y = 15; y <= 22; ++y) {
        EXPECT_TRUE(base_under_white(HeadlessGetPixel(479, y), kColorYellow)) << y;
        EXPECT_FALSE(base_under_white(HeadlessGetPixel(479, y), kTrack)) << y;
        EXPECT_TRUE(base_under_white(HeadlessGetPixel(480, y), kTrack)) << y;
        EXPECT_FALSE(base_under_white(HeadlessGetPixel(480, y), kColorYellow)) << y;
    }

    // No time left: the track and the outline only.
    for (float t : {0.0f, -0.5f, 0.0001f}) {
        g_timer = t;
        frame(question_face);
        EXPECT_TRUE(same(HeadlessGetPixel(22, 19), kTrack)) << t;
        EXPECT_TRUE(same(HeadlessGetPixel(25, 19), kTrack)) << t;
        EXPECT_TRUE(same(HeadlessGetPixel(20, 19), kColorMuted)) << t;
    }
}

TEST_F(Screens, TimerColourThresholdsAreStrict)
{
    struct Case {
        float timer;
        Color fill;
    };
    const Case cases[] = {
        {5.0001f, kColorGreen},  {5.0f, kColorYellow}, {4.9999f, kColorYellow},
        {2.5001f, kColorYellow}, {2.5f, kColorRed},    {2.4999f, kColorRed},
    };
    for (const Case &c : cases) {
        g_timer = c.timer;
        frame(question_face);
        EXPECT_TRUE(same(HeadlessGetPixel(100, 19), c.fill)) << c.timer;
    }
}

TEST_F(Screens, TimerTextShowsWholeSecondsCentredOnTheBar)
{
    const Rectangle text{430, 11, 100, 17};
    auto shown_at = [&](float t) {
        g_timer = t;
        frame(question_face);
        return grab(text);
    };
    // The same text for values that round alike, another for values that do not.
    const auto ten = shown_at(10.0f);
    EXPECT_EQ(differing(ten, shown_at(9.6f)), 0);
    EXPECT_GT(differing(ten, shown_at(9.4f)), 0);
    const auto zero = shown_at(0.0f);
    EXPECT_EQ(differing(zero, shown_at(0.4f)), 0);
    EXPECT_EQ(differing(zero, shown_at(-0.3f)), 0);  // never "-0秒"
    EXPECT_GT(differing(zero, shown_at(0.6f)), 0);

    // "10秒" in white, centred on x = 480: its ink spans the measured width.
    g_timer = 10.0f;
    frame(question_face);
    int left = 960, right = -1;
    for (int y = 11; y < 28; ++y) {
        for (int x = 430; x < 530; ++x) {
            const Color p = HeadlessGetPixel(x, y);
            if (p.r > 200 && p.b > 200) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    const float w = text_width("10秒", 16);
    ASSERT_GE(right, 0);
    EXPECT_NEAR((left + right) * 0.5f, 480.0f, 3.0f);
    EXPECT_LE(right - left, w + 1.0f);
    EXPECT_GE(right - left, w - 8.0f);
}

TEST_F(Screens, PanelTagAndCounterLinesAreWhereAndWhatTheLayoutSays)
{
    g_stage = 3;
    g_qCount = 4;
    g_correct = 2;
    g_score = 17;
    snprintf(g_genres[0].name, kTextSize, "%s", "科学");
    frame(question_face);
    EXPECT_TRUE(same(HeadlessGetPixel(15, 200), kPanelBody));
    EXPECT_TRUE(same(HeadlessGetPixel(10, 200), (Color{60, 80, 130, 255})));  // panel outline, left
    EXPECT_TRUE(same(HeadlessGetPixel(949, 200), (Color{60, 80, 130, 255})));  // right
    EXPECT_TRUE(same(HeadlessGetPixel(480, 309), (Color{60, 80, 130, 255})));  // bottom
    EXPECT_TRUE(same(HeadlessGetPixel(480, 311), kColorBackground));
    EXPECT_TRUE(same(HeadlessGetPixel(30, 76), kTagBody));
    EXPECT_TRUE(same(HeadlessGetPixel(22, 76), kColorAccent));  // tag outline
    EXPECT_TRUE(same(HeadlessGetPixel(201, 76), kColorAccent));
    EXPECT_TRUE(same(HeadlessGetPixel(203, 76), kPanelBody));

    {
        SCOPED_TRACE("genre name");
        expect_centred_label(Rectangle{22, 46, 180, 60}, Rectangle{28, 52, 168, 48}, kTagBody, "【科学】", 16,
                             kColorAccent);
    }
    // The progress line and the question from the left of their boxes, the
    // counters up to 936, each in its colour and as wide as its text.
    frame(question_face);
    const struct {
        Rectangle area;
        Color color;
        const char *text;
        float size;
        int left, right;  // the ink's first or last column, -1 where the other is given
    } lines[] = {
        {{14, 110, 400, 24}, kColorMuted, "Stage 3  |  第 4 / 10 問", 16, 22, -1},
        {{560, 47, 386, 26}, kColorYellow, "正解数: 2 / クリア: 6問", 20, -1, 935},
        {{560, 77, 386, 26}, kColorAccent, "得点: 17", 20, -1, 935},
        {{206, 42, 340, 60}, kColorWhite, "G0-Q0", 20, 210, -1},
    };
    for (const auto &l : lines) {
        SCOPED_TRACE(l.text);
        const Ink ink = ink_in(l.area, kPanelBody, l.color);
        ASSERT_GT(ink.count, 0);
        EXPECT_NEAR(l.left >= 0 ? ink.left : ink.right, l.left >= 0 ? l.left : l.right, 2);
        EXPECT_LE(ink.width(), text_width(l.text, l.size));
        EXPECT_GE(ink.width(), text_width(l.text, l.size) - l.size * 0.5f);
    }
    // Without a current question the box stays empty.
    g_currentQ = -1;
    frame(question_face);
    const std::vector<Color> box = grab(Rectangle{240, 42, 440, 266});
    for (Color c : box) ASSERT_TRUE(same(c, kPanelBody));
}

// Near-grey bright ink: the question's white text over the panel, which
// neither the yellow nor the blue counter line makes.
bool white_ink(Color c) { return c.r > 90 && std::abs(c.r - c.g) < 24 && std::abs(c.g - c.b) < 24; }

// A question of the widest characters, with the counters at their widest,
// never puts a pixel of its text where the counters are; a genre name too
// long for its tag stays inside the tag.
TEST_F(Screens, TheQuestionAndTheGenreNameKeepClearOfTheCountersAndInsideTheTag)
{
    g_stage = 10;
    g_correct = 10;
    g_score = 900;
    std::string longest;
    while (longest.size() + 3 <= 510) longest += "漢";
    snprintf(g_genres[0].items[0].text, kTextSize, "%s", longest.c_str());
    snprintf(g_genres[0].name, kTextSize, "%s", "とても長い名前のジャンルで枠に収まらない");
    rebuild_font_jp();
    frame(question_face);
    const int left = static_cast<int>(play_counters_left());
    int counterInk = 0;
    for (int y = 46; y < 104; ++y) {
        for (int x = left; x < 940; ++x) {
            const Color c = HeadlessGetPixel(x, y);
            ASSERT_FALSE(white_ink(c)) << "question text at " << x << "," << y;
            counterInk += !same(c, kPanelBody);
        }
    }
    EXPECT_GT(counterInk, 200) << "the counters were drawn";
    // Right of the tag, on its rows, nothing of the accent-coloured name.
    for (int y = 46; y < 106; ++y) {
        for (int x = 203; x < 210; ++x) ASSERT_TRUE(same(HeadlessGetPixel(x, y), kPanelBody)) << x << "," << y;
    }
    // The question still fills its box's lines, left of the counters.
    EXPECT_GT(play_question_box().width, 300.0f);
    EXPECT_LE(play_question_box().x + play_question_box().width, play_counters_left() - 8.0f);
}

struct ChoiceLook {
    Color body;
    Color outline;
};

constexpr ChoiceLook kPlain{{38, 44, 70, 255}, {160, 170, 200, 255}};
constexpr ChoiceLook kHovered{{55, 65, 110, 255}, {160, 170, 200, 255}};
constexpr ChoiceLook kRight{{20, 80, 40, 255}, {80, 220, 120, 255}};
constexpr ChoiceLook kWrongPick{{120, 30, 30, 255}, {200, 60, 60, 255}};
constexpr ChoiceLook kOther{{25, 30, 50, 255}, {160, 170, 200, 255}};

// The body left of the text column, below the label, and the top outline row.
void expect_choice(int slot, const ChoiceLook &look)
{
    SCOPED_TRACE(testing::Message() << "choice " << slot);
    const Rectangle r = play_choice_rect(slot);
    const int x = static_cast<int>(r.x);
    const int top = static_cast<int>(std::floor(r.y + 0.5f));
    EXPECT_TRUE(same(HeadlessGetPixel(x + 15, static_cast<int>(r.y) + 60), look.body));
    EXPECT_TRUE(same(HeadlessGetPixel(x + 225, top + 3), look.body));
    EXPECT_TRUE(same(HeadlessGetPixel(x + 225, top), look.outline));
    EXPECT_TRUE(same(HeadlessGetPixel(x, top + 40), look.outline));
    EXPECT_TRUE(same(HeadlessGetPixel(x + 449, top + 40), look.outline));
}

TEST_F(Screens, ChoicesSitAtTheirRectanglesWithLabelAndText)
{
    const float h = 242.0f / 3.0f;
    const float ys[5] = {330.0f, 330.0f, 330.0f + (h + 8.0f), 330.0f + (h + 8.0f), 330.0f + 2.0f * (h + 8.0f)};
    const float xs[5] = {25, 485, 25, 485, 255};
    for (int s = 0; s < 5; ++s) {
        const Rectangle r = play_choice_rect(s);
        EXPECT_EQ(r.x, xs[s]);
        EXPECT_EQ(r.y, ys[s]);
        EXPECT_EQ(r.width, 450.0f);
        EXPECT_EQ(r.height, h);
    }
    snprintf(g_dispChoices[3], kTextSize, "%s",
             "長い答え長い答え長い答え長い答え長い答え長い答え長い答え長い答え長い答え長い答え");
    frame(question_face);
    for (int s = 0; s < 5; ++s) expect_choice(s, kPlain);
    // Choice ④: label at (x + 8, y + 8) in accent blue, text wrapped in (x + 32, y + 6, 410, 68⅔).
    const Rectangle r = play_choice_rect(3);
    expect_area_shows(Rectangle{r.x + 4, r.y + 4, 440, 72}, kPlain.body, [&] {
        DrawTextEx(g_fontJP, "④", Vector2{r.x + 8, r.y + 8}, 16, 1, kColorAccent);
        draw_textbox(g_dispChoices[3], Rectangle{r.x + 32, r.y + 6, 410, 206.0f / 3.0f}, 18, kColorWhite);
    });
}

TEST_F(Screens, OnlyTheChoiceUnderThePointerLightsBeforeTheAnswer)
{
    const Rectangle r3 = play_choice_rect(2);
    frame(question_face, r3.x + 200, r3.y + 40);
    for (int s = 0; s < 5; ++s) expect_choice(s, s == 2 ? kHovered : kPlain);
    EXPECT_TRUE(same(HeadlessGetPixel(396, 613), kColorBackground));  // no next button yet
    // The pointer between two choices lights none.
    frame(question_face, 480, 370);
    for (int s = 0; s < 5; ++s) expect_choice(s, kPlain);
}

TEST_F(Screens, AWrongClickOnTwoWhenFourIsRightMarksBoth)
{
    g_correctChoiceIdx = 3;
    g_timerPending = false;
    g_timerActive = true;
    answer_choice(1);
    ASSERT_TRUE(g_answered);
    ASSERT_EQ(g_clickedIdx, 1);
    // The pointer still over "②", then over "①": neither lights any more.
    const Rectangle r2 = play_choice_rect(1);
    for (Vector2 at : {Vector2{r2.x + 200, r2.y + 40}, Vector2{100, 370}}) {
        frame(question_face, at.x, at.y);
        expect_choice(0, kOther);
        expect_choice(1, kWrongPick);
        expect_choice(2, kOther);
        expect_choice(3, kRight);
        expect_choice(4, kOther);
        EXPECT_TRUE(same(HeadlessGetPixel(396, 613), (Color{40, 80, 40, 255})));  // next button
    }
    frame(question_face, 400, 600);
    EXPECT_TRUE(same(HeadlessGetPixel(396, 613), (Color{70, 110, 70, 255})));
}

TEST_F(Screens, AfterATimeOutOnlyTheRightChoiceIsMarked)
{
    g_correctChoiceIdx = 4;
    g_timerPending = false;
    g_timerActive = true;
    g_timer = 0.01f;
    update_answer_timer();
    ASSERT_TRUE(g_answered);
    ASSERT_EQ(g_clickedIdx, -1);
    frame(question_face);
    for (int s = 0; s < 4; ++s) expect_choice(s, kOther);
    expect_choice(4, kRight);
    EXPECT_TRUE(same(HeadlessGetPixel(25, 19), kTrack));
    const Rectangle b = kPlayNextButton;
    expect_centred_label(Rectangle{390, 594, 180, 38}, Rectangle{b.x + 6, b.y + 4, b.width - 12, b.height - 8},
                         Color{40, 80, 40, 255}, "次の問題 →", 16, kColorWhite);
}

// ---------------------------------------------------------------- results

// A stage cleared, the game cleared and the game over: each screen's lines
// and its button.
TEST_F(Screens, EachResultScreenShowsItsLinesAndItsButton)
{
    const std::vector<CentredLine> stageClear{
        {140, 56, kColorYellow, "Stage 4 クリア！"},
        {210, 34, kColorGreen, "正解数: 7 / 10 問"},
        {255, 40, kColorYellow, "★☆☆"},
        {305, 16, kColorMuted, "★★★ 全問正解  ★★☆ 高成績クリア  ★☆☆ クリア"},  // the legend
        {340, 34, kColorAccent, "得点: 31 点"},
    };
    const std::vector<CentredLine> gameClear{{140, 56, kColorAccent, "ゲームクリア！"},
                                             {255, 40, kColorYellow, "★★★"},
                                             {340, 34, kColorAccent, "得点: 93 点"}};
    const std::vector<CentredLine> gameOver{{180, 60, kColorRed, "GAME OVER"},
                                            {270, 18, kColorMuted, "正解数: 5 / 10 問  （突破ライン: 6 問）"},
                                            {310, 34, kColorAccent, "得点: 22 点"}};
    const struct {
        bool cleared;
        int stage, correct, score;
        const std::vector<CentredLine> &lines;
        ResultPlate plate;
        const char *label;
    } screens[] = {
        {true, 4, 7, 31, stageClear, kGreenPlate, "次のステージへ"},
        {true, 10, 10, 93, gameClear, kGreenPlate, "タイトルに戻る"},
        {false, 3, 5, 22, gameOver, kRedPlate, "タイトルに戻る"},
    };
    for (const auto &r : screens) {
        show_result(r.cleared, r.stage, r.correct, r.score);
        expect_result_lines(r.lines);
        expect_result_button(r.plate, r.label);
    }
}

TEST_F(Screens, TheStarLineFollowsTheRightAnswers)
{
    show_result(true, 2, 7, 0);
    const struct {
        int stage, correct;
        const char *stars;
    } ratings[] = {{2, 7, "★★☆"}, {2, 6, "★☆☆"}, {2, 10, "★★★"}, {8, 9, "★☆☆"}};
    for (const auto &r : ratings) {
        g_stage = r.stage;
        g_correct = r.correct;
        expect_result_lines({{255, 40, kColorYellow, r.stars}});
    }
}

TEST_F(Screens, TheResultButtonReportsAPressOverItOnly)
{
    show_result(true, 10, 10, 93);
    // The click is reported in the frame of the press over the button only.
    bool clicked = false;
    HeadlessQueueMouseDown(MOUSE_BUTTON_LEFT);
    frame([&] { clicked = result_draw(); }, 480, 436);
    EXPECT_TRUE(clicked);
    HeadlessQueueMouseUp(MOUSE_BUTTON_LEFT);
    frame([&] { clicked = result_draw(); }, 480, 436);
    HeadlessQueueMouseDown(MOUSE_BUTTON_LEFT);
    frame([&] { clicked = result_draw(); }, 480, 470);
    EXPECT_FALSE(clicked);
}

TEST_F(Screens, GameOverHasNoStarsAndItsClearLineFollowsTheStage)
{
    show_result(false, 3, 5, 22);
    frame([] { result_draw(); });
    EXPECT_TRUE(same(HeadlessGetPixel(375, 436), kColorBackground));  // no green plate
    // No stars or legend on this screen.
    EXPECT_FALSE(any_pixel(Rectangle{0, 250, 960, 18}, kColorYellow));

    // Stage 10 missed with 8: the clear line reads 9.
    g_stage = 10;
    g_correct = 8;
    expect_result_lines({{270, 18, kColorMuted, "正解数: 8 / 10 問  （突破ライン: 9 問）"}});
}

}  // namespace
