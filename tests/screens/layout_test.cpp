// SPDX-License-Identifier: MIT
// The shared text layout: its wrapping rule on a made-up font, and the game
// and pelzo-quiz measuring alike: the screens through their loaded font
// (textbox_take_line, MeasureTextEx), the tool through its FreeType table of
// the same font file (font_advances.h).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "draw.h"
#include "font_advances.h"
#include "font_jp.h"
#include "quiz_data.h"
#include "screen_layout.h"
#include "screen_play.h"
#include "sys.h"
#include "text_layout.h"
#include "utf8.h"

namespace {

// A made-up font at base size 10: every character 10 px wide, "W" 40.
int made_up_advance(int codepoint) { return codepoint == 'W' ? 40 : 10; }

std::vector<std::string> made_up_lines(const char *text, float width, float fontSize)
{
    std::vector<std::string> lines;
    char line[kTextboxLineSize];
    for (const char *p = text; *p != '\0';) {
        p = text_take_line(p, width, fontSize, 10, made_up_advance, line);
        lines.emplace_back(line);
    }
    return lines;
}

}  // namespace

TEST(TextLayout, LinesBreakAtTheLastCharacterThatFits)
{
    // At 10 px each character is 10 wide plus 1 between: 5 take 54 px.
    struct Case {
        const char *text;
        float width;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"abcdefghij", 54.0f, {"abcde", "fghij"}},
        {"abcdefghij", 53.9f, {"abcd", "efgh", "ij"}},
        {"あいうabc", 32.0f, {"あいう", "abc"}},
        {"aWb", 30.0f, {"a", "W", "b"}},  // wider than the box: a line of its own
        {"", 50.0f, {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(made_up_lines(c.text, c.width, 10.0f), c.lines) << c.text << " in " << c.width;
    EXPECT_FLOAT_EQ(text_width("aWb", 20.0f, 10, made_up_advance), 2 * (10 + 40 + 10) + 2.0f);
}

TEST(TextLayout, ABoxShowsTheLinesThatEndAboveItsBottom)
{
    // Lines 14 px apart at 10 px: a box 41 px high shows 2 lines, 42 px 3.
    std::vector<std::string> shown;
    const auto keep = [&shown](const char *line, float) { shown.emplace_back(line); };
    const char *rest = text_fill_box("aaaabbbbccccdddd", TextBox{0, 100, 43, 41}, 10.0f, 10, made_up_advance, keep);
    EXPECT_EQ(shown, (std::vector<std::string>{"aaaa", "bbbb"}));
    EXPECT_STREQ(rest, "ccccdddd");
    shown.clear();
    rest = text_fill_box("aaaabbbbccccdddd", TextBox{0, 100, 43, 42}, 10.0f, 10, made_up_advance, keep);
    EXPECT_EQ(shown.size(), 3u);
    EXPECT_STREQ(rest, "dddd");
}

TEST(TextLayout, EveryChoiceSlotShowsTheSameLines)
{
    // pelzo-quiz checks a choice in slot 0's box: any slot must show it alike.
    const std::string text(400, 'a');
    std::vector<std::vector<std::string>> slots(kChoices);
    for (int s = 0; s < kChoices; ++s) {
        const TextBox box = play_choice_text_box(s);
        text_fill_box(text.c_str(), box, kPlayChoiceFontSize, 10, made_up_advance,
                      [&](const char *line, float) { slots[static_cast<size_t>(s)].emplace_back(line); });
        EXPECT_EQ(slots[static_cast<size_t>(s)], slots[0]) << "slot " << s;
    }
    EXPECT_EQ(slots[0].size(), 3u);
}

// The genre tag with a made-up font whose characters are all as wide as the
// font size: "【" and "】" count as one each, so a tag of n characters needs
// (n + 2) x size of the 164 px inside the tag. It shrinks from 16 px a pixel
// at a time to the first size that fits, and at 10 px keeps the most whole
// characters that fit before "…】", whatever their length in bytes.
TEST(TextLayout, GenreTagShrinksByOnePixelThenCutsBetweenCharacters)
{
    // Whole characters only, as a font leaves out a cut sequence: a cut
    // inside a character would then seem to fit.
    const auto width = [](const char *text, float size) {
        size_t characters = 0;
        for (size_t i = 0, n = strlen(text); i < n;) {
            char32_t c;
            const size_t length = utf8_decode(text + i, n - i, &c);
            characters += length > 0;
            i += length > 0 ? length : 1;
        }
        return static_cast<float>(characters) * size;
    };
    const auto repeat = [](const std::string &s, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += s;
        return out;
    };
    struct Case {
        std::string name;
        float size;
        std::string tag;
    };
    const Case cases[] = {
        {repeat("名", 8), 16.0f, "【" + repeat("名", 8) + "】"},  // 10 x 16 = 160
        {repeat("名", 10), 13.0f, "【" + repeat("名", 10) + "】"},  // 12 x 13 = 156; 12 x 14 = 168
        {repeat("名", 12), 11.0f, "【" + repeat("名", 12) + "】"},  // 14 x 11 = 154
        {repeat("名", 15), 10.0f, "【" + repeat("名", 13) + "…】"},  // 16 x 10 = 160
        {repeat("😀", 15), 10.0f, "【" + repeat("😀", 13) + "…】"},
        {repeat("aé名😀", 4), 10.0f, "【" + repeat("aé名😀", 3) + "a…】"},
        {repeat("é", 14) + "名", 10.0f, "【" + repeat("é", 13) + "…】"},
    };
    for (const Case &c : cases) {
        char tag[512];
        float size = 0.0f;
        EXPECT_EQ(play_fit_genre_tag(c.name.c_str(), tag, &size, width), c.size == 10.0f) << c.name;
        EXPECT_EQ(size, c.size) << c.name;
        EXPECT_EQ(std::string(tag), c.tag) << c.name;
    }
}

// ---- the game and the tool measure alike ---------------------------------------------

// With the game's font, and with a second one of other metrics (DejaVu Sans:
// another em size, no Japanese glyphs), so that the agreement does not rest
// on what one font happens to share between two ways of sizing a face.
class LayoutAgreement : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        load_font_jp();
        file_ = font_jp_file();
        if (file_.empty()) GTEST_SKIP() << "no Japanese font (fonts-ipafont-mincho)";
        if (*GetParam()) file_ = GetParam();
        if (!FileExists(file_.c_str())) GTEST_SKIP() << "no " << file_;
        // The game's font rebuilt for these texts, as a loaded set's would be.
        std::string all = "…【】正解数: / クリア問得点0123456789 !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~";
        for (int c = 'A'; c <= 'z'; ++c) all += static_cast<char>(c);
        for (const char *t : kTexts) all += t;
        int count = 0;
        int *cps = LoadCodepoints(all.c_str(), &count);
        const int baseSize = g_fontJP.baseSize;
        UnloadFont(g_fontJP);
        g_fontJP = LoadFontEx(file_.c_str(), baseSize, cps, count);
        UnloadCodepoints(cps);
        ASSERT_FALSE(IsFontDefault(g_fontJP));

        std::string bytes, why;
        ASSERT_TRUE(sys_read_file(file_.c_str(), 1u << 30, &bytes, &why)) << why;
        tool_ = font_advances_open(std::move(bytes), g_fontJP.baseSize, &why);
        ASSERT_TRUE(tool_) << file_ << ": " << why;
    }
    void TearDown() override
    {
        UnloadFont(g_fontJP);
        g_fontJP = Font{};
    }

    static std::vector<std::string> game_lines(const char *text, float width, float fontSize)
    {
        std::vector<std::string> lines;
        char line[kTextboxLineSize];
        for (const char *p = text; *p != '\0';) {
            p = textbox_take_line(p, width, fontSize, line);
            lines.emplace_back(line);
        }
        return lines;
    }

    std::vector<std::string> tool_lines(const char *text, float width, float fontSize)
    {
        return font_box_lines(*tool_, text, TextBox{0, 0, width, 1.0e6f}, fontSize, nullptr);
    }

    static constexpr const char *kTexts[] = {
        "日本で一番高い山は富士山ですが、二番目に高い山はどれでしょう？日本で一番高い山は富士山ですが、二番目は？",
        "Which of these is NOT a prime number: 2, 3, 5, 9, 11, 13, 17, 19, 23, 29, 31, 37 or 41? Think twice.",
        "ｶﾀｶﾅ半角とＡＢＣ全角、①②③と★☆、〜記号も mixed in — 長い　問題文　です。iiiiWWWW llll mmmm",
        "絵文字😀やハングル한국어など、フォントに無い字は代わりの字形で描かれる。𠮷野家",
        "                                                                      spaces",
        "髙Ⅲ㎝①ソ表能\\~―～∥￢",
    };
    std::string file_;
    FontAdvancesHandle tool_;
};

