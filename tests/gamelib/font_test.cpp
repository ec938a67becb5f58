// SPDX-License-Identifier: MIT
// Fonts: UTF-8 decoding, rasterising with the IPA fonts, glyph lookup,
// measuring, and text drawn headless compared with FreeType's own bitmaps.

#include <SDL.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "font_internal.h"
#include "gamelib.h"
#include "gamelib_internal.h"
#include "headless.h"
#include "font_kanji.h"
#include "utf8.h"

namespace {

const char *kGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
const char *kMincho = "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf";

std::vector<int> decode(const char *text)
{
    int n = 0;
    int *cps = LoadCodepoints(text, &n);
    std::vector<int> out(cps, cps + n);
    UnloadCodepoints(cps);
    return out;
}

// A heap copy of exactly strlen + 1 bytes, so a read past the NUL is caught by ASan.
std::unique_ptr<char[]> exact_copy(const char *s)
{
    size_t n = std::strlen(s) + 1;
    std::unique_ptr<char[]> p(new char[n]);
    std::memcpy(p.get(), s, n);
    return p;
}

// FreeType's own rendering of one glyph at a real-dimension pixel height.
struct RefGlyph {
    int width = 0, rows = 0, left = 0, top = 0, advance = 0, ascender = 0;
    std::vector<unsigned char> pixels;
};

RefGlyph reference_glyph(const char *path, int size, unsigned glyphIndexOrChar, bool isIndex, FT_Int32 flags = 0)
{
    RefGlyph g;
    FT_Library lib;
    EXPECT_EQ(FT_Init_FreeType(&lib), 0);
    FT_Face face;
    EXPECT_EQ(FT_New_Face(lib, path, 0, &face), 0);
    FT_Size_RequestRec req{FT_SIZE_REQUEST_TYPE_REAL_DIM, 0, static_cast<FT_Long>(size) << 6, 0, 0};
    EXPECT_EQ(FT_Request_Size(face, &req), 0);
    FT_UInt gi = isIndex ? glyphIndexOrChar : FT_Get_Char_Index(face, glyphIndexOrChar);
    EXPECT_EQ(FT_Load_Glyph(face, gi, FT_LOAD_RENDER | FT_LOAD_NO_BITMAP | flags), 0);
    FT_GlyphSlot s = face->glyph;
    g.width = static_cast<int>(s->bitmap.width);
    g.rows = static_cast<int>(s->bitmap.rows);
    g.left = s->bitmap_left;
    g.top = s->bitmap_top;
    g.advance = static_cast<int>((s->advance.x + 32) >> 6);
    g.ascender = static_cast<int>((face->size->metrics.ascender + 32) >> 6);
    for (int r = 0; r < g.rows; r++)
        for (int c = 0; c < g.width; c++) g.pixels.push_back(s->bitmap.buffer[r * s->bitmap.pitch + c]);
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    return g;
}

Font load_text(const char *path, int size, const char *text)
{
    int n = 0;
    int *cps = LoadCodepoints(text, &n);
    Font f = LoadFontEx(path, size, cps, n);
    UnloadCodepoints(cps);
    return f;
}

}  // namespace

// --- UTF-8 ------------------------------------------------------------------------

TEST(Utf8, DecodesEveryLengthInOrderWithRepeats)
{
    EXPECT_EQ(decode("A\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80\xE3\x81\x82"),
              (std::vector<int>{'A', 0xE9, 0x3042, 0x1F600, 0x3042}));
    int size = -1;
    EXPECT_EQ(GetCodepointNext("\xE6\xBC\xA2x", &size), 0x6F22);
    EXPECT_EQ(size, 3);
    EXPECT_EQ(GetCodepointNext("", &size), 0);
    EXPECT_EQ(size, 0);
    EXPECT_TRUE(decode("").empty());
}

