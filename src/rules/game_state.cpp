// SPDX-License-Identifier: MIT
#include "game_state.h"

#include "source_problems.h"

#include <cstring>

int g_screen = SCREEN_TITLE;
bool g_stageIntro = false;

int g_usedQIdx[kQuestionsPerStage];
int g_usedCount = 0;
int g_currentQ = -1;
char g_dispChoices[kChoices][kTextSize];
int g_correctChoiceIdx = 0;

float g_timer = 0.0f;
int g_timerWaitFrames = 0;
bool g_timerPending = false;
bool g_timerActive = false;
bool g_answered = false;
int g_clickedIdx = -1;
int g_correct = 0;
int g_score = 0;
int g_qCount = 0;

int g_stage = 1;
bool g_clearStage = false;
int g_genreIdx = 0;

bool g_mute = false;
char g_argFilePath[kPathSize];
Texture2D g_titleTex;
SourceProblems g_sourceProblems;

void reset_game_state()
{
    g_screen = SCREEN_TITLE;
    g_stageIntro = false;
    memset(g_usedQIdx, 0, sizeof g_usedQIdx);
    g_usedCount = 0;
    g_currentQ = -1;
    memset(g_dispChoices, 0, sizeof g_dispChoices);
    g_correctChoiceIdx = 0;
    g_timer = 0.0f;
    g_timerWaitFrames = 0;
    g_timerPending = false;
    g_timerActive = false;
    g_answered = false;
    g_clickedIdx = -1;
    g_correct = 0;
    g_score = 0;
    g_qCount = 0;
    g_stage = 1;
    g_clearStage = false;
    g_genreIdx = 0;
}
