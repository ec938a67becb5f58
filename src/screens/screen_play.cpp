// SPDX-License-Identifier: MIT
#include "screen_play.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "draw.h"
#include "font_jp.h"
#include "game_state.h"
#include "rules.h"
#include "utf8.h"

static Rectangle rectangle(const TextBox &box) { return Rectangle{box.x, box.y, box.width, box.height}; }

// What MeasureTextEx gives for a text in g_fontJP: the screen layout's measure.
static float font_width(const char *text, float fontSize)
{
    return MeasureTextEx(g_fontJP, text, fontSize, kTextSpacing).x;
}

Rectangle play_choice_rect(int slot) { return rectangle(play_choice_box(slot)); }

static const char *current_genre_name()
{
    if (g_genreIdx < 0 || g_genreIdx >= g_genreCount) return "";
    return g_genres[g_genreIdx].name;
}

float play_counters_left() { return play_counters_left_by(font_width); }

Rectangle play_question_box() { return rectangle(play_question_box_left_of(play_counters_left())); }

static void draw_rounded(const Rectangle &r, float roundness, int segments, Color body, Color outline)
{
    DrawRectangleRounded(r, roundness, segments, body);
    DrawRectangleRoundedLines(r, roundness, segments, outline);
}

void play_draw_intro()
{
    char title[32];
    snprintf(title, sizeof title, "Stage %d", g_stage);
    draw_text_center(title, 230.0f, 56.0f, kColorYellow);
    char genre[kTextSize];
    snprintf(genre, sizeof genre, "【%s】", current_genre_name());
    draw_text_center(genre, 310.0f, 34.0f, kColorAccent);
}

void play_draw_question()
{
    // Timer bar and text.
    float ratio = g_timer / kAnswerSeconds;
    if (ratio < 0.0f) ratio = 0.0f;
    const Rectangle track{20.0f, 10.0f, 920.0f, 18.0f};
    DrawRectangleRounded(track, 0.5f, 8, Color{40, 40, 70, 255});
    const Color fill = ratio > 0.5f ? kColorGreen : ratio > 0.25f ? kColorYellow : kColorRed;
    if (ratio > 0.0f) DrawRectangleRounded(Rectangle{20.0f, 10.0f, 920.0f * ratio, 18.0f}, 0.5f, 8, fill);
    DrawRectangleRoundedLines(track, 0.5f, 8, kColorMuted);
    char timerText[32];
    snprintf(timerText, sizeof timerText, "%.0f秒", static_cast<double>(g_timer > 0.0f ? g_timer : 0.0f));
    const float tw = MeasureTextEx(g_fontJP, timerText, 16.0f, kTextSpacing).x;
    DrawTextEx(g_fontJP, timerText, Vector2{480.0f - tw * 0.5f, 11.0f}, 16.0f, kTextSpacing, kColorWhite);

    // Question panel and genre tag.
    draw_rounded(Rectangle{10.0f, 36.0f, 940.0f, 274.0f}, 0.05f, 8, Color{28, 32, 55, 255}, Color{60, 80, 130, 255});
    draw_rounded(kPlayGenreTag, 0.2f, 6, Color{20, 40, 80, 255}, kColorAccent);
    char genre[kTextSize];
    float genreSize = 16.0f;
    play_fit_genre_tag(current_genre_name(), genre, &genreSize, font_width);
    const Vector2 gs = MeasureTextEx(g_fontJP, genre, genreSize, kTextSpacing);
    DrawTextEx(g_fontJP, genre,
               Vector2{kPlayGenreTag.x + (kPlayGenreTag.width - gs.x) * 0.5f,
                       kPlayGenreTag.y + (kPlayGenreTag.height - gs.y) * 0.5f},
               genreSize, kTextSpacing, kColorAccent);

    // Progress and counters.
    char line[64];
    snprintf(line, sizeof line, "Stage %d  |  第 %d / %d 問", g_stage, g_qCount, kQuestionsPerStage);
    DrawTextEx(g_fontJP, line, Vector2{22.0f, 114.0f}, 16.0f, kTextSpacing, kColorMuted);
    snprintf(line, sizeof line, "正解数: %d / クリア: %d問", g_correct, clear_line(g_stage));
    float w = MeasureTextEx(g_fontJP, line, 20.0f, kTextSpacing).x;
    DrawTextEx(g_fontJP, line, Vector2{936.0f - w, 50.0f}, 20.0f, kTextSpacing, kColorYellow);
    char score[32];
    snprintf(score, sizeof score, "得点: %d", g_score);
    w = MeasureTextEx(g_fontJP, score, 20.0f, kTextSpacing).x;
    DrawTextEx(g_fontJP, score, Vector2{936.0f - w, 80.0f}, 20.0f, kTextSpacing, kColorAccent);

    if (g_currentQ >= 0 && g_genreIdx >= 0 && g_genreIdx < g_genreCount && g_currentQ < g_genres[g_genreIdx].count) {
        draw_textbox(g_genres[g_genreIdx].items[g_currentQ].text, play_question_box(), kPlayQuestionFontSize,
                     kColorWhite);
    }
}

void play_draw_choice(int slot, bool hovered)
{
    static const char *const kLabels[kChoices] = {"①", "②", "③", "④", "⑤"};
    Color body{38, 44, 70, 255};
    Color outline = kColorMuted;
    if (g_answered) {
        if (slot == g_correctChoiceIdx) {
            body = Color{20, 80, 40, 255};
            outline = kColorGreen;
        } else if (slot == g_clickedIdx) {
            body = Color{120, 30, 30, 255};
            outline = Color{200, 60, 60, 255};
        } else {
            body = Color{25, 30, 50, 255};
        }
    } else if (hovered) {
        body = Color{55, 65, 110, 255};
    }
    const Rectangle r = play_choice_rect(slot);
    draw_rounded(r, 0.12f, 6, body, outline);
    DrawTextEx(g_fontJP, kLabels[slot], Vector2{r.x + 8.0f, r.y + 8.0f}, 16.0f, kTextSpacing, kColorAccent);
    draw_textbox(g_dispChoices[slot], rectangle(play_choice_text_box(slot)), kPlayChoiceFontSize, kColorWhite);
}

bool play_draw_next_button()
{
    return draw_button("次の問題 →", kPlayNextButton, Color{40, 80, 40, 255}, kColorWhite, 16.0f);
}
