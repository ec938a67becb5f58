// SPDX-License-Identifier: MIT
// screen_result: draws the result of the stage just ended (stage clear, game
// clear or GAME OVER) and reports its one button.
//
// Reads g_clearStage, g_stage, g_correct and g_score; changes nothing. The
// frame loop decides what the click does. Expects the frame cleared to
// kColorBackground.
#pragma once

#include "gamelib.h"

constexpr Rectangle kResultClearButton{360.0f, 410.0f, 240.0f, 52.0f};
constexpr Rectangle kResultGameOverButton{370.0f, 380.0f, 220.0f, 52.0f};

// True when the screen's button was clicked in this frame.
bool result_draw();
