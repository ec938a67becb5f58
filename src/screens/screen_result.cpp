// SPDX-License-Identifier: MIT
#include "screen_result.h"

#include <cstdio>

#include "draw.h"
#include "game_state.h"
#include "rules.h"

static bool draw_game_over()
{
    draw_text_center("GAME OVER", 180.0f, 60.0f, kColorRed);
    char line[64];
    snprintf(line, sizeof line, "正解数: %d / %d 問  （突破ライン: %d 問）", g_correct, kQuestionsPerStage,
             clear_line(g_stage));
    draw_text_center(line, 270.0f, 18.0f, kColorMuted);
    snprintf(line, sizeof line, "得点: %d 点", g_score);
    draw_text_center(line, 310.0f, 34.0f, kColorAccent);
    return draw_button("タイトルに戻る", kResultGameOverButton, Color{80, 20, 20, 255}, kColorWhite, 20.0f);
}

static bool draw_clear(bool gameClear)
{
    char line[64];
    if (gameClear) {
        draw_text_center("ゲームクリア！", 140.0f, 56.0f, kColorAccent);
    } else {
        snprintf(line, sizeof line, "Stage %d クリア！", g_stage);
        draw_text_center(line, 140.0f, 56.0f, kColorYellow);
    }
    snprintf(line, sizeof line, "正解数: %d / %d 問", g_correct, kQuestionsPerStage);
    draw_text_center(line, 210.0f, 34.0f, kColorGreen);
    char stars[kStarTextSize];
    star_text(g_stage, g_correct, stars);
    draw_text_center(stars, 255.0f, 40.0f, kColorYellow);
    draw_text_center("★★★ 全問正解  ★★☆ 高成績クリア  ★☆☆ クリア", 305.0f, 16.0f, kColorMuted);
    snprintf(line, sizeof line, "得点: %d 点", g_score);
    draw_text_center(line, 340.0f, 34.0f, kColorAccent);
    return draw_button(gameClear ? "タイトルに戻る" : "次のステージへ", kResultClearButton, Color{30, 80, 30, 255},
                       kColorWhite, 20.0f);
}

bool result_draw()
{
    switch (result_kind()) {
    case RESULT_GAME_OVER: return draw_game_over();
    case RESULT_STAGE_CLEAR: return draw_clear(false);
    case RESULT_GAME_CLEAR: return draw_clear(true);
    }
    return false;
}