TEST(Utf8, InvalidBytesDecodeAsQuestionMarksOneByteEach)
{
    // stray continuation, overlong, surrogate, beyond U+10FFFF, bytes never used in UTF-8
    EXPECT_EQ(decode("\x80z"), (std::vector<int>{'?', 'z'}));
    EXPECT_EQ(decode("\xC0\x80"), (std::vector<int>{'?', '?'}));
    EXPECT_EQ(decode("\xED\xA0\x80"), (std::vector<int>{'?', '?', '?'}));
    EXPECT_EQ(decode("\xF4\x90\x80\x80"), (std::vector<int>{'?', '?', '?', '?'}));
    EXPECT_EQ(decode("\xFF\xF8"), (std::vector<int>{'?', '?'}));
    // a lead byte followed by an ASCII byte: the ASCII byte is kept
    EXPECT_EQ(decode("\xE3"
                     "A"),
              (std::vector<int>{'?', 'A'}));
}

TEST(Utf8, TruncatedSequenceAtTheEndStopsAtTheTerminator)
{
    const char *cases[] = {"A\xE3\x81", "\xF0\x9F\x98", "\xC3", "\xE3"};
    const size_t expected[] = {3, 3, 1, 1};
    for (size_t i = 0; i < std::size(cases); i++) {
        auto text = exact_copy(cases[i]);
        std::vector<int> cps = decode(text.get());
        EXPECT_EQ(cps.size(), expected[i]) << "case " << i;
        for (size_t k = (i == 0 ? 1 : 0); k < cps.size(); k++) EXPECT_EQ(cps[k], '?');
    }
}

// --- loading and layout -------------------------------------------------------------

TEST(FontLoad, RasterisesRequestedCodepointsAtRealDimensionHeight)
{
    Font f = load_text(kGothic, 36, "漢字ABあ");
    ASSERT_FALSE(IsFontDefault(f));
    EXPECT_EQ(f.baseSize, 36);
    EXPECT_EQ(f.glyphCount, 6);  // fallback + 5
    EXPECT_EQ(gl_font_ascender(f), 32);
    EXPECT_EQ(f.glyphs[0].value, 0);
    EXPECT_GT(f.recs[0].width, 0);  // the missing-glyph box has ink

    RefGlyph kan = reference_glyph(kGothic, 36, 0x6F22, false);
    const GlyphInfo &g = f.glyphs[GetGlyphIndex(f, 0x6F22)];
    EXPECT_EQ(g.value, 0x6F22);
    EXPECT_EQ(g.advanceX, kan.advance);
    EXPECT_EQ(g.offsetX, kan.left);
    EXPECT_EQ(g.offsetY, kan.ascender - kan.top);
    EXPECT_EQ(f.recs[GetGlyphIndex(f, 0x6F22)].width, kan.width);
    EXPECT_EQ(f.recs[GetGlyphIndex(f, 0x6F22)].height, kan.rows);
    UnloadFont(f);
}

TEST(FontLoad, DuplicatesDoNotGrowTheGlyphSetOrTheAtlas)
{
    Font once = load_text(kMincho, 36, "問題正解ステージ");
    Font many = load_text(kMincho, 36, "ジ問問題題正正正解ステステージ問ジージ");
    EXPECT_EQ(once.glyphCount, 9);
    EXPECT_EQ(many.glyphCount, once.glyphCount);
    ASSERT_EQ(gl_font_page_count(many), gl_font_page_count(once));
    int w1, h1, w2, h2;
    gl_font_page_size(once, 0, &w1, &h1);
    gl_font_page_size(many, 0, &w2, &h2);
    EXPECT_EQ(w1, w2);
    EXPECT_EQ(h1, h2);
    for (int i = 0; i < once.glyphCount; i++) {
        EXPECT_EQ(many.glyphs[i].value, once.glyphs[i].value);
        EXPECT_EQ(many.recs[i].x, once.recs[i].x);
        EXPECT_EQ(many.recs[i].y, once.recs[i].y);
    }
    UnloadFont(once);
    UnloadFont(many);
}

TEST(FontLoad, FilesThatAreNotFontsGiveTheDefaultFont)
{
    std::string junk = std::string(PELZO_TEST_OUT) + "/not_a_font.ttf";
    std::ofstream(junk) << "this is plain text, not a font";
    int cps[] = {'A', 0x6F22};
    Font a = LoadFontEx(junk.c_str(), 36, cps, 2);
    Font b = LoadFontEx("/nonexistent/dir/missing.ttf", 36, cps, 2);
    Font c = LoadFontEx(kGothic, 0, cps, 2);
    Font d = LoadFontEx(nullptr, 36, cps, 2);
    EXPECT_TRUE(IsFontDefault(a));
    EXPECT_TRUE(IsFontDefault(b));
    EXPECT_TRUE(IsFontDefault(c));
    EXPECT_TRUE(IsFontDefault(d));
    EXPECT_EQ(a.baseSize, 10);
    UnloadFont(a);  // does nothing to the default font
    EXPECT_GT(MeasureTextEx(GetFontDefault(), "AB", 10, 0).x, 0.0f);
}

