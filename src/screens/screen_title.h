// SPDX-License-Identifier: MIT
// screen_title: draws the title screen and reports its one button.
//
// The frame loop calls title_draw_main (everything up to and including
// "ゲームスタート"), acts on its click, then title_draw_file_line. Reads
// g_titleTex, g_errorMsg and g_argFilePath; changes no state. Expects the
// frame cleared to kColorBackground.
#pragma once

#include "gamelib.h"

constexpr Rectangle kTitleStartButton{350.0f, 340.0f, 260.0f, 56.0f};

// True when "ゲームスタート" was clicked in this frame.
bool title_draw_main();
// The hint, or the command-line file's line, at y = 430.
void title_draw_file_line();

// The file name shown for a path: after its last backslash, else after its
// last slash, else the whole path.
const char *title_file_name(const char *path);
