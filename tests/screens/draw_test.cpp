// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "draw.h"
#include "font_jp.h"
#include "headless.h"
#include "screen_test_support.h"

namespace {

constexpr Color kBlack{0, 0, 0, 255};

class Draw : public ::testing::Test {
protected:
    void SetUp() override
    {
        HeadlessEnable();
        InitWindow(960, 640, "draw test");
        load_font_jp();
    }
    void TearDown() override
    {
        UnloadFont(g_fontJP);
        g_fontJP = Font{};
        CloseWindow();
        HeadlessDisable();
    }

    // Runs one frame on a black background and returns the pixels of `area`.
    std::vector<Color> frame(const std::function<void()> &draw, Rectangle area = {0, 0, 960, 640})
    {
        BeginDrawing();
        ClearBackground(kBlack);
        draw();
        EndDrawing();
        return grab(area);
    }

    // What draw_textbox shows at size 20: each of `lines` drawn alone with
    // DrawTextEx, the first at `corner` and each next one a line advance
    // (24) lower, on a frame of its own.
    std::vector<Color> lines_at(const std::vector<std::string> &lines, Vector2 corner, Rectangle area)
    {
        return frame(
            [&] {
                for (size_t l = 0; l < lines.size(); ++l) {
                    DrawTextEx(g_fontJP, lines[l].c_str(), Vector2{corner.x, corner.y + 24.0f * l}, 20, 1, kColorWhite);
                }
            },
            area);
    }

    static std::string repeated(const char *piece, int times)
    {
        std::string s;
        for (int i = 0; i < times; ++i) s += piece;
        return s;
    }

    static bool blank(const std::vector<Color> &a)
    {
        for (Color c : a) {
            if (!same(c, kBlack)) return false;
        }
        return true;
    }

