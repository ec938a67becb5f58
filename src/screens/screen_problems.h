// SPDX-License-Identifier: MIT
// screen_problems: the panel over the title that lists what reading a
// teacher's source found (g_sourceProblems): a heading with the counts, each
// line wrapped to the panel and paged, the count of those not listed, and
// its buttons.
//
// problems_open copies the problems; the font must already hold their
// characters, and those of problems_words. While open, Escape dismisses the
// panel instead of closing the window.
// problems_frame draws the panel over whatever was drawn before it and turns
// the frame's input into what the player asked; the frame loop acts on it.
// Everything kept is bounded: at most kProblemsListedMax lines per kind, each
// cut to kProblemsLineBytes - 1 bytes.
#pragma once

#include <cstddef>

#include "gamelib.h"

constexpr size_t kProblemsListedMax = 100;
constexpr size_t kProblemsLineBytes = 1024;

constexpr Rectangle kProblemsPanel{90.0f, 40.0f, 780.0f, 560.0f};
constexpr Rectangle kProblemsCloseMark{824.0f, 52.0f, 34.0f, 34.0f};
constexpr Rectangle kProblemsPrevButton{118.0f, 530.0f, 84.0f, 40.0f};
constexpr Rectangle kProblemsNextButton{276.0f, 530.0f, 84.0f, 40.0f};
constexpr Rectangle kProblemsPlayButton{372.0f, 526.0f, 300.0f, 48.0f};
constexpr Rectangle kProblemsCloseButton{684.0f, 526.0f, 162.0f, 48.0f};

enum ProblemsAction {
    PROBLEMS_STAY,  // still open (or never was)
    PROBLEMS_DISMISS,  // closed: a click outside it, its close controls or Escape
    PROBLEMS_PLAY,  // "このまま遊ぶ" or Enter, offered with warnings only
};

// Opens the panel on page 1 for g_sourceProblems. With canPlay (the set
// loaded, warnings only) it offers to play anyway.
void problems_open(bool canPlay);
// Closes it (nothing when it is not open); Escape closes the window again.
void problems_close();
bool problems_is_open();

// Draws the open panel and, with takeInput, reads this frame's clicks and
// keys: page controls turn pages, dismissing closes the panel. Without
// takeInput (the frame that opened it) it only draws.
ProblemsAction problems_frame(bool takeInput);

// The panel's own words (headings, buttons, notes) in one text: the
// characters the font needs besides the lines.
const char *problems_words();

int problems_page();
int problems_page_count();
