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
    int advanceSum;  // of the settled codepoints
    int count;
    int pos;         // byte offset where the unsettled codepoints begin
};

static float candidate_width(const char *line, int len, const LineWidth &settled, LineWidth *next,
                             float fontSize)
{
    int sum = settled.advanceSum;
    int count = settled.count;
    int pos = settled.pos;
    *next = settled;
    while (pos < len) {
        int size = 0;
        const int cp = GetCodepointNext(line + pos, &size);
        if (size <= 0) break;
        sum += g_fontJP.glyphs[GetGlyphIndex(g_fontJP, cp)].advanceX;
        count += 1;
        pos += size;
        if (pos - size + 4 <= len) *next = LineWidth{sum, count, pos};
    }
    if (count == 0) return 0.0f;
    return static_cast<float>(sum) * fontSize / static_cast<float>(g_fontJP.baseSize) +
           static_cast<float>(count - 1) * kTextSpacing;
}

void draw_textbox(const char *text, const Rectangle &rect, float fontSize, Color color)
{
    if (text[0] == '\0') return;
    constexpr int kLineSize = 512;
    char line[kLineSize];
    int lineLen = 0;
    LineWidth settled{0, 0, 0};
    float y = rect.y;
    const float bottom = rect.y + rect.height;
    const float advance = fontSize + 4.0f;

    const char *p = text;
    while (*p != '\0') {
        if (y + advance > bottom) return;
        const int len = textbox_char_length(p);
        // Texts come from 512-byte fields, so a line cannot outgrow its buffer;
        // a longer text breaks its line here rather than overrun it.
        const bool full = lineLen + len > kLineSize - 1;
        bool overflow = full;
        LineWidth next{};
        if (!full) {
            memcpy(line + lineLen, p, static_cast<size_t>(len));
            line[lineLen + len] = '\0';
            overflow = candidate_width(line, lineLen + len, settled, &next, fontSize) > rect.width;
        }
        if (overflow && lineLen > 0) {
            line[lineLen] = '\0';
            DrawTextEx(g_fontJP, line, Vector2{rect.x, y}, fontSize, kTextSpacing, color);
            y += advance;
            lineLen = 0;
            settled = LineWidth{0, 0, 0};
            continue;
        }
        lineLen += len;
        settled = next;
        p += len;
    }
    if (lineLen > 0) {
        line[lineLen] = '\0';
        DrawTextEx(g_fontJP, line, Vector2{rect.x, y}, fontSize, kTextSpacing, color);
    }
}
