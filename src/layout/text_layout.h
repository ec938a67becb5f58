// SPDX-License-Identifier: MIT
// text_layout: how the game lays text out, with no graphics: the width of a
// line, the character-by-character wrapping of a text into a box, and how
// many lines a box shows.
//
// Widths are taken from glyph advances in whole pixels at a font's base size
// (the size it was rasterised at), summed, scaled to the drawn size and
// widened by kTextSpacing between characters: the sum MeasureTextEx makes.
// Where an advance comes from is the caller's: the game's screens look it up
// in their loaded font (draw.cpp), pelzo-quiz in a FreeType table of the same
// font file (font_advances.h). Both then wrap every text through the one
// routine below, so they cannot break a text differently.
//
// The routines are templates over that lookup, an `int advanceOf(int
// codepoint)`, so the game's per-frame wrapping calls its font directly.
// Nothing here allocates or keeps state; no text is read past its terminator.
#pragma once

#include <cstring>

#include "utf8.h"

constexpr float kTextSpacing = 1.0f;

// A line of wrapped text holds at most kTextboxLineSize - 1 bytes.
constexpr int kTextboxLineSize = 512;

// A rectangle of the screen, in pixels.
struct TextBox {
    float x;
    float y;
    float width;
    float height;
};

// Byte length of the UTF-8 character starting at s, from its first byte
// (2, 3 or 4 for a lead byte, 1 for anything else), cut short at the
// terminator. 0 at the terminator. The wrapping moves by these steps.
int textbox_char_length(const char *s);

// The code point at s and its byte length in *size, as the font routines
// decode a text: at most four bytes are looked at, never past the
// terminator; bytes that are no valid UTF-8 give '?' for one byte. 0 with
// *size 0 at the terminator.
inline int text_next_codepoint(const char *s, int *size)
{
    *size = 0;
    if (s[0] == '\0') return 0;
    char32_t cp = 0;
    const size_t n = utf8_decode(s, 4, &cp);  // stops at the terminator
    *size = 1;
    if (n == 0) return '?';
    *size = static_cast<int>(n);
    return static_cast<int>(cp);
}

// The width of `count` characters whose advances at baseSize add up to
// advanceSum, drawn at fontSize; 0 for none.
inline float text_line_width(long advanceSum, int count, float fontSize, int baseSize)
{
    if (count == 0) return 0.0f;
    return static_cast<float>(advanceSum) * fontSize / static_cast<float>(baseSize) +
           static_cast<float>(count - 1) * kTextSpacing;
}

// The width of a whole text at fontSize.
template <class AdvanceOf>
float text_width(const char *text, float fontSize, int baseSize, const AdvanceOf &advanceOf)
{
    long sum = 0;
    int count = 0;
    for (const char *p = text; *p != '\0';) {
        int size = 0;
        const int cp = text_next_codepoint(p, &size);
        sum += advanceOf(cp);
        count += 1;
        p += size;
    }
    return text_line_width(sum, count, fontSize, baseSize);
}

// The width of the line being built, kept as text_width computes it: the
// advances summed and the codepoints counted, so a candidate costs only its
// new character instead of a re-measure of the whole line. A decoder looks at
// most four bytes ahead, so a codepoint that starts four or more bytes before
// the line's end decodes the same however the line continues; only the
// codepoints after that are decoded again for each candidate.
struct TextLineWidth {
    long advanceSum;  // of the settled codepoints
    int count;
    int pos;  // byte offset where the unsettled codepoints begin
};

template <class AdvanceOf>
float text_candidate_width(const char *line, int len, const TextLineWidth &settled, TextLineWidth *next, float fontSize,
                           int baseSize, const AdvanceOf &advanceOf)
{
    long sum = settled.advanceSum;
    int count = settled.count;
    int pos = settled.pos;
    *next = settled;
    while (pos < len) {
        int size = 0;
        const int cp = text_next_codepoint(line + pos, &size);
        if (size <= 0) break;
        sum += advanceOf(cp);
        count += 1;
        pos += size;
        if (pos - size + 4 <= len) *next = TextLineWidth{sum, count, pos};
    }
    return text_line_width(sum, count, fontSize, baseSize);
}

// One line of the wrapping: copies the longest run of whole characters from
// text whose width fits maxWidth into line (at least one character when text
// is not empty: a character wider than the box takes a line of its own) and
// returns where the rest begins. line holds kTextboxLineSize bytes; a line
// that would outgrow it breaks there.
template <class AdvanceOf>
const char *text_take_line(const char *text, float maxWidth, float fontSize, int baseSize, const AdvanceOf &advanceOf,
                           char *line)
{
    int lineLen = 0;
    TextLineWidth settled{0, 0, 0};
    const char *p = text;
    while (*p != '\0') {
        const int len = textbox_char_length(p);
        // Texts come from 512-byte fields, so a line cannot outgrow its buffer;
        // a longer text breaks its line here rather than overrun it.
        if (lineLen + len > kTextboxLineSize - 1) break;
        memcpy(line + lineLen, p, static_cast<size_t>(len));
        line[lineLen + len] = '\0';
        TextLineWidth next{};
        const float width = text_candidate_width(line, lineLen + len, settled, &next, fontSize, baseSize, advanceOf);
        if (width > maxWidth && lineLen > 0) break;
        lineLen += len;
        settled = next;
        p += len;
    }
    line[lineLen] = '\0';
    return p;
}

// Wraps text into box, top line first, each line fontSize + 4 below the one
// before; a line that would reach below the box is not shown, nor is any
// after it. Calls show(line, y) for each line shown, y being its top, and
// returns where the text that is not shown begins (its terminator when all
// of it is).
template <class AdvanceOf, class Show>
const char *text_fill_box(const char *text, const TextBox &box, float fontSize, int baseSize,
                          const AdvanceOf &advanceOf, Show &&show)
{
    char line[kTextboxLineSize];
    const float bottom = box.y + box.height;
    const float advance = fontSize + 4.0f;
    float y = box.y;
    const char *p = text;
    while (*p != '\0') {
        if (y + advance > bottom) return p;
        p = text_take_line(p, box.width, fontSize, baseSize, advanceOf, line);
        show(static_cast<const char *>(line), y);
        y += advance;
    }
    return p;
}
