// SPDX-License-Identifier: MIT
// game_state: the game's process-wide state, plain and visible.
//
// Offers the screen variable, the play state of one question, one stage and
// one game, and what start-up leaves for the title screen (the mute switch,
// the command-line path, the logo). Every variable is written by the module
// named in its group and read by anyone; reset_game_state puts all of them
// back to their program-start values. Nothing here allocates.
#pragma once

#include "gamelib.h"
#include "quiz_data.h"

enum {
    SCREEN_TITLE = 0,
    SCREEN_PLAY = 1,
    SCREEN_RESULT = 2,
};

constexpr int kQuestionsPerStage = 10;
constexpr int kLastStage = 10;
constexpr float kAnswerSeconds = 10.0f;
constexpr int kTimerWaitFrames = 30;
constexpr int kPathSize = 512;

// Screen state: the frame loop (app) owns the transitions; the stage rules
// switch screens as part of their effects.
extern int g_screen;
extern bool g_stageIntro;  // the stage card shows while the stage jingle plays

// Question selection.
extern int g_usedQIdx[kQuestionsPerStage];  // questions asked in this stage
extern int g_usedCount;
extern int g_currentQ;  // -1 until the first pick
extern char g_dispChoices[kChoices][kTextSize];  // choice texts in display order
extern int g_correctChoiceIdx;  // display slot holding choice 0

// Answer timer, judging and scoring.
extern float g_timer;  // seconds left
extern int g_timerWaitFrames;
extern bool g_timerPending;
extern bool g_timerActive;
extern bool g_answered;
extern int g_clickedIdx;  // slot the player clicked, -1 for none
extern int g_correct;  // right answers in this stage
extern int g_score;  // score of the whole game
extern int g_qCount;  // questions asked in this stage, counting the one shown

// Stages.
extern int g_stage;
extern bool g_clearStage;
extern int g_genreIdx;

// Start-up.
extern bool g_mute;
extern char g_argFilePath[kPathSize];  // UTF-8, empty when none was given
extern Texture2D g_titleTex;  // id 0 when there is no logo

// Program-start values for every variable above except the start-up group:
// title screen, stage 1, score 0, no question, every flag false.
void reset_game_state();
