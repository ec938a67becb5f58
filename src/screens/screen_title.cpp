// SPDX-License-Identifier: MIT
#include "screen_title.h"

#include <cstring>

#include "draw.h"
#include "font_jp.h"
#include "game_state.h"

bool title_draw_main()
{
    const Color grid{255, 255, 255, 10};
    for (int x = 0; x <= 900; x += 60) DrawLine(x, 0, x, kWindowHeight, grid);
    for (int y = 0; y <= 600; y += 60) DrawLine(0, y, kWindowWidth, y, grid);

    if (g_titleTex.id != 0) {
        const float x = static_cast<float>(kWindowWidth - g_titleTex.width) * 0.5f;
        DrawTextureEx(g_titleTex, Vector2{x, 80.0f}, 0.0f, 1.0f, kColorWhite);
    } else {
        draw_text_center("PelzoWin", 130.0f, 72.0f, kColorAccent);
    }
    draw_text_center("〜 Pelzoクイズゲーム 〜", 225.0f, 20.0f, kColorMuted);

    if (g_errorMsg[0] != '\0') {
        const Vector2 size = MeasureTextEx(g_fontJP, g_errorMsg, 16.0f, kTextSpacing);
        const float x = (kWindowWidth - size.x) * 0.5f;
        DrawRectangleRounded(Rectangle{x - 12.0f, 285.0f, size.x + 24.0f, 30.0f}, 0.3f, 6, Color{60, 0, 0, 220});
        DrawTextEx(g_fontJP, g_errorMsg, Vector2{x, 292.0f}, 16.0f, kTextSpacing, kColorRed);
    }

    return draw_button("ゲームスタート", kTitleStartButton, Color{30, 60, 120, 255}, kColorWhite, 20.0f);
}

const char *title_file_name(const char *path)
{
    const char *cut = strrchr(path, '\\');
    if (!cut) cut = strrchr(path, '/');
    return cut ? cut + 1 : path;
}

void title_draw_file_line()
{
    if (g_argFilePath[0] == '\0') {
        draw_text_center("ZIP/PZQファイルを選択すると問題データを読み込みます", 430.0f, 16.0f, kColorMuted);
        return;
    }
    const char *label = "問題データ: ";
    const char *name = title_file_name(g_argFilePath);
    const char *loaded = " （読み込み済み）";
    // An ASCII name in the library's default font, as ever; any other in the
    // Japanese font, whose glyph set holds the name's characters.
    bool ascii = true;
    for (const char *p = name; *p; ++p) ascii = ascii && static_cast<unsigned char>(*p) < 0x80;
    const Font nameFont = ascii ? GetFontDefault() : g_fontJP;
    const float w1 = MeasureTextEx(g_fontJP, label, 16.0f, kTextSpacing).x;
    const float w2 = MeasureTextEx(nameFont, name, 16.0f, kTextSpacing).x;
    const float w3 = MeasureTextEx(g_fontJP, loaded, 16.0f, kTextSpacing).x;
    const float x0 = (kWindowWidth - (w1 + w2 + w3)) * 0.5f;
    DrawTextEx(g_fontJP, label, Vector2{x0, 430.0f}, 16.0f, kTextSpacing, kColorGreen);
    DrawTextEx(nameFont, name, Vector2{x0 + w1, 430.0f}, 16.0f, kTextSpacing, kColorYellow);
    DrawTextEx(g_fontJP, loaded, Vector2{x0 + w1 + w2, 430.0f}, 16.0f, kTextSpacing, kColorGreen);
}