TEST(FontLoad, CollectionFileLoadsItsFirstFace)
{
    // Wrap ipag.ttf into a one-font TrueType collection: a 16-byte 'ttcf'
    // header, then the font with every table offset moved by 16.
    std::ifstream in(kGothic, std::ios::binary);
    std::vector<unsigned char> ttf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(ttf.size(), 12u);
    std::vector<unsigned char> ttc = {'t', 't', 'c', 'f', 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 16};
    ttc.insert(ttc.end(), ttf.begin(), ttf.end());
    int numTables = (ttf[4] << 8) | ttf[5];
    for (int t = 0; t < numTables; t++) {
        size_t at = 16 + 12 + static_cast<size_t>(t) * 16 + 8;
        uint32_t off =
            (uint32_t(ttc[at]) << 24) | (uint32_t(ttc[at + 1]) << 16) | (uint32_t(ttc[at + 2]) << 8) | ttc[at + 3];
        off += 16;
        for (int k = 0; k < 4; k++) ttc[at + k] = static_cast<unsigned char>(off >> (24 - 8 * k));
    }
    std::string path = std::string(PELZO_TEST_OUT) + "/ipag_wrapped.ttc";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(ttc.data()), ttc.size());

    Font fromTtc = load_text(path.c_str(), 36, "漢字");
    Font fromTtf = load_text(kGothic, 36, "漢字");
    ASSERT_FALSE(IsFontDefault(fromTtc));
    ASSERT_EQ(fromTtc.glyphCount, fromTtf.glyphCount);
    for (int i = 0; i < fromTtf.glyphCount; i++) {
        EXPECT_EQ(fromTtc.glyphs[i].advanceX, fromTtf.glyphs[i].advanceX);
        EXPECT_EQ(fromTtc.recs[i].width, fromTtf.recs[i].width);
    }
    UnloadFont(fromTtc);
    UnloadFont(fromTtf);
}

TEST(FontLayout, MeasureIsSumOfAdvancesScaledPlusSpacing)
{
    Font f = load_text(kGothic, 36, "漢A字");
    int a = f.glyphs[GetGlyphIndex(f, 0x6F22)].advanceX;
    int b = f.glyphs[GetGlyphIndex(f, 'A')].advanceX;
    int c = f.glyphs[GetGlyphIndex(f, 0x5B57)].advanceX;
    Vector2 m = MeasureTextEx(f, "漢A字", 20.0f, 1.5f);
    EXPECT_FLOAT_EQ(m.x, (a + b + c) * 20.0f / 36.0f + 2 * 1.5f);
    EXPECT_FLOAT_EQ(m.y, 20.0f);
    EXPECT_FLOAT_EQ(MeasureTextEx(f, "漢", 36.0f, 5.0f).x, static_cast<float>(a));
    EXPECT_FLOAT_EQ(MeasureTextEx(f, "", 36.0f, 5.0f).x, 0.0f);

    // Codepoints the font was not given, or does not have, measure as the fallback glyph.
    int fallback = f.glyphs[0].advanceX;
    EXPECT_EQ(GetGlyphIndex(f, 'z'), 0);
    EXPECT_EQ(GetGlyphIndex(f, 0xE000), 0);
    EXPECT_FLOAT_EQ(MeasureTextEx(f, "z\xEE\x80\x80", 36.0f, 0.0f).x, 2.0f * fallback);
    UnloadFont(f);
}

