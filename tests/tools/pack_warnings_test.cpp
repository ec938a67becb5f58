// SPDX-License-Identifier: MIT
// Process tests of pack's warnings for texts the play screen cannot show
// whole: each at its threshold (the longest text that shows whole, and one
// character more), --strict refusing instead, --font, and the samples packing
// without a word. The thresholds are found with the game font's table, as the
// screen's boxes cut it (the layout's own tests hold the table to the game).
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "font_files.h"
#include "pack_warnings.h"
#include "quiz_data.h"
#include "screen_layout.h"
#include "tool_run.h"

using ::testing::HasSubstr;

namespace {

using Lines = std::vector<std::string>;

std::string repeat(const std::string &s, size_t n)
{
    std::string out;
    for (size_t i = 0; i < n; ++i) out += s;
    return out;
}

// A genre of the question, and nine plain ones after it: as many as a
// stage asks.
Lines question(const std::string &name, const std::string &q, const Lines &choices)
{
    Lines out{name, q};
    out.insert(out.end(), choices.begin(), choices.end());
    const Lines more = fixture::genre_lines("", 9);
    out.insert(out.end(), more.begin() + 1, more.end());
    return out;
}

class PackWarnings : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string problem, notice;
        ASSERT_TRUE(open_pack_font("", &font_, &problem, &notice)) << problem;
        if (!font_) GTEST_SKIP() << notice;
        file_ = existing_files(japanese_font_candidates()).front();
    }

    // How many of character c a box shows whole.
    size_t fits(const std::string &c, const TextBox &box, float fontSize)
    {
        size_t n = 0;
        for (const std::string &line : font_box_lines(*font_, repeat(c, 1000).c_str(), box, fontSize, nullptr))
            n += line.size() / c.size();
        return n;
    }

    TextBox question_box()
    {
        const auto width = [this](const char *text, float size) { return font_text_width(*font_, text, size); };
        return play_question_box_left_of(play_counters_left_by(width));
    }

    // The longest genre name of "名" whose tag is not cut, and the tag of
    // one more.
    size_t tag_fits(std::string *cutTag)
    {
        const auto width = [this](const char *text, float size) { return font_text_width(*font_, text, size); };
        char tag[kTextSize];
        float size = 0.0f;
        size_t n = 1;
        while (!play_fit_genre_tag(repeat("名", n + 1).c_str(), tag, &size, width)) ++n;
        *cutTag = tag;
        return n;
    }

    static ToolRun pack(const Lines &lines, std::vector<std::string> options = {})
    {
        const std::string src = fixture::write_file("genre.txt", fixture::lines(lines));
        std::vector<std::string> args{"pack", "-o", fixture::out_path("set.zip")};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(src);
        return run_tool(args);
    }

    FontAdvancesHandle font_;
    std::string file_;
};

}  // namespace

TEST_F(PackWarnings, EachTextWarnsOneCharacterPastWhatItsBoxShows)
{
    // 170 full-width characters, as many as a text holds, never fill the
    // question's box; half-width ones can.
    const size_t q = fits("a", question_box(), kPlayQuestionFontSize);
    const size_t c = fits("漢", play_choice_text_box(0), kPlayChoiceFontSize);
    std::string cutTag;
    const size_t g = tag_fits(&cutTag);
    ASSERT_LT(q, 511u);
    ASSERT_GT(c, 20u);  // three lines of full-width characters
    EXPECT_THAT(cutTag, ::testing::EndsWith("…】"));
    struct Case {
        Lines lines;
        std::string warning;  // "" for none
    };
    const Case cases[] = {
        {question("G", repeat("a", q), {"R", "W1", "W2", "W3", "W4"}), ""},
        {question("G", repeat("a", q + 1), {"R", "W1", "W2", "W3", "W4"}),
         ":2: warning: the question needs 11 lines on the play screen, where its box shows 10: \"a\" is cut off\n"},
        {question("G", "Q", {"R", "W1", repeat("漢", c), "W3", "W4"}), ""},
        {question("G", "Q", {"R", "W1", repeat("漢", c + 1), "W3", "W4"}),
         ":5: warning: wrong answer 2 needs 4 lines on the play screen, where its box shows 3: \"漢\" is cut off\n"},
        {question(repeat("名", g), "Q", {"R", "W1", "W2", "W3", "W4"}), ""},
        {question(repeat("名", g + 1), "Q", {"R", "W1", "W2", "W3", "W4"}),
         ":1: warning: the genre name is too wide for its tag on the play screen, even at 10 px: it shows as \"" +
             cutTag + "\"\n"},
    };
    for (const Case &k : cases) {
        const ToolRun r = pack(k.lines);
        EXPECT_EQ(r.exit, 0) << r.err;
        EXPECT_EQ(r.err, k.warning.empty() ? "" : shown_path(fixture::out_path("genre.txt")) + k.warning) << k.lines[0];
    }
}

