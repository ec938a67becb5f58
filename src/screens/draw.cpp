// SPDX-License-Identifier: MIT
#include "draw.h"

#include "font_jp.h"

static unsigned char lighten(unsigned char c) { return c > 225 ? 255 : static_cast<unsigned char>(c + 30); }

bool draw_button(const char *label, const Rectangle &rect, Color fill, Color labelColor, float fontSize)
{
    const bool hovered = CheckCollisionPointRec(GetMousePosition(), rect);
    if (hovered) fill = Color{lighten(fill.r), lighten(fill.g), lighten(fill.b), 255};
    DrawRectangleRounded(rect, 0.25f, 8, fill);
    DrawRectangleRoundedLines(rect, 0.25f, 8, kColorAccent);
    const Vector2 size = MeasureTextEx(g_fontJP, label, fontSize, kTextSpacing);
    const Vector2 pos{rect.x + (rect.width - size.x) * 0.5f, rect.y + (rect.height - size.y) * 0.5f};
    DrawTextEx(g_fontJP, label, pos, fontSize, kTextSpacing, labelColor);
    return hovered && IsMouseButtonPressed(MOUSE_BUTTON_LEFT);
}

void draw_text_center(const char *text, float y, float fontSize, Color color)
{
    const Vector2 size = MeasureTextEx(g_fontJP, text, fontSize, kTextSpacing);
    DrawTextEx(g_fontJP, text, Vector2{(kWindowWidth - size.x) * 0.5f, y}, fontSize, kTextSpacing, color);
}

// The font MeasureTextEx and DrawTextEx fall back to when g_fontJP holds none.
static Font measuring_font()
{
    const Font &f = g_fontJP;
    if (f.atlas == nullptr || f.glyphs == nullptr || f.glyphCount <= 0 || f.baseSize <= 0) return GetFontDefault();
    return f;
}

// A glyph's advance at the font's base size, as MeasureTextEx adds it up.
struct FontAdvanceOf {
    const Font &font;
    int operator()(int codepoint) const
    {
        const int glyph = GetGlyphIndex(font, codepoint);
        return glyph >= 0 && glyph < font.glyphCount ? font.glyphs[glyph].advanceX : 0;
    }
};

const char *textbox_take_line(const char *text, float maxWidth, float fontSize, char *line)
{
    const Font font = measuring_font();
    return text_take_line(text, maxWidth, fontSize, font.baseSize, FontAdvanceOf{font}, line);
}

void draw_textbox(const char *text, const Rectangle &rect, float fontSize, Color color)
{
    const Font font = measuring_font();
    text_fill_box(text, TextBox{rect.x, rect.y, rect.width, rect.height}, fontSize, font.baseSize, FontAdvanceOf{font},
                  [fontSize, color, &rect](const char *line, float y) {
                      DrawTextEx(g_fontJP, line, Vector2{rect.x, y}, fontSize, kTextSpacing, color);
                  });
}
