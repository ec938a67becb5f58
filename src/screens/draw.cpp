#include "draw.h"

#include <cstring>

#include "font_jp.h"

static unsigned char lighten(unsigned char c)
{
    return c > 225 ? 255 : static_cast<unsigned char>(c + 30);
}

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

int textbox_char_length(const char *s)
{
    const unsigned char b = static_cast<unsigned char>(s[0]);
    if (b == 0) return 0;
    int len = 1;
    if ((b & 0xE0) == 0xC0) len = 2;
    else if ((b & 0xF0) == 0xE0) len = 3;
    else if ((b & 0xF8) == 0xF0) len = 4;
    for (int i = 1; i < len; ++i) {
        if (s[i] == '\0') return i;
    }
    return len;
}

// The width of the line being built, kept as MeasureTextEx computes it: the
// glyph advances summed and the codepoints counted, so a candidate costs only
// its new character instead of a re-measure of the whole line. A decoder
// looks at most four bytes ahead, so a codepoint that starts four or more
// bytes before the line's end decodes the same however the line continues;
// only the codepoints after that are decoded again for each candidate.
struct LineWidth {
    long advanceSum;  // of the settled codepoints
    int count;
    int pos;         // byte offset where the unsettled codepoints begin
};

// The font MeasureTextEx and DrawTextEx fall back to when g_fontJP holds none.
static Font measuring_font()
{
    const Font &f = g_fontJP;
    if (f.atlas == nullptr || f.glyphs == nullptr || f.glyphCount <= 0 || f.baseSize <= 0) return GetFontDefault();
    return f;
}

static float candidate_width(const Font &font, const char *line, int len, const LineWidth &settled,
                             LineWidth *next, float fontSize)
{
    long sum = settled.advanceSum;
    int count = settled.count;
    int pos = settled.pos;
    *next = settled;
    while (pos < len) {
        int size = 0;
        const int cp = GetCodepointNext(line + pos, &size);
        if (size <= 0) break;
        const int glyph = GetGlyphIndex(font, cp);
        if (glyph >= 0 && glyph < font.glyphCount) sum += font.glyphs[glyph].advanceX;
        count += 1;
        pos += size;
        if (pos - size + 4 <= len) *next = LineWidth{sum, count, pos};
    }
    if (count == 0) return 0.0f;
    return static_cast<float>(sum) * fontSize / static_cast<float>(font.baseSize) +
           static_cast<float>(count - 1) * kTextSpacing;
}

const char *textbox_take_line(const char *text, float maxWidth, float fontSize, char *line)
{
    const Font font = measuring_font();
    int lineLen = 0;
    LineWidth settled{0, 0, 0};
    const char *p = text;
    while (*p != '\0') {
        const int len = textbox_char_length(p);
        // Texts come from 512-byte fields, so a line cannot outgrow its buffer;
        // a longer text breaks its line here rather than overrun it.
        if (lineLen + len > kTextboxLineSize - 1) break;
        memcpy(line + lineLen, p, static_cast<size_t>(len));
        line[lineLen + len] = '\0';
        LineWidth next{};
        const float width = candidate_width(font, line, lineLen + len, settled, &next, fontSize);
        if (width > maxWidth && lineLen > 0) break;
        lineLen += len;
        settled = next;
        p += len;
    }
    line[lineLen] = '\0';
    return p;
}

void draw_textbox(const char *text, const Rectangle &rect, float fontSize, Color color)
{
    char line[kTextboxLineSize];
    const float bottom = rect.y + rect.height;
    const float advance = fontSize + 4.0f;
    float y = rect.y;
    const char *p = text;
    while (*p != '\0') {
        if (y + advance > bottom) return;
        p = textbox_take_line(p, rect.width, fontSize, line);
        DrawTextEx(g_fontJP, line, Vector2{rect.x, y}, fontSize, kTextSpacing, color);
        y += advance;
    }
}