TEST(FontLayout, SevenThousandGlyphsLookUpAndPackWithoutOverlap)
{
    std::vector<int> cps = kanji_in_font(kGothic, 7000);
    ASSERT_EQ(cps.size(), 7000u);
    std::vector<int> request(cps.rbegin(), cps.rend());  // any order
    Font f = LoadFontEx(kGothic, 36, request.data(), static_cast<int>(request.size()));
    ASSERT_EQ(f.glyphCount, 7001);
    for (int cp : cps) {
        int i = GetGlyphIndex(f, cp);
        ASSERT_GT(i, 0) << cp;
        ASSERT_EQ(f.glyphs[i].value, cp);
    }
    EXPECT_EQ(GetGlyphIndex(f, 0x4DFF), 0);
    EXPECT_EQ(GetGlyphIndex(f, 'A'), 0);
    EXPECT_EQ(GetGlyphIndex(f, 0x10FFFF), 0);

    int pages = gl_font_page_count(f);
    EXPECT_GE(pages, 2);
    EXPECT_LE(pages, 4);
    // Every rectangle lies inside its page, one pixel clear of the edges, and
    // no two touch: mark each rectangle grown by one pixel and find no overlap.
    std::vector<std::vector<unsigned char>> used(static_cast<size_t>(pages));
    std::vector<int> pw(pages), ph(pages);
    for (int p = 0; p < pages; p++) {
        gl_font_page_size(f, p, &pw[p], &ph[p]);
        used[p].assign(static_cast<size_t>(pw[p]) * ph[p], 0);
    }
    int overlaps = 0, outside = 0;
    for (int i = 0; i < f.glyphCount; i++) {
        const Rectangle &r = f.recs[i];
        if (r.width <= 0) continue;
        int p = gl_font_glyph_page(f, i);
        ASSERT_GE(p, 0);
        int x0 = static_cast<int>(r.x), y0 = static_cast<int>(r.y);
        int x1 = x0 + static_cast<int>(r.width), y1 = y0 + static_cast<int>(r.height);
        if (x0 < 1 || y0 < 1 || x1 > pw[p] - 1 || y1 > ph[p] - 1) {
            outside++;
            continue;
        }
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++)
                if (used[p][static_cast<size_t>(y) * pw[p] + x]++) overlaps++;
        // the one-pixel ring around the glyph must not hold another glyph either
        auto at = [&](int x, int y) { return used[p][static_cast<size_t>(y) * pw[p] + x] != 0; };
        for (int x = x0 - 1; x <= x1; x++) overlaps += at(x, y0 - 1) + at(x, y1);
        for (int y = y0; y < y1; y++) overlaps += at(x0 - 1, y) + at(x1, y);
    }
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(overlaps, 0);
    UnloadFont(f);
}

TEST(FontDefault, HoldsPrintableAsciiAtTenPixelsAndSurvivesUnload)
{
    Font d = GetFontDefault();
    EXPECT_TRUE(IsFontDefault(d));
    EXPECT_EQ(d.baseSize, 10);
    for (int c = 33; c < 127; c++) EXPECT_NE(GetGlyphIndex(d, c), 0) << c;
    UnloadFont(d);
    UnloadFont(d);
    Font again = GetFontDefault();
    EXPECT_EQ(again.atlas, d.atlas);
    EXPECT_GT(MeasureTextEx(again, "Hello", 10, 1).x, 10.0f);
    // A zeroed Font measures with the default font.
    Font zero{};
    EXPECT_FLOAT_EQ(MeasureTextEx(zero, "Hello", 10, 1).x, MeasureTextEx(again, "Hello", 10, 1).x);
}

TEST(FontDefault, WithoutAnyFontFileGlyphsAreBoxes)
{
    Font boxes = gl_font_load_default_from("/nonexistent/font.ttf");
    ASSERT_NE(boxes.atlas, nullptr);
    const unsigned char *px = gl_font_page_pixels(boxes, 0);
    ASSERT_NE(px, nullptr) << "no window yet: the pixels are still in memory";
    int pw, ph;
    gl_font_page_size(boxes, 0, &pw, &ph);
    int i = GetGlyphIndex(boxes, 'A');
    ASSERT_GT(i, 0);
    const Rectangle &r = boxes.recs[i];
    ASSERT_GE(r.width, 3);
    ASSERT_GE(r.height, 3);
    int x0 = static_cast<int>(r.x), y0 = static_cast<int>(r.y);
    int w = static_cast<int>(r.width), h = static_cast<int>(r.height);
    for (int x = 0; x < w; x++) {
        EXPECT_EQ(px[y0 * pw + x0 + x], 255);
        EXPECT_EQ(px[(y0 + h - 1) * pw + x0 + x], 255);
    }
    EXPECT_EQ(px[(y0 + h / 2) * pw + x0 + w / 2], 0);  // hollow
    EXPECT_EQ(boxes.recs[GetGlyphIndex(boxes, ' ')].width, 0);  // the space stays blank
    EXPECT_GT(boxes.glyphs[GetGlyphIndex(boxes, ' ')].advanceX, 0);
    UnloadFont(boxes);
    UnloadFont(boxes);  // a second unload of the same record is harmless
}

