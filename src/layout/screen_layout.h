// SPDX-License-Identifier: MIT
// screen_layout: where the screens put their texts, in plain numbers: the
// window, the play screen's text boxes and font sizes, and how the genre tag
// fits its name. The screens draw with these (screen_play.cpp); pelzo-quiz
// checks a set's texts against the same boxes without opening a window.
//
// What depends on the font takes a width measure, a `float width(const char
// *text, float fontSize)` giving what MeasureTextEx gives for the text: the
// game passes its font's, pelzo-quiz text_width over its FreeType table.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "text_layout.h"
#include "utf8.h"

// The game's one window, in pixels.
constexpr int kWindowWidth = 960;
constexpr int kWindowHeight = 640;

// ---- the play screen ------------------------------------------------------------

constexpr float kPlayQuestionFontSize = 20.0f;
constexpr float kPlayChoiceFontSize = 18.0f;
constexpr float kPlayCounterFontSize = 20.0f;  // the right-aligned counter lines

// The tag the genre name is shown in, top left of the question panel.
constexpr TextBox kPlayGenreTagBox{22.0f, 46.0f, 180.0f, 60.0f};

// Display slot 0-4 of the choices, and the box its text wraps into.
TextBox play_choice_box(int slot);
TextBox play_choice_text_box(int slot);

// The question's text box, 210 to 750 as laid out, but ending 8 px left of
// the counters when they reach further left than 758.
TextBox play_question_box_left_of(float countersLeft);

// The left edge of the right-aligned counter lines ("正解数: … / クリア: …"
// and "得点: …", ending at x 936) at their widest possible values: up to 10
// right answers against a clear line of at most 9, and a score of at most
// 900, with whichever digit draws widest.
template <class Width>
float play_counters_left_by(const Width &width)
{
    float widest = 0.0f;
    for (char d = '0'; d <= '9'; ++d) {
        char line[64];
        snprintf(line, sizeof line, "正解数: %c%c / クリア: %c問", d, d, d);
        widest = std::max(widest, static_cast<float>(width(line, kPlayCounterFontSize)));
        snprintf(line, sizeof line, "得点: %c%c%c", d, d, d);
        widest = std::max(widest, static_cast<float>(width(line, kPlayCounterFontSize)));
    }
    return 936.0f - widest;
}

// Writes the genre tag's text into out with its font size in *size:
// "【name】" at 16 px when it fits the tag (8 px inside each side); smaller
// down to 10 px; at 10 px cut at a character with "…" before the bracket.
// True when the name had to be cut.
template <size_t N, class Width>
bool play_fit_genre_tag(const char *name, char (&out)[N], float *size, const Width &width)
{
    const float room = kPlayGenreTagBox.width - 16.0f;
    snprintf(out, sizeof out, "【%s】", name);
    for (*size = 16.0f; *size > 10.0f; *size -= 1.0f)
        if (width(out, *size) <= room) return false;
    bool cut = false;
    size_t keep = strlen(name);
    while (width(out, *size) > room && keep > 0) {
        keep = utf8_cut_length(name, keep - 1);
        snprintf(out, sizeof out, "【%.*s…】", static_cast<int>(keep), name);
        cut = true;
    }
    return cut;
}
