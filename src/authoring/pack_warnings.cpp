// SPDX-License-Identifier: MIT
// The play screen's view of a set's texts: wrapped into the question box and
// the choice boxes, the genre name fitted into its tag.
#include "pack_warnings.h"

#include "font_files.h"
#include "authoring_i18n.h"
#include "quiz_data.h"
#include "screen_layout.h"
#include "sys.h"

namespace {

// No font file is near this; one larger is not read.
constexpr uint64_t kMaxFontBytes = 256ull << 20;

bool open_font_file(const std::string &file, FontAdvancesHandle *font, std::string *why)
{
    std::string bytes;
    if (!sys_read_file(file.c_str(), kMaxFontBytes, &bytes, why)) return false;
    *font = font_advances_open(std::move(bytes), kJapaneseFontSize, why);
    return *font != nullptr;
}

// How a text shows in a box: the lines drawn and how many it would need.
struct Shown {
    std::vector<std::string> lines;
    std::string hidden;  // what is dropped below the last line drawn
};

Shown shown_in(FontAdvances &font, const char *text, const TextBox &box, float fontSize)
{
    Shown s;
    s.lines = font_box_lines(font, text, box, fontSize, &s.hidden);
    return s;
}

void check_fits(FontAdvances &font, const GenreSource &g, size_t index, const Shown &s, const TextBox &box,
                float fontSize, std::vector<PackWarning> &out)
{
    if (s.hidden.empty()) return;
    // Its whole length, in a box as wide that never ends.
    TextBox endless = box;
    endless.height = 1.0e6f;
    const size_t needed = font_box_lines(font, g.c_text(index), endless, fontSize, nullptr).size();
    out.push_back(
        {source_where(g.path, g.lines[index]),
         formatted(P_("%s needs %zu line on the play screen, where its box shows %zu: \"%s\" is cut off",
                      "%s needs %zu lines on the play screen, where its box shows %zu: \"%s\" is cut off", needed),
                   line_role(index).c_str(), needed, s.lines.size(), excerpt(s.hidden, 20).c_str())});
}

void check_genre_tag(FontAdvances &font, const GenreSource &g, std::vector<PackWarning> &out)
{
    char tag[kTextSize];
    float size = 0.0f;
    const auto width = [&font](const char *text, float fontSize) { return font_text_width(font, text, fontSize); };
    if (play_fit_genre_tag(g.c_text(0), tag, &size, width))
        out.push_back({source_where(g.path, g.lines[0]),
                       formatted(_("the genre name is too wide for its tag on the play screen, even at %d px: it "
                                   "shows as \"%s\""),
                                 static_cast<int>(size), tag)});
}

}  // namespace

namespace {

// The reasons the font reader gives in English, translated here.
constexpr const char *kFontReasons[] = {
    N_("is not a font file FreeType can read"),
    N_("FreeType does not start"),
    N_("a font is drawn at 1 to 1024 px"),
};

std::string font_reason(const std::string &english)
{
    for (const char *reason : kFontReasons)
        if (english == reason) return _(reason);
    return english;
}

}  // namespace

bool open_pack_font(const std::string &file, FontAdvancesHandle *font, std::string *problem, std::string *notice)
{
    std::string why;
    if (!file.empty()) {
        if (open_font_file(file, font, &why)) return true;
        why = font_reason(why);
        *problem = formatted(_("%s: %s (--font)"), file.c_str(), why.c_str());
        return false;
    }
    // The game's choice: the first candidate that loads as a font.
    std::string refused, refusedWhy;
    for (const std::string &candidate : existing_files(japanese_font_candidates())) {
        if (open_font_file(candidate, font, &why)) return true;
        if (refused.empty()) refused = candidate, refusedWhy = font_reason(why);
    }
    if (refused.empty())
        *notice = formatted(_("no Japanese font found (%s); the width checks were skipped"), sys_japanese_font_hint());
    else
        *notice = formatted(_("no Japanese font found (%s); %s %s; the width checks were skipped"),
                            sys_japanese_font_hint(), refused.c_str(), refusedWhy.c_str());
    return true;
}

std::vector<PackWarning> pack_warnings(const std::vector<GenreSource> &genres, FontAdvances &font)
{
    const auto width = [&font](const char *text, float fontSize) { return font_text_width(font, text, fontSize); };
    const TextBox questionBox = play_question_box_left_of(play_counters_left_by(width));
    // Every slot's box shows the same lines (the layout's tests hold it), so
    // where a choice lands does not matter.
    const TextBox choiceBox = play_choice_text_box(0);
    std::vector<PackWarning> out;
    for (const GenreSource &g : genres) {
        check_genre_tag(font, g, out);
        for (int q = 0; q < g.questions(); ++q) {
            const size_t first = 1 + kLinesPerQuestion * static_cast<size_t>(q);
            const Shown question = shown_in(font, g.c_text(first), questionBox, kPlayQuestionFontSize);
            check_fits(font, g, first, question, questionBox, kPlayQuestionFontSize, out);
            Shown choices[kChoices];
            for (size_t c = 0; c < kChoices; ++c) {
                const size_t index = first + 1 + c;
                choices[c] = shown_in(font, g.c_text(index), choiceBox, kPlayChoiceFontSize);
                check_fits(font, g, index, choices[c], choiceBox, kPlayChoiceFontSize, out);
                for (size_t earlier = 0; earlier < c; ++earlier) {
                    if (choices[earlier].lines != choices[c].lines) continue;
                    const size_t other = first + 1 + earlier;
                    if (g.text(index) == g.text(other))
                        out.push_back({source_where(g.path, g.lines[index]),
                                       formatted(_("%s is the same text as %s"), line_role(index).c_str(),
                                                 line_role(other).c_str())});
                    else
                        out.push_back(
                            {source_where(g.path, g.lines[index]),
                             formatted(P_("%s looks the same as %s on the play screen: they differ only "
                                          "after the %zu line their boxes show",
                                          "%s looks the same as %s on the play screen: they differ only "
                                          "after the %zu lines their boxes show",
                                          choices[c].lines.size()),
                                       line_role(index).c_str(), line_role(other).c_str(), choices[c].lines.size())});
                    break;
                }
            }
        }
    }
    return out;
}