// --- drawing ------------------------------------------------------------------------

class FontDraw : public ::testing::Test {
protected:
    void SetUp() override
    {
        HeadlessEnable();
        InitWindow(960, 640, "font test");
        ASSERT_TRUE(IsWindowReady());
    }
    void TearDown() override
    {
        CloseWindow();
        HeadlessDisable();
    }
    static void frame_with(const Font &f, const char *text, Vector2 pos, float size, float spacing, Color tint)
    {
        BeginDrawing();
        ClearBackground(Color{0, 0, 0, 255});
        DrawTextEx(f, text, pos, size, spacing, tint);
        EndDrawing();
    }
    // Bounding box of every pixel brighter than `threshold` in red, in a window area.
    static SDL_Rect ink_box(int x0, int y0, int x1, int y1, int threshold = 0)
    {
        int minx = x1, miny = y1, maxx = x0 - 1, maxy = y0 - 1;
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++)
                if (HeadlessGetPixel(x, y).r > threshold) {
                    minx = std::min(minx, x);
                    maxx = std::max(maxx, x);
                    miny = std::min(miny, y);
                    maxy = std::max(maxy, y);
                }
        return SDL_Rect{minx, miny, maxx - minx + 1, maxy - miny + 1};
    }
    // Largest difference between the drawn pixels and a FreeType bitmap placed at (x, y).
    static int max_diff_to(const RefGlyph &g, int x, int y)
    {
        int worst = 0;
        for (int r = -2; r < g.rows + 2; r++)
            for (int c = -2; c < g.width + 2; c++) {
                int want = (r >= 0 && r < g.rows && c >= 0 && c < g.width) ? g.pixels[r * g.width + c] : 0;
                worst = std::max(worst, std::abs(HeadlessGetPixel(x + c, y + r).r - want));
            }
        return worst;
    }
};

TEST_F(FontDraw, GlyphInkMatchesFreeTypeAtItsPlace)
{
    Font f = load_text(kGothic, 36, "漢字");
    frame_with(f, "漢", Vector2{100, 200}, 36, 0, Color{255, 255, 255, 255});
    RefGlyph kan = reference_glyph(kGothic, 36, 0x6F22, false);
    EXPECT_LE(max_diff_to(kan, 100 + kan.left, 200 + kan.ascender - kan.top), 8);
    // nothing drawn anywhere else
    SDL_Rect box = ink_box(0, 150, 300, 300);
    EXPECT_GE(box.x, 100 + kan.left);
    EXPECT_LE(box.x + box.w, 100 + kan.left + kan.width);
    UnloadFont(f);
}

TEST_F(FontDraw, MissingCodepointDrawsTheFontsMissingGlyphBox)
{
    Font f = load_text(kGothic, 36, "漢");
    RefGlyph box = reference_glyph(kGothic, 36, 0, true);
    ASSERT_GT(box.width, 0);
    frame_with(f, "\xEE\x80\x80", Vector2{300, 100}, 36, 0, Color{255, 255, 255, 255});  // U+E000, in no font
    EXPECT_LE(max_diff_to(box, 300 + box.left, 100 + box.ascender - box.top), 8);
    frame_with(f, "z", Vector2{300, 100}, 36, 0, Color{255, 255, 255, 255});  // not requested
    EXPECT_LE(max_diff_to(box, 300 + box.left, 100 + box.ascender - box.top), 8);
    UnloadFont(f);
}