    static float width(const char *text, float size) { return MeasureTextEx(g_fontJP, text, size, 1.0f).x; }
};

// Reference wrapping: re-measures every candidate line with MeasureTextEx.
std::vector<std::string> wrap_by_measuring(const char *text, float maxWidth, float size)
{
    std::vector<std::string> lines;
    std::string line;
    const char *p = text;
    while (*p) {
        const int len = textbox_char_length(p);
        const std::string candidate = line + std::string(p, static_cast<size_t>(len));
        if (MeasureTextEx(g_fontJP, candidate.c_str(), size, 1.0f).x > maxWidth && !line.empty()) {
            lines.push_back(line);
            line.clear();
            continue;
        }
        line = candidate;
        p += len;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::vector<std::string> wrap_by_taking(const char *text, float maxWidth, float size)
{
    std::vector<std::string> lines;
    char line[kTextboxLineSize];
    const char *p = text;
    while (*p) {
        const char *rest = textbox_take_line(p, maxWidth, size, line);
        EXPECT_GT(rest, p);
        if (rest == p) break;
        lines.push_back(line);
        p = rest;
    }
    return lines;
}

const char *const kRealTexts[] = {
    "日本で一番高い山は富士山ですが、二番目に高い山はどれでしょう？",
    "次のうち、1964年の東京オリンピックで初めて採用された競技はどれ？（ひとつ選べ）",
    "Which of these is NOT a prime number: 2, 3, 5, 9, 11 — 答えは「９」です。",
    "ｶﾀｶﾅ半角とＡＢＣ全角、①②③と★☆、〜記号も混ぜた　長い　問題文　です。",
};

TEST_F(Draw, ButtonLightsUnderThePointer)
{
    const Rectangle r{350, 340, 260, 56};
    const Color fill{30, 60, 120, 255};
    bool clicked = true;
    HeadlessQueueMouseMove(100, 100);
    std::vector<Color> px =
        frame([&] { clicked = draw_button("ゲームスタート", r, fill, kColorWhite, 20); }, Rectangle{356, 366, 4, 4});
    EXPECT_FALSE(clicked);
    for (Color c : px) EXPECT_TRUE(same(c, fill));

    HeadlessQueueMouseMove(480, 368);
    px = frame([&] { clicked = draw_button("ゲームスタート", r, fill, kColorWhite, 20); }, Rectangle{356, 366, 4, 4});
    EXPECT_FALSE(clicked);
    for (Color c : px) EXPECT_TRUE(same(c, (Color{60, 90, 150, 255})));

    // The outline is the accent blue, hovered or not, around the body.
    bool outlineFound = false;
    for (int x = 348; x <= 352; ++x) outlineFound |= same(HeadlessGetPixel(x, 368), kColorAccent);
    EXPECT_TRUE(outlineFound);

    // A channel above 225 stops at 255 and the alpha becomes opaque.
    px = frame([&] { draw_button("x", r, Color{240, 10, 100, 90}, kColorWhite, 20); }, Rectangle{356, 366, 2, 2});
    for (Color c : px) EXPECT_TRUE(same(c, (Color{255, 40, 130, 255})));
}

TEST_F(Draw, ButtonReportsOnlyTheFirstFrameOfALeftPressOverIt)
{
    const Rectangle r{390, 594, 180, 38};
    // One frame drawing the button; whether it reported a click.
    auto hold = [&]() {
        bool clicked = false;
        frame(
            [&] {
                clicked = draw_button("次の問題 →", r, Color{40, 80, 40, 255}, kColorWhite, 16);
            },
            Rectangle{0, 0, 1, 1});
        return clicked;
    };
    auto press = [&](float x, float y, int button) {
        HeadlessQueueMouseMove(x, y);
        HeadlessQueueMouseDown(button);
        return hold();
    };
    EXPECT_TRUE(press(480, 610, MOUSE_BUTTON_LEFT));
    EXPECT_FALSE(hold());  // still held down
    HeadlessQueueMouseUp(MOUSE_BUTTON_LEFT);
    EXPECT_FALSE(hold());
    EXPECT_FALSE(press(480, 610, MOUSE_BUTTON_RIGHT));
    HeadlessQueueMouseUp(MOUSE_BUTTON_RIGHT);
    EXPECT_FALSE(press(480, 610, MOUSE_BUTTON_MIDDLE));
    HeadlessQueueMouseUp(MOUSE_BUTTON_MIDDLE);
    hold();
    EXPECT_FALSE(press(300, 610, MOUSE_BUTTON_LEFT));  // outside
    HeadlessQueueMouseUp(MOUSE_BUTTON_LEFT);
    hold();
    // The right and bottom edges are outside, the left and top ones inside.
    EXPECT_FALSE(press(570, 610, MOUSE_BUTTON_LEFT));
    HeadlessQueueMouseUp(MOUSE_BUTTON_LEFT);
    hold();
    EXPECT_TRUE(press(390, 594, MOUSE_BUTTON_LEFT));
}

TEST_F(Draw, TextCenterStartsHalfTheRemainingWidthIn)
{
    const char *text = "〜 Pelzoクイズゲーム 〜";
    const float w = width(text, 20);
    ASSERT_GT(w, 100.0f);
    const Rectangle area{0, 220, 960, 40};
    const auto centred = frame([&] { draw_text_center(text, 225, 20, kColorWhite); }, area);
    const auto placed = frame(
        [&] {
            DrawTextEx(g_fontJP, text, Vector2{(960 - w) * 0.5f, 225}, 20, 1, kColorWhite);
        },
        area);
    EXPECT_FALSE(blank(centred));
    EXPECT_EQ(differing(centred, placed), 0);
}

TEST_F(Draw, TakingALineMatchesReMeasuringEveryCandidate)
{
    for (const char *text : kRealTexts) {
        for (float size : {16.0f, 18.0f, 20.0f}) {
            // Every prefix's measured width exactly, and just below it: the
            // strict "wider than" test must fall the same way as measuring.
            std::vector<float> widths;
            const char *p = text;
            std::string prefix;
            while (*p) {
                const int len = textbox_char_length(p);
                prefix.append(p, static_cast<size_t>(len));
                const float w = MeasureTextEx(g_fontJP, prefix.c_str(), size, 1.0f).x;
                widths.push_back(w);
                widths.push_back(std::nextafter(w, 0.0f));
                p += len;
            }
            for (float w : {1.0f, 50.0f, 137.5f, 410.0f, 540.0f, 2000.0f}) widths.push_back(w);
            for (float w : widths) {
                EXPECT_EQ(wrap_by_taking(text, w, size), wrap_by_measuring(text, w, size))
                    << "width " << w << " size " << size << " text " << text;
            }
        }
    }
}

TEST_F(Draw, TakingALineOfMalformedUtf8MatchesReMeasuring)
{
    const char *const texts[] = {
        "ab\xE3"
        "cd\xE3\x81"
        "x\xC3\xE3\x81\x82yz",  // leads followed by non-continuations
        "\x80\x81\xBF\xF8\xFF"
        "abc\xF0\x9F\x98\x80!",  // stray bytes, a 4-byte character
        "\xE3\xE3\xE3\x81\x82\x82\x82"
        "end",  // lead runs crossing character limits
        "\xED\xA0\x80\xC0\x80\xF4\x90\x80\x80"
        "q",  // surrogates, overlong, beyond U+10FFFF
    };
    for (const char *text : texts) {
        for (float w = 1.0f; w < 300.0f; w += 3.5f) {
            EXPECT_EQ(wrap_by_taking(text, w, 18), wrap_by_measuring(text, w, 18)) << "width " << w;
        }
    }
}

TEST_F(Draw, CharLengthComesFromTheFirstByteAndStopsAtTheTerminator)
{
    EXPECT_EQ(textbox_char_length(""), 0);
    EXPECT_EQ(textbox_char_length("a"), 1);
    EXPECT_EQ(textbox_char_length("\x80z"), 1);
    EXPECT_EQ(textbox_char_length("\xFFz"), 1);
    EXPECT_EQ(textbox_char_length("\xF8zzzz"), 1);
    EXPECT_EQ(textbox_char_length("\xC3\xA9"), 2);
    EXPECT_EQ(textbox_char_length("\xC3zz"), 2);  // taken whole even when malformed
    EXPECT_EQ(textbox_char_length("あ"), 3);
    EXPECT_EQ(textbox_char_length("\xF0\x9F\x98\x80"), 4);
    EXPECT_EQ(textbox_char_length("\xE3\x81"), 2);
    EXPECT_EQ(textbox_char_length("\xE3"), 1);
    EXPECT_EQ(textbox_char_length("\xF0\x9F"), 2);
}

TEST_F(Draw, TextboxNeverReadsPastTheTerminator)
{
    // Exact-size heap copies: a read past the NUL lands in the sanitizer's
    // redzone.
    const char *const texts[] = {"\xE3", "abc\xE3\x81", "\xF0", "\xF0\x9F\x98", "xy\xC3"};
    for (const char *t : texts) {
        const size_t n = strlen(t) + 1;
        char *copy = static_cast<char *>(malloc(n));
        memcpy(copy, t, n);
        frame([&] { draw_textbox(copy, Rectangle{10, 10, 5, 200}, 18, kColorWhite); }, Rectangle{0, 0, 1, 1});
        char line[kTextboxLineSize];
        EXPECT_EQ(textbox_take_line(copy, 1000, 18, line), copy + n - 1);
        EXPECT_STREQ(line, t);
        free(copy);
    }
}

TEST_F(Draw, ALineNeverOutgrowsItsBuffer)
{
    std::string longText(700, 'i');
    char line[kTextboxLineSize + 8];
    memset(line, 0x55, sizeof line);
    const char *rest = textbox_take_line(longText.c_str(), 1.0e9f, 18, line);
    EXPECT_EQ(rest - longText.c_str(), kTextboxLineSize - 1);
    EXPECT_EQ(strlen(line), static_cast<size_t>(kTextboxLineSize - 1));
    EXPECT_EQ(static_cast<unsigned char>(line[kTextboxLineSize]), 0x55);
    // A multi-byte character that would cross the limit moves whole to the next line.
    std::string jp(510, 'i');
    jp += "あい";
    rest = textbox_take_line(jp.c_str(), 1.0e9f, 18, line);
    EXPECT_EQ(rest - jp.c_str(), 510);
    EXPECT_STREQ(rest, "あい");
}

TEST_F(Draw, ThirtyEqualCharactersWrapIntoThreeLinesOfTen)
{
    const std::string text = repeated("あ", 30);
    const float c = width("あ", 20);
    ASSERT_GT(c, 0.0f);
    const std::string ten = repeated("あ", 10);
    ASSERT_FLOAT_EQ(width(ten.c_str(), 20), 10 * c + 9);
    const Rectangle area{0, 0, 700, 200};
    const auto expected = lines_at({ten, ten, ten}, Vector2{40, 30}, area);
    // Ten characters with nine spacings fit; eleven with ten do not.
    for (float w : {10 * c + 9, 10 * c + 9.5f, std::nextafter(11 * c + 10, 0.0f)}) {
        const auto drawn = frame([&] { draw_textbox(text.c_str(), Rectangle{40, 30, w, 150}, 20, kColorWhite); }, area);
        EXPECT_EQ(differing(drawn, expected), 0) << "box width " << w;
    }
    // One pixel narrower: nine a line, so four lines.
    const auto narrower = frame(
        [&] {
            draw_textbox(text.c_str(), Rectangle{40, 30, 10 * c + 8.5f, 150}, 20, kColorWhite);
        },
        area);
    EXPECT_NE(differing(narrower, expected), 0);
}

TEST_F(Draw, TextboxDropsWhatDoesNotFitBelow)
{
    const std::string text = repeated("あ", 30);
    const float c = width("あ", 20);
    const Rectangle area{0, 0, 700, 200};
    // Height for exactly two lines (2 x 24): the third is dropped.
    const auto twoLines = frame(
        [&] {
            draw_textbox(text.c_str(), Rectangle{40, 30, 10 * c + 9, 48}, 20, kColorWhite);
        },
        area);
    const std::string ten = repeated("あ", 10);
    EXPECT_EQ(differing(twoLines, lines_at({ten, ten}, Vector2{40, 30}, area)), 0);

    // Lower than one line advance: nothing at all.
    const auto none = frame([&] { draw_textbox("あいう", Rectangle{40, 30, 400, 23.9f}, 20, kColorWhite); });
    EXPECT_TRUE(blank(none));
    const auto empty = frame([&] { draw_textbox("", Rectangle{40, 30, 400, 100}, 20, kColorWhite); });
    EXPECT_TRUE(blank(empty));
}

TEST_F(Draw, TextboxPlacesLinesAtTheBoxCorner)
{
    const Rectangle area{0, 0, 960, 300};
    const auto one = frame([&] { draw_textbox("一行の問題", Rectangle{210, 44, 540, 262}, 20, kColorWhite); }, area);
    EXPECT_FALSE(blank(one));
    EXPECT_EQ(differing(one, lines_at({"一行の問題"}, Vector2{210, 44}, area)), 0);

    // A three-byte character that would overflow starts the next line whole.
    const float w = width("abcd", 20) + 2.0f;
    const auto wrapped = frame([&] { draw_textbox("abcdあ", Rectangle{100, 50, w, 100}, 20, kColorWhite); }, area);
    EXPECT_EQ(differing(wrapped, lines_at({"abcd", "あ"}, Vector2{100, 50}, area)), 0);

    // A character wider than the box still takes a line of its own.
    const auto narrow = frame([&] { draw_textbox("あい", Rectangle{100, 50, 3, 100}, 20, kColorWhite); }, area);
    EXPECT_EQ(differing(narrow, lines_at({"あ", "い"}, Vector2{100, 50}, area)), 0);
}

}  // namespace
