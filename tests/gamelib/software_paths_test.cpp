// SPDX-License-Identifier: MIT
// The software renderer's fast paths, checked against SDL drawing the same
// thing itself: triangles filled as row spans, and glyphs blended straight
// into the target surface.
#include <SDL.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "font_internal.h"
#include "gamelib_internal.h"
#include "gl_fixture.h"

namespace {

constexpr Color kBackground{18, 20, 35, 255};
const char *kGothic = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
constexpr int kKan = 0x6F22;  // 漢

using SoftwarePaths = HeadlessWindow;

// Every pixel of the window, for comparing two frames.
std::vector<Color> grab()
{
    std::vector<Color> px;
    px.reserve(960 * 640);
    for (int y = 0; y < 640; y++)
        for (int x = 0; x < 960; x++) px.push_back(HeadlessGetPixel(x, y));
    return px;
}

struct Diff {
    int pixels = 0;
    int worst = 0;
    int firstX = -1, firstY = -1;
};

Diff compare(const std::vector<Color> &a, const std::vector<Color> &b)
{
    Diff d;
    for (size_t i = 0; i < a.size(); i++) {
        int w = std::max({std::abs(a[i].r - b[i].r), std::abs(a[i].g - b[i].g), std::abs(a[i].b - b[i].b)});
        if (w == 0) continue;
        if (d.pixels++ == 0) {
            d.firstX = static_cast<int>(i % 960);
            d.firstY = static_cast<int>(i / 960);
        }
        d.worst = std::max(d.worst, w);
    }
    return d;
}

unsigned s_seed = 2024;
int next(int n)
{
    s_seed = s_seed * 1103515245u + 12345u;
    return static_cast<int>((s_seed >> 8) % static_cast<unsigned>(n));
}

std::string utf8(int c)
{
    std::string s;
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
    return s;
}

// The Gothic font at 36 px holding the one glyph 漢.
Font load_kan()
{
    int cp = kKan;
    return LoadFontEx(kGothic, 36, &cp, 1);
}

// The coverage bytes the software renderer keeps for one glyph: the page
// it sits on and its rectangle there, read at (x, y) inside the rectangle.
struct GlyphCoverage {
    const unsigned char *page = nullptr;
    int pageWidth = 0;
    Rectangle rec{};

    unsigned at(int x, int y) const
    {
        return page[(static_cast<size_t>(rec.y) + y) * pageWidth + static_cast<size_t>(rec.x) + x];
    }
};

GlyphCoverage coverage_of(const Font &f, int gi)
{
    GlyphCoverage c;
    const int page = gl_font_glyph_page(f, gi);
    int pageHeight = 0;
    gl_font_page_size(f, page, &c.pageWidth, &pageHeight);
    c.page = gl_font_page_pixels(f, page);
    c.rec = f.recs[gi];
    return c;
}

// 漢 in a font of its own, its glyph index and its coverage; the font is
// unloaded with the object.
struct KanGlyph {
    Font font = load_kan();
    int index = GetGlyphIndex(font, kKan);
    GlyphCoverage cov = coverage_of(font, index);

    KanGlyph() = default;
    ~KanGlyph() { UnloadFont(font); }
    KanGlyph(const KanGlyph &) = delete;
    KanGlyph &operator=(const KanGlyph &) = delete;
};

}  // namespace

TEST_F(SoftwarePaths, TargetIsTheHeadlessSurface)
{
    SDL_Surface *target = gl_software_target();
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->w, 960);
    EXPECT_EQ(target->h, 640);
}

