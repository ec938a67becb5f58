// SPDX-License-Identifier: MIT
// rules: the play rules of one game.
//
// Question selection without repeats inside a stage and the shuffled display
// order of the answers; the answer timer (30 frames of delay, then 10 s of
// frame time), judging and scoring by whole seconds left; the stage sequence,
// its clear line and star rating. Every random choice is game_rand() % n, in a fixed
// order of draws: the stage's genre, then the question draws of each pick, then
// its four shuffle draws. The functions change game_state.h and play the game's
// sounds; they draw nothing and never allocate.
#pragma once

#include "game_state.h"

// Picks the next question of genre g_genreIdx and re-arms the answer state and
// the timer. Needs a valid genre with at least one question; does nothing
// otherwise.
void pick_next_question();

// One play frame's timer step: the start delay, then the countdown on
// GetFrameTime, ending in a time-out.
void update_answer_timer();

// The player clicked display slot `slot` (0-4) of an unanswered question.
void answer_choice(int slot);

// "次の問題 →": the next question, or the end of the stage after the tenth.
void advance_question();

// Right answers needed to clear stage `stage`: (stage + 9) / 2.
int clear_line(int stage);
// Stars (1-3) of a cleared stage with `correct` right answers.
int star_rating(int stage, int correct);

// Starts stage g_stage: empty history, a genre drawn anew, its first
// question, the stage jingle and the intro card. Needs g_genreCount >= 1;
// does nothing without a genre.
void begin_stage();
// Back to the title with stage 1 and score 0; the genre table stays.
void return_to_title();

// What the result screen reports for the stage just ended.
enum ResultKind {
    RESULT_GAME_OVER,
    RESULT_STAGE_CLEAR,
    RESULT_GAME_CLEAR,
};
ResultKind result_kind();

// star_rating(stage, correct) times "★", then "☆" up to three symbols.
// buf must hold at least kStarTextSize bytes.
constexpr int kStarTextSize = 16;
void star_text(int stage, int correct, char *buf);