TEST_F(FontDraw, SpacingScaleAndTintPlaceTheInk)
{
    Font f = load_text(kGothic, 36, "漢");
    RefGlyph kan = reference_glyph(kGothic, 36, 0x6F22, false);
    frame_with(f, "漢漢", Vector2{100, 100}, 36, 0, Color{255, 255, 255, 255});
    SDL_Rect tight = ink_box(50, 50, 400, 200);
    frame_with(f, "漢漢", Vector2{100, 100}, 36, 10, Color{255, 255, 255, 255});
    SDL_Rect spaced = ink_box(50, 50, 400, 200);
    EXPECT_EQ(spaced.x, tight.x);
    EXPECT_EQ(spaced.w, tight.w + 10);
    EXPECT_EQ(tight.x + tight.w, 100 + kan.advance + kan.left + kan.width);

    // Half size: the ink is about half as wide and starts at the scaled offsets.
    frame_with(f, "漢", Vector2{100, 100}, 18, 0, Color{255, 255, 255, 255});
    SDL_Rect half = ink_box(50, 50, 400, 200, 40);
    EXPECT_NEAR(half.w, kan.width / 2.0, 2.0);
    EXPECT_NEAR(half.y, 100 + (kan.ascender - kan.top) / 2.0, 1.5);

    frame_with(f, "漢", Vector2{100, 100}, 36, 0, Color{200, 0, 0, 255});
    int red = 0;
    for (int y = 100; y < 136; y++)
        for (int x = 100; x < 136; x++) {
            Color c = HeadlessGetPixel(x, y);
            EXPECT_EQ(c.g, 0);
            EXPECT_EQ(c.b, 0);
            EXPECT_LE(c.r, 200);
            red += c.r == 200;
        }
    EXPECT_GT(red, 50);
    UnloadFont(f);
}

TEST_F(FontDraw, DegenerateSizesAndTextsDrawNothing)
{
    Font f = load_text(kGothic, 36, "漢");
    const float sizes[] = {0.0f, -20.0f, NAN, INFINITY};
    for (float size : sizes) {
        frame_with(f, "漢漢", Vector2{100, 100}, size, 1, Color{255, 255, 255, 255});
        SDL_Rect box = ink_box(0, 0, 400, 300);
        EXPECT_LE(box.w, 0) << size;
    }
    frame_with(f, "", Vector2{100, 100}, 36, 1, Color{255, 255, 255, 255});
    EXPECT_LE(ink_box(0, 0, 400, 300).w, 0);
    frame_with(f, nullptr, Vector2{100, 100}, 36, 1, Color{255, 255, 255, 255});
    EXPECT_LE(ink_box(0, 0, 400, 300).w, 0);
    UnloadFont(f);
}

TEST_F(FontDraw, OneDrawCallPerAtlasPageAndFilterFollowsPageZero)
{
    std::vector<int> cps = kanji_in_font(kGothic, 7000);
    Font f = LoadFontEx(kGothic, 36, cps.data(), static_cast<int>(cps.size()));
    ASSERT_GE(gl_font_page_count(f), 2);
    std::string samePage, twoPages;
    for (int i = 1; i <= 20; i++) samePage += utf8_of(cps[i]);  // the first glyphs share page 0
    ASSERT_EQ(gl_font_glyph_page(f, GetGlyphIndex(f, cps[1])), 0);
    ASSERT_EQ(gl_font_glyph_page(f, GetGlyphIndex(f, cps[20])), 0);
    ASSERT_EQ(gl_font_glyph_page(f, GetGlyphIndex(f, cps.back())), gl_font_page_count(f) - 1);
    twoPages = utf8_of(cps[1]) + utf8_of(cps.back()) + utf8_of(cps[2]) + utf8_of(cps.back());

    BeginDrawing();
    ClearBackground(Color{0, 0, 0, 255});
    EndDrawing();
    int base = HeadlessDrawCallsLastFrame();
    frame_with(f, samePage.c_str(), Vector2{10, 10}, 36, 1, Color{255, 255, 255, 255});
    EXPECT_EQ(HeadlessDrawCallsLastFrame(), base + 1);
    frame_with(f, twoPages.c_str(), Vector2{10, 10}, 36, 1, Color{255, 255, 255, 255});
    EXPECT_EQ(HeadlessDrawCallsLastFrame(), base + 2);

    // The filter set on font.texture reaches the last page at the next draw.
    SDL_Texture *last = gl_texture(gl_font_page_texture(f, gl_font_page_count(f) - 1));
    ASSERT_NE(last, nullptr);
    SDL_ScaleMode mode;
    SetTextureFilter(f.texture, TEXTURE_FILTER_POINT);
    frame_with(f, twoPages.c_str(), Vector2{10, 10}, 20, 1, Color{255, 255, 255, 255});
    ASSERT_EQ(SDL_GetTextureScaleMode(last, &mode), 0);
    EXPECT_EQ(mode, SDL_ScaleModeNearest);
    SetTextureFilter(f.texture, TEXTURE_FILTER_BILINEAR);
    frame_with(f, twoPages.c_str(), Vector2{10, 10}, 20, 1, Color{255, 255, 255, 255});
    ASSERT_EQ(SDL_GetTextureScaleMode(last, &mode), 0);
    EXPECT_EQ(mode, SDL_ScaleModeLinear);
    UnloadFont(f);
}