// Random fans and strips, partly off the window, with vertices on and off
// whole pixels: the spans cover exactly the pixels SDL's own triangle fill
// covers, in one colour.
TEST_F(SoftwarePaths, TriangleSpansCoverWhatSdlsFillCovers)
{
    SDL_Renderer *r = gl_renderer();
    for (int round = 0; round < 40; round++) {
        SCOPED_TRACE(::testing::Message() << "round " << round);
        std::vector<SDL_Vertex> v;
        std::vector<int> idx;
        const Color c{static_cast<unsigned char>(40 + next(200)), static_cast<unsigned char>(next(256)),
                      static_cast<unsigned char>(next(256)), 255};
        const SDL_Color sc{c.r, c.g, c.b, c.a};
        // Four groups, like a rounded rectangle's corners.
        for (int group = 0; group < 4; group++) {
            const float cx = static_cast<float>(next(1100) - 70) + (round % 2 ? 0.5f : 0.0f);
            const float cy = static_cast<float>(next(780) - 70) + static_cast<float>(next(100)) / 100.0f;
            const float radius = static_cast<float>(2 + next(120)) + static_cast<float>(next(100)) / 100.0f;
            const int segments = 1 + next(20);
            const int centre = static_cast<int>(v.size());
            v.push_back(SDL_Vertex{{cx, cy}, sc, {0, 0}});
            const float start = static_cast<float>(next(628)) / 100.0f;
            for (int k = 0; k <= segments; k++) {
                float a = start + 1.5707963f * static_cast<float>(k) / static_cast<float>(segments);
                v.push_back(SDL_Vertex{{cx + radius * std::cos(a), cy + radius * std::sin(a)}, sc, {0, 0}});
            }
            for (int k = 0; k < segments; k++) {
                idx.push_back(centre);
                idx.push_back(centre + 1 + k);
                idx.push_back(centre + 2 + k);
            }
            // Pad every group to the same length with degenerate triangles,
            // so the four groups split evenly.
            while (static_cast<int>(idx.size()) < (group + 1) * 60) {
                idx.push_back(centre);
                idx.push_back(centre);
                idx.push_back(centre);
            }
        }
        run_frame(kBackground, [&] {
            gl_draw_triangles(v.data(), static_cast<int>(v.size()), idx.data(), static_cast<int>(idx.size()), c);
        });
        const std::vector<Color> spans = grab();
        run_frame(kBackground, [&] {
            gl_record_issue(true);  // the clear first, under SDL's own fill
            SDL_SetRenderDrawColor(r, c.r, c.g, c.b, c.a);
            SDL_RenderGeometry(r, nullptr, v.data(), static_cast<int>(v.size()), idx.data(),
                               static_cast<int>(idx.size()));
        });
        const Diff d = compare(spans, grab());
        EXPECT_EQ(d.pixels, 0) << "first at " << d.firstX << "," << d.firstY;
        if (HasFailure()) return;
    }
}

// Translucent: every covered pixel blends once, within SDL's own rounding of
// its rectangle and surface blenders.
TEST_F(SoftwarePaths, TranslucentSpansBlendLikeSdlsFill)
{
    const SDL_Color sc{255, 255, 255, 128};
    std::vector<SDL_Vertex> v = {{{100.3f, 100.7f}, sc, {0, 0}},
                                 {{400.0f, 130.2f}, sc, {0, 0}},
                                 {{180.5f, 380.9f}, sc, {0, 0}},
                                 {{420.0f, 390.0f}, sc, {0, 0}}};
    std::vector<int> idx = {0, 1, 2, 1, 3, 2};  // two triangles sharing an edge
    run_frame(kBackground, [&] { gl_draw_triangles(v.data(), 4, idx.data(), 6, Color{255, 255, 255, 128}); });
    const std::vector<Color> spans = grab();
    run_frame(kBackground, [&] {
        gl_record_issue(true);
        SDL_SetRenderDrawColor(gl_renderer(), 255, 255, 255, 128);
        SDL_RenderGeometry(gl_renderer(), nullptr, v.data(), 4, idx.data(), 6);
    });
    const Diff d = compare(spans, grab());
    EXPECT_LE(d.worst, 1);
    // The shared edge is not blended twice: nothing is brighter than one blend.
    int lit = 0;
    for (const Color &c : spans) {
        if (c.r == kBackground.r && c.g == kBackground.g) continue;
        lit++;
        ASSERT_LE(std::abs(c.r - 136), 1);
    }
    EXPECT_GT(lit, 50000);
}