TEST_P(LayoutAgreement, ToolLineBreaksAreTheGames)
{
    // 15: a kanji of the game's font is wider
    const float widths[] = {play_question_box().width, 410.0f, 200.0f, 57.0f, 15.0f};
    for (const char *text : kTexts) {
        EXPECT_EQ(font_text_width(*tool_, text, 20.0f), MeasureTextEx(g_fontJP, text, 20.0f, kTextSpacing).x) << text;
        for (float fontSize : {kPlayQuestionFontSize, kPlayChoiceFontSize}) {
            for (float width : widths) {
                const std::vector<std::string> game = game_lines(text, width, fontSize);
                EXPECT_EQ(tool_lines(text, width, fontSize), game) << text << " at " << fontSize << " px in " << width;
                if (width == 15.0f && !*GetParam()) {
                    for (const std::string &line : game)  // no two characters fit
                        EXPECT_EQ(static_cast<size_t>(textbox_char_length(line.c_str())), line.size()) << line;
                }
            }
        }
    }
}

TEST_P(LayoutAgreement, ToolBoxesAndGenreTagsAreTheGames)
{
    const auto toolWidth = [this](const char *text, float size) { return font_text_width(*tool_, text, size); };
    const auto gameWidth = [](const char *text, float size) {
        return MeasureTextEx(g_fontJP, text, size, kTextSpacing).x;
    };
    EXPECT_EQ(play_counters_left_by(toolWidth), play_counters_left());
    EXPECT_EQ(play_question_box_left_of(play_counters_left_by(toolWidth)).width, play_question_box().width);
    for (const char *name :
         {"日本の地理", "とても長いジャンルの名前です本当に長い", "Geography and Natural History", kTexts[2]}) {
        char game[512], tool[512];
        float gameSize = 0.0f, toolSize = 0.0f;
        EXPECT_EQ(play_fit_genre_tag(name, tool, &toolSize, toolWidth),
                  play_fit_genre_tag(name, game, &gameSize, gameWidth));
        EXPECT_STREQ(tool, game);
        EXPECT_EQ(toolSize, gameSize);
    }
}

INSTANTIATE_TEST_SUITE_P(Fonts, LayoutAgreement,
                         ::testing::Values("", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"),
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             return std::string(*info.param ? "DejaVuSans" : "GameFont");
                         });