TEST_F(PackWarnings, ChoicesThatDifferOnlyBelowTheirBoxesLookTheSame)
{
    const size_t c = fits("漢", play_choice_text_box(0), kPlayChoiceFontSize);
    const std::string shown = repeat("漢", c - 1);
    // The last character shown differs: the player tells them apart.
    ToolRun r = pack(question("G", "Q", {shown + "右", shown + "左", "W2", "W3", "W4"}));
    EXPECT_EQ(r.exit, 0);
    EXPECT_EQ(r.err, "");
    // Only the first character cut off differs.
    r = pack(question("G", "Q", {shown + "漢右", "W1", shown + "漢左", "W3", "W4"}));
    EXPECT_EQ(r.exit, 0);
    EXPECT_THAT(r.err,
                HasSubstr(shown_path(fixture::out_path("genre.txt")) +
                          ":5: warning: wrong answer 2 looks the same as the "
                          "right answer on the play screen: they differ only after the 3 lines their boxes show\n"));
    // The same text, in choices next to each other or apart, first and last.
    const struct {
        Lines choices;
        const char *warning;
    } same[] = {
        {{"R", "W", "W2", "W", "W4"}, ":6: warning: wrong answer 3 is the same text as wrong answer 1\n"},
        {{"R", "R", "W2", "W3", "W4"}, ":4: warning: wrong answer 1 is the same text as the right answer\n"},
        {{"R", "W1", "W2", "W", "W"}, ":7: warning: wrong answer 4 is the same text as wrong answer 3\n"},
    };
    for (const auto &c : same) {
        r = pack(question("G", "Q", c.choices));
        EXPECT_EQ(r.err, shown_path(fixture::out_path("genre.txt")) + c.warning);
    }
}

TEST_F(PackWarnings, FiftyAreListedAndTheRestCounted)
{
    Lines lines{"G"};
    for (int q = 0; q < 60; ++q)
        for (const char *text : {"Q", "R", "W", "W2", "W", "W4"}) lines.push_back(text + std::to_string(q));
    const ToolRun r = pack(lines);
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr(":300: warning: wrong answer 3 is the same text as wrong answer 1\n"
                                 "pelzo-quiz pack: 10 more warnings not listed\n"));
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 51);
}

TEST_F(PackWarnings, StrictRefusesAndWritesNothing)
{
    const std::string out = fixture::write_file("set.zip", "previous");
    const Lines lines = question("G", "Q", {"R", "W", "W2", "W", "W4"});
    const ToolRun r = pack(lines, {"--strict", "--force"});  // --force lets no warning through
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, shown_path(fixture::out_path("genre.txt")) +
                         ":6: wrong answer 3 is the same text as wrong answer 1\n"
                         "pelzo-quiz pack: " +
                         shown_path(out) + " not written\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(slurp(out), "previous");
    EXPECT_EQ(pack(question("G", "Q", {"R", "W1", "W2", "W3", "W4"}), {"--strict", "--force"}).exit, 0);
}

TEST_F(PackWarnings, FontOptionMeasuresInThatFileAndRefusesWhatIsNoFont)
{
    const Lines lines = question("G", "Q", {"R", "W1", "W2", "W3", "W4"});
    ToolRun r = pack(lines, {"--font", file_});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string notFont = fixture::write_file("not_a_font.ttf", "plain text");
    r = pack(lines, {"--font", notFont});
    EXPECT_EQ(r.exit, 1);
    EXPECT_THAT(r.err, HasSubstr(shown_path(notFont) + ": is not a font file FreeType can read (--font)\n"));
    EXPECT_EQ(pack(lines, {"--font"}).exit, 2);
    EXPECT_EQ(pack(lines, {"--font", file_, "--font", file_}).exit, 2);
}

TEST_F(PackWarnings, TheSamplesPackWithoutAWord)
{
    const std::string top = std::string(PELZO_SOURCE_DIR) + "/data/samples/src/";
    const std::vector<std::string> sets[] = {
        {top + "0_general.txt", top + "1_geography.txt", top + "2_science.txt", top + "3_history.txt"},
        {top + "large/0_animals.txt", top + "large/1_food.txt", top + "large/2_sports.txt", top + "large/3_music.txt",
         top + "large/4_space.txt", top + "large/5_proverbs.txt", top + "large/6_kanji.txt",
         top + "large/7_countries.txt"},
    };
    for (const std::vector<std::string> &sources : sets) {
        std::vector<std::string> args{"pack", "--strict", "-o", fixture::out_path("samples.zip")};
        args.insert(args.end(), sources.begin(), sources.end());
        const ToolRun r = run_tool(args);
        EXPECT_EQ(r.exit, 0) << r.err;
        EXPECT_EQ(r.err, "");
    }
}

#ifndef _WIN32
TEST(PackWithoutFont, SaysOnceThatTheWidthChecksWereSkipped)
{
    // fontconfig with no font folders: no Japanese font anywhere.
    const std::string config =
        fixture::write_file("empty.conf", "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n");
    setenv("FONTCONFIG_FILE", config.c_str(), 1);
    const std::string src =
        fixture::write_file("long.txt", fixture::lines(question("G", repeat("a", 500), {"R", "R", "W2", "W3", "W4"})));
    const ToolRun r = run_tool({"pack", "--strict", "-o", fixture::out_path("set.zip"), src});
    unsetenv("FONTCONFIG_FILE");
    EXPECT_EQ(r.exit, 0);
    EXPECT_EQ(r.err, std::string("pelzo-quiz pack: warning: no Japanese font found (") + sys_japanese_font_hint() +
                         "); the width checks were skipped\n");
}
#endif