TEST_F(SoftwarePaths, BadTriangleListsDrawNothing)
{
    const SDL_Color sc{255, 255, 255, 255};
    SDL_Vertex v[3] = {{{10, 10}, sc, {0, 0}}, {{200, 10}, sc, {0, 0}}, {{10, 200}, sc, {0, 0}}};
    const int outOfRange[3] = {0, 1, 3};
    const int negative[3] = {0, -1, 2};
    run_frame(kBackground, [&] {
        gl_draw_triangles(v, 3, outOfRange, 3, Color{255, 255, 255, 255});
        gl_draw_triangles(v, 3, negative, 3, Color{255, 255, 255, 255});
        gl_draw_triangles(v, 3, nullptr, 3, Color{255, 255, 255, 255});
        gl_draw_triangles(nullptr, 3, negative, 3, Color{255, 255, 255, 255});
    });
    EXPECT_EQ(HeadlessGetPixel(30, 30), kBackground);
    // A vertex that is not a number: the triangle is left out.
    const int all[3] = {0, 1, 2};
    SDL_Vertex nan[3] = {{{10, 10}, sc, {0, 0}}, {{900, 10}, sc, {0, 0}}, {{10, NAN}, sc, {0, 0}}};
    run_frame(kBackground, [&] { gl_draw_triangles(nan, 3, all, 3, Color{255, 255, 255, 255}); });
    EXPECT_EQ(HeadlessGetPixel(20, 12), kBackground);
    // Vertices far outside the window are clamped before they become
    // integers: the triangle still covers the window above its base.
    SDL_Vertex far[3] = {{{-1e30f, 300}, sc, {0, 0}}, {{1e30f, 300}, sc, {0, 0}}, {{480, -1e30f}, sc, {0, 0}}};
    run_frame(kBackground, [&] { gl_draw_triangles(far, 3, all, 3, Color{255, 255, 255, 255}); });
    EXPECT_EQ(HeadlessGetPixel(100, 100), (Color{255, 255, 255, 255}));
    EXPECT_EQ(HeadlessGetPixel(900, 299), (Color{255, 255, 255, 255}));
    EXPECT_EQ(HeadlessGetPixel(100, 300), kBackground);
}

// Text goes straight into the surface, so draws queued before it must land
// underneath and draws after it on top.
TEST_F(SoftwarePaths, TextKeepsItsPlaceBetweenOtherDraws)
{
    Font f = load_kan();
    ASSERT_GT(f.glyphCount, 1);
    const Color red{255, 0, 0, 255}, white{255, 255, 255, 255}, blue{0, 0, 255, 255};
    run_frame(kBackground, [&] {
        DrawRectangle(90, 90, 200, 60, red);
        DrawTextEx(f, "漢漢漢", Vector2{100, 100}, 36, 1, white);
        DrawRectangle(150, 90, 200, 60, blue);
    });
    int whiteOnRed = 0;
    for (int y = 100; y < 136; y++)
        for (int x = 100; x < 150; x++) whiteOnRed += HeadlessGetPixel(x, y) == white;
    EXPECT_GT(whiteOnRed, 30) << "the text must cover the rectangle drawn before it";
    for (int y = 90; y < 150; y++)
        for (int x = 150; x < 350; x++) ASSERT_EQ(HeadlessGetPixel(x, y), blue) << x << "," << y;
    UnloadFont(f);
}

// At the font's own size the glyph is SDL's unscaled copy: the coverage
// itself, tinted and blended with SDL's integer formula.
TEST_F(SoftwarePaths, UnscaledGlyphsBlendTheirCoverageExactly)
{
    const KanGlyph kan;
    ASSERT_GT(kan.index, 0);
    ASSERT_NE(kan.cov.page, nullptr) << "the software renderer keeps the coverage bytes";
    const GlyphInfo g = kan.font.glyphs[kan.index];
    const Color tint{200, 100, 50, 160};
    const Color under{0, 40, 80, 255};
    run_frame(under, [&] { DrawTextEx(kan.font, "漢", Vector2{300, 200}, 36, 0, tint); });
    for (int y = 0; y < static_cast<int>(kan.cov.rec.height); y++) {
        for (int x = 0; x < static_cast<int>(kan.cov.rec.width); x++) {
            const unsigned sa = kan.cov.at(x, y) * tint.a / 255;
            auto blend = [&](unsigned t, unsigned d) {
                unsigned s = sa < 255 ? t * sa / 255 : t;
                return s + (255 - sa) * d / 255;
            };
            const Color got = HeadlessGetPixel(300 + g.offsetX + x, 200 + g.offsetY + y);
            ASSERT_EQ(got.r, blend(tint.r, under.r)) << x << "," << y;
            ASSERT_EQ(got.g, blend(tint.g, under.g)) << x << "," << y;
            ASSERT_EQ(got.b, blend(tint.b, under.b)) << x << "," << y;
        }
    }
}

