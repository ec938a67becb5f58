// screen_play: draws the question screen and its stage intro card, and gives
// the rectangles its clicks are tested against.
//
// The frame loop owns the order and the state changes: it draws the intro
// card or the question face, then each choice, then the next button while
// the question is answered. Reads the play state of game_state.h; changes
// nothing itself. Expects the frame cleared to kColorBackground.
#pragma once

#include "gamelib.h"

constexpr Rectangle kPlayNextButton{390.0f, 594.0f, 180.0f, 38.0f};

// The rectangle of display slot 0-4.
Rectangle play_choice_rect(int slot);

void play_draw_intro();
// Background, timer bar and text, panel, genre, counters and question text.
void play_draw_question();
// One choice in the colours of its situation.
void play_draw_choice(int slot, bool hovered);
// "次の問題 →"; true when clicked in this frame.
bool play_draw_next_button();
