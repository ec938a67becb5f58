// SPDX-License-Identifier: MIT
// draw: the only text and button routines of the game, immediate mode.
//
// All three draw in g_fontJP with letter spacing 1.0 and must be called
// between BeginDrawing and EndDrawing. They keep no state between calls: a
// button exists, and can be clicked, only in the frames that draw it. They
// never allocate and never read past a text's terminator.
//
// The wrapping rule, the text spacing and the window's size are
// text_layout.h's and screen_layout.h's, which pelzo-quiz shares.
#pragma once

#include "gamelib.h"
#include "screen_layout.h"
#include "text_layout.h"

// The shared palette. kColorBackground is also what the frame loop clears each
// frame to. The screens rely on that and never fill the whole window with it
// again: an opaque fill of the same colour changes no pixel, and the software
// renderer would blend all 614,400 pixels of it (about 5 ms a frame).
constexpr Color kColorBackground{18, 20, 35, 255};
constexpr Color kColorAccent{90, 200, 255, 255};
constexpr Color kColorMuted{160, 170, 200, 255};
constexpr Color kColorGreen{80, 220, 120, 255};
constexpr Color kColorYellow{255, 220, 60, 255};
constexpr Color kColorRed{255, 80, 80, 255};
constexpr Color kColorWhite{255, 255, 255, 255};

// A rounded push button with a centred label. True in the frame in which the
// left mouse button goes down while the pointer is over it. Under the pointer
// the fill is lightened by 30 per channel (capped at 255) and made opaque.
bool draw_button(const char *label, const Rectangle &rect, Color fill, Color labelColor, float fontSize);

// One line centred on the window, its top at y.
void draw_text_center(const char *text, float y, float fontSize, Color color);

// UTF-8 text wrapped character by character into rect (line advance
// fontSize + 4; text_fill_box). Lines that do not fit below are dropped
// without a mark; a character wider than the box takes a line of its own. A
// line holds at most 511 bytes.
void draw_textbox(const char *text, const Rectangle &rect, float fontSize, Color color);

// One line of draw_textbox's wrapping (text_take_line in g_fontJP): copies
// the longest run of whole characters from text that fits maxWidth into line
// (at least one character when text is not empty) and returns where the rest
// begins. The width of each candidate is what MeasureTextEx gives for it,
// kept up to date character by character instead of re-measured. line must
// hold kTextboxLineSize bytes.
const char *textbox_take_line(const char *text, float maxWidth, float fontSize, char *line);
