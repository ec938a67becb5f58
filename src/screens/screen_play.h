// SPDX-License-Identifier: MIT
// screen_play: draws the question screen and its stage intro card, and gives
// the rectangles its clicks are tested against.
//
// The frame loop owns the order and the state changes: it draws the intro
// card or the question face, then each choice, then the next button while
// the question is answered. Reads the play state of game_state.h; changes
// nothing itself. Expects the frame cleared to kColorBackground.
//
// The boxes the texts go in, the font sizes and the genre tag's fitting are
// screen_layout.h's, in plain numbers that pelzo-quiz checks sets against.
#pragma once

#include "gamelib.h"
#include "screen_layout.h"

constexpr Rectangle kPlayNextButton{390.0f, 594.0f, 180.0f, 38.0f};
constexpr Rectangle kPlayGenreTag{kPlayGenreTagBox.x, kPlayGenreTagBox.y, kPlayGenreTagBox.width,
                                  kPlayGenreTagBox.height};

// The rectangle of display slot 0-4.
Rectangle play_choice_rect(int slot);

// The left edge of the right-aligned counter lines ("正解数: … / クリア: …"
// and "得点: …") at their widest possible values in g_fontJP, and the
// question's text box, which ends 8 px left of it (or at x 750 when that is
// further left), so that a question never runs under the counters.
float play_counters_left();
Rectangle play_question_box();

void play_draw_intro();
// Background, timer bar and text, panel, genre, counters and question text.
void play_draw_question();
// One choice in the colours of its situation.
void play_draw_choice(int slot, bool hovered);
// "次の問題 →"; true when clicked in this frame.
bool play_draw_next_button();