TEST_F(FontDraw, DefaultFontDrawsAsciiAgainAfterANewWindow)
{
    Font d = GetFontDefault();
    for (int round = 0; round < 2; round++) {
        frame_with(d, "HELLO", Vector2{20, 20}, 10, 1, Color{255, 255, 255, 255});
        SDL_Rect box = ink_box(0, 0, 200, 60, 60);
        EXPECT_GE(box.x, 20);
        EXPECT_LE(box.x + box.w, 20 + static_cast<int>(MeasureTextEx(d, "HELLO", 10, 1).x) + 1);
        EXPECT_GE(box.y, 20);
        EXPECT_LE(box.y + box.h, 30);
        EXPECT_GT(box.w, 20) << "round " << round;
        CloseWindow();
        InitWindow(960, 640, "font test");
        ASSERT_TRUE(IsWindowReady());
    }
}

TEST(FontBeforeWindow, UploadsOnFirstDraw)
{
    Font f = load_text(kGothic, 36, "漢");
    EXPECT_EQ(f.texture.id, 0u);
    EXPECT_NE(gl_font_page_pixels(f, 0), nullptr);
    HeadlessEnable();
    InitWindow(960, 640, "font test");
    BeginDrawing();
    ClearBackground(Color{0, 0, 0, 255});
    DrawTextEx(f, "漢", Vector2{100, 100}, 36, 0, Color{255, 255, 255, 255});
    EndDrawing();
    RefGlyph kan = reference_glyph(kGothic, 36, 0x6F22, false);
    int inked = 0;
    for (int y = 0; y < kan.rows; y++)
        for (int x = 0; x < kan.width; x++)
            inked += HeadlessGetPixel(100 + kan.left + x, 100 + kan.ascender - kan.top + y).r > 128;
    EXPECT_GT(inked, 100);
    EXPECT_NE(gl_font_page_texture(f, 0), 0u);
    CloseWindow();
    HeadlessDisable();
    UnloadFont(f);
}

// Glyphs reaching below the baseline or above the ascender keep their ink where FreeType's unhinted bitmap has it.
TEST_F(FontDraw, NoGlyphLosesItsInkAtTheSizesTextIsShown)
{
    const char *text = "_gjpqyQ,;|()[]{}-ｇｊｐｑｙ＿（）「」｜ー…";
    std::string lost;
    for (int raster : {20, 36, 72}) {  // 20 px: hinting gives "_" no pixel; 72: a doubled output scale
        Font f = load_text(kMincho, raster, text);
        for (int shown = 16; shown <= 36; shown += 4)
            for (int cp : decode(text)) {
                const int size = shown * raster / 36;
                RefGlyph g = reference_glyph(kMincho, size, cp, false, FT_LOAD_NO_HINTING);
                frame_with(f, utf8_of(cp).c_str(), Vector2{100, 100}, size, 0, Color{255, 255, 255, 255});
                const int x = 100 + g.left - 2, y = 100 + gl_font_ascender(f) * size / raster - g.top - 2;
                const int dark = *std::max_element(g.pixels.begin(), g.pixels.end());
                for (int i = 0; i < g.width * g.rows; i++)  // half-dark or more: ink within two pixels
                    if (g.pixels[i] * 2 >= dark &&
                        ink_box(x + i % g.width, y + i / g.width, x + i % g.width + 5, y + i / g.width + 5, 31).w <= 0)
                        lost += utf8_of(cp) + std::to_string(size) + "/" + std::to_string(raster) + " ";
            }
        UnloadFont(f);
    }
    EXPECT_EQ(lost, "");
}