// Scaled text matches SDL's own scaled, filtered copy of the same page
// rectangle within a few levels, at every size the screens use.
TEST_F(SoftwarePaths, ScaledGlyphsMatchSdlsFilteredCopy)
{
    std::vector<int> cps;
    for (int c = 0x6F22; c < 0x6F22 + 12; c++) cps.push_back(c);
    Font f = LoadFontEx(kGothic, 36, cps.data(), static_cast<int>(cps.size()));
    SetTextureFilter(f.texture, TEXTURE_FILTER_BILINEAR);
    std::string text;
    for (int c : cps) text += utf8(c);
    for (float size : {16.0f, 18.0f, 20.0f, 34.0f, 56.0f}) {
        SCOPED_TRACE(::testing::Message() << "size " << size);
        const Vector2 pos{37.3f, 211.6f};
        run_frame(kBackground, [&] { DrawTextEx(f, text.c_str(), pos, size, 1, Color{255, 255, 255, 255}); });
        const std::vector<Color> direct = grab();
        run_frame(kBackground, [&] {
            gl_record_issue(true);
            const float scale = size / static_cast<float>(f.baseSize);
            float penX = pos.x;
            for (int c : cps) {
                const int gi = GetGlyphIndex(f, c);
                const Rectangle &r = f.recs[gi];
                SDL_Texture *t = gl_texture(gl_font_page_texture(f, gl_font_glyph_page(f, gi)));
                ASSERT_NE(t, nullptr);
                SDL_Rect src{static_cast<int>(r.x), static_cast<int>(r.y), static_cast<int>(r.width),
                             static_cast<int>(r.height)};
                SDL_FRect dst{penX + static_cast<float>(f.glyphs[gi].offsetX) * scale,
                              pos.y + static_cast<float>(f.glyphs[gi].offsetY) * scale, r.width * scale,
                              r.height * scale};
                SDL_RenderCopyF(gl_renderer(), t, &src, &dst);
                penX += static_cast<float>(f.glyphs[gi].advanceX) * scale + 1.0f;
            }
        });
        const Diff d = compare(direct, grab());
        EXPECT_LE(d.worst, 8) << "first at " << d.firstX << "," << d.firstY;
    }
    UnloadFont(f);
}

// Glyphs cut by the window's edges draw their visible part; quads far off
// it or with non-finite positions draw nothing.
TEST_F(SoftwarePaths, GlyphsAtAndBeyondTheEdges)
{
    Font f = load_kan();
    const Color white{255, 255, 255, 255};
    run_frame(kBackground, [&] {
        DrawTextEx(f, "漢", Vector2{-18, -18}, 36, 0, white);
        DrawTextEx(f, "漢", Vector2{942, 622}, 36, 0, white);
        DrawTextEx(f, "漢", Vector2{-1e30f, 5}, 36, 0, white);
        DrawTextEx(f, "漢", Vector2{5, 1e30f}, 36, 0, white);
        DrawTextEx(f, "漢", Vector2{NAN, 5}, 36, 0, white);
        DrawTextEx(f, "漢", Vector2{300, 300}, 1e20f, 0, white);
    });
    int topLeft = 0, bottomRight = 0;
    for (int y = 0; y < 18; y++)
        for (int x = 0; x < 18; x++) {
            topLeft += HeadlessGetPixel(x, y).r > 128;
            bottomRight += HeadlessGetPixel(942 + x, 622 + y).r > 128;
        }
    EXPECT_GT(topLeft, 5);
    EXPECT_GT(bottomRight, 5);
    UnloadFont(f);
}

