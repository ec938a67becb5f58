// SPDX-License-Identifier: MIT
#include "font_advances.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace {

constexpr int kMaxCodepoint = 0x10FFFF;
// The game library's limits: a glyph must fit one 2048-pixel atlas page with
// 2 empty pixels around it, and a font is rasterised at 1 to 1024 px.
constexpr int kAtlasPage = 2048;
constexpr int kGlyphGap = 2;
constexpr int kMaxFontSize = 1024;

}  // namespace

struct FontAdvances {
    std::string bytes;  // the font file: FreeType reads the face from it
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    FT_Int32 loadFlags = 0;
    int baseSize = 0;
    int fallback = 0;  // the advance of a character the font lacks
    std::vector<int> advance;  // by codepoint; -1 until looked up

    FontAdvances() = default;
    FontAdvances(const FontAdvances &) = delete;
    FontAdvances &operator=(const FontAdvances &) = delete;
    ~FontAdvances()
    {
        if (face != nullptr) FT_Done_Face(face);
        if (library != nullptr) FT_Done_FreeType(library);
    }
};

void FontAdvancesClose::operator()(FontAdvances *font) const { delete font; }

namespace {

// Loads and renders glyph `index` as the game's font does; true, with its
// advance, when the game's font would keep it (it loads, and its bitmap is
// empty, or gray or mono and small enough for an atlas page).
bool load_glyph(FontAdvances &font, FT_UInt index, int *advance, bool *drawsSomething)
{
    if (FT_Load_Glyph(font.face, index, font.loadFlags) != 0) return false;
    const FT_GlyphSlot slot = font.face->glyph;
    const FT_Bitmap &bm = slot->bitmap;
    const int w = static_cast<int>(bm.width);
    const int h = static_cast<int>(bm.rows);
    *drawsSomething = w > 0 && h > 0;
    if (*drawsSomething) {
        if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && bm.pixel_mode != FT_PIXEL_MODE_MONO) return false;
        if (w + 2 * kGlyphGap > kAtlasPage || h + 2 * kGlyphGap > kAtlasPage) return false;
    }
    *advance = static_cast<int>((slot->advance.x + 32) >> 6);
    return true;
}

}  // namespace

FontAdvancesHandle font_advances_open(std::string bytes, int baseSize, std::string *why)
{
    FontAdvancesHandle font(new FontAdvances);
    font->bytes = std::move(bytes);
    font->baseSize = baseSize;
    if (baseSize <= 0 || baseSize > kMaxFontSize) {
        *why = "a font is drawn at 1 to 1024 px";
        return nullptr;
    }
    if (FT_Init_FreeType(&font->library) != 0) {
        font->library = nullptr;
        *why = "FreeType does not start";
        return nullptr;
    }
    if (FT_New_Memory_Face(font->library, reinterpret_cast<const FT_Byte *>(font->bytes.data()),
                           static_cast<FT_Long>(font->bytes.size()), 0, &font->face) != 0) {
        font->face = nullptr;
        *why = "is not a font file FreeType can read";
        return nullptr;
    }
    FT_Size_RequestRec request{};
    request.type = FT_SIZE_REQUEST_TYPE_REAL_DIM;
    request.width = 0;
    request.height = static_cast<FT_Long>(baseSize) << 6;
    if (FT_Request_Size(font->face, &request) != 0) {
        *why = "cannot be sized to " + std::to_string(baseSize) + " px";
        return nullptr;
    }
    font->loadFlags = FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL;
    if (FT_IS_SCALABLE(font->face)) font->loadFlags |= FT_LOAD_NO_BITMAP;

    // The missing-glyph glyph, or the game library's box when that draws
    // nothing or does not load.
    int advance = 0;
    bool drawn = false;
    if (load_glyph(*font, 0, &advance, &drawn) && drawn)
        font->fallback = advance;
    else
        font->fallback = std::max(3, baseSize / 2) + std::max(1, baseSize / 10);
    font->advance.assign(static_cast<size_t>(kMaxCodepoint) + 1, -1);
    return font;
}

int font_advance(FontAdvances &font, int codepoint)
{
    if (codepoint <= 0 || codepoint > kMaxCodepoint) return font.fallback;
    int &known = font.advance[static_cast<size_t>(codepoint)];
    if (known < 0) {
        known = font.fallback;
        const FT_UInt index = FT_Get_Char_Index(font.face, static_cast<FT_ULong>(codepoint));
        int advance = 0;
        bool drawn = false;
        if (index != 0 && load_glyph(font, index, &advance, &drawn)) known = advance;
    }
    return known;
}

float font_text_width(FontAdvances &font, const char *text, float fontSize)
{
    return text_width(text, fontSize, font.baseSize, [&font](int cp) { return font_advance(font, cp); });
}

std::vector<std::string> font_box_lines(FontAdvances &font, const char *text, const TextBox &box, float fontSize,
                                        std::string *hidden)
{
    std::vector<std::string> lines;
    const char *rest = text_fill_box(
        text, box, fontSize, font.baseSize, [&font](int cp) { return font_advance(font, cp); },
        [&lines](const char *line, float) { lines.emplace_back(line); });
    if (hidden != nullptr) *hidden = rest;
    return lines;
}