// A glyph rebuild reuses the full-size pages of the font it replaces: the
// coverage must start from zero again and every texel of a reused texture
// must be written anew, so nothing of the old glyphs shows.
TEST_F(SoftwarePaths, ReusedPagesHoldOnlyTheNewGlyphs)
{
    std::vector<int> first, second;
    for (int c = 0x4E00; c <= 0x9FFF; c++) first.push_back(c);
    Font a = LoadFontEx(kGothic, 36, first.data(), static_cast<int>(first.size()));
    ASSERT_GE(gl_font_page_count(a), 3) << "two full pages to reuse";
    // The second set leaves out every seventh glyph, so the glyphs move.
    for (int i = 1; i < a.glyphCount; i++)
        if (i % 7 != 0) second.push_back(a.glyphs[i].value);
    UnloadFont(a);
    Font reused = LoadFontEx(kGothic, 36, second.data(), static_cast<int>(second.size()));
    Font fresh = LoadFontEx(kGothic, 36, second.data(), static_cast<int>(second.size()));
    ASSERT_GE(gl_font_page_count(reused), 2);
    ASSERT_EQ(gl_font_page_count(reused), gl_font_page_count(fresh));
    for (int page = 0; page < gl_font_page_count(fresh); page++) {
        SCOPED_TRACE(::testing::Message() << "page " << page);
        int w = 0, h = 0, w2 = 0, h2 = 0;
        gl_font_page_size(reused, page, &w, &h);
        gl_font_page_size(fresh, page, &w2, &h2);
        ASSERT_EQ(w, w2);
        ASSERT_EQ(h, h2);
        const unsigned char *cov = gl_font_page_pixels(reused, page);
        const unsigned char *cov2 = gl_font_page_pixels(fresh, page);
        ASSERT_NE(cov, nullptr);
        ASSERT_NE(cov2, nullptr);
        ASSERT_EQ(memcmp(cov, cov2, static_cast<size_t>(w) * h), 0) << "coverage differs from a fresh font's";
        SDL_Texture *t = gl_texture(gl_font_page_texture(reused, page));
        ASSERT_NE(t, nullptr);
        void *pixels = nullptr;
        int pitch = 0;
        ASSERT_EQ(SDL_LockTexture(t, nullptr, &pixels, &pitch), 0);
        int wrong = 0;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                const Uint32 texel = static_cast<const Uint32 *>(pixels)[static_cast<size_t>(y) * (pitch / 4) + x];
                wrong += texel != ((static_cast<Uint32>(cov[static_cast<size_t>(y) * w + x]) << 24) | 0xFFFFFFu);
            }
        SDL_UnlockTexture(t);
        EXPECT_EQ(wrong, 0);
    }
    UnloadFont(reused);
    UnloadFont(fresh);
}

// The page filter decides the sampling of scaled glyphs: nearest takes only
// values the coverage holds, bilinear makes values in between.
TEST_F(SoftwarePaths, ScaledGlyphsFollowThePageFilter)
{
    const KanGlyph kan;
    ASSERT_GT(kan.index, 0);
    ASSERT_NE(kan.cov.page, nullptr);
    bool held[256] = {};
    for (int y = 0; y < static_cast<int>(kan.cov.rec.height); y++)
        for (int x = 0; x < static_cast<int>(kan.cov.rec.width); x++) held[kan.cov.at(x, y)] = true;
    auto values_not_held = [&] {
        int n = 0;
        for (int y = 90; y < 150; y++)
            for (int x = 90; x < 150; x++) n += !held[HeadlessGetPixel(x, y).r];
        return n;
    };
    auto draw_scaled = [&] { DrawTextEx(kan.font, "漢", Vector2{100, 100}, 23, 0, Color{255, 255, 255, 255}); };
    SetTextureFilter(kan.font.texture, TEXTURE_FILTER_POINT);
    run_frame(Color{0, 0, 0, 255}, draw_scaled);
    EXPECT_EQ(values_not_held(), 0);
    SetTextureFilter(kan.font.texture, TEXTURE_FILTER_BILINEAR);
    run_frame(Color{0, 0, 0, 255}, draw_scaled);
    EXPECT_GT(values_not_held(), 20);
}
