// SPDX-License-Identifier: MIT
// Fonts: UTF-8 decoding, rasterising a codepoint list with FreeType into atlas
// pages, glyph lookup, measuring and drawing text.
//
// A font is rasterised once, at load, for the distinct codepoints it was given;
// the FreeType face is closed right after. Glyph bitmaps are packed on shelves
// into 2048-pixel-wide pages (the last page is cut to the height it uses) and
// each page becomes one SDL texture of white with the coverage as alpha, so
// tinting is a vertex colour. Fonts made before a window exists keep their
// pages in memory and upload them on first use.
//
// On SDL's software renderer the glyphs are not drawn as textured triangles,
// which it samples pixel by pixel with divisions and a generic blender. They
// are blended straight into its target surface from the page's coverage
// bytes, which are kept for that: each glyph quad cut to whole pixels and
// sampled at pixel centres, as that renderer does, and blended with its
// integer formulas. Other renderers get one geometry call per page.
//
// glyphs[0] is the fallback glyph, the font's own missing-glyph box (glyph
// index 0); glyphs[1..] hold the requested codepoints the font has, in
// ascending codepoint order, and a table of 256-codepoint blocks finds any of
// them with two reads. A requested codepoint the font lacks is not stored: it looks up
// as the fallback.

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "font_internal.h"
#include "gamelib_internal.h"
#include "system_font.h"
#include "utf8.h"

namespace {

constexpr int kPageWidth = 2048;
constexpr int kPageHeight = 2048;
constexpr int kGlyphGap = 2;  // empty pixels around every glyph, so bilinear sampling never bleeds
constexpr int kMaxFontSize = 1024;  // a glyph must fit in one page
constexpr int kDefaultFontSize = 10;

// Glyphs are rasterised at most this many times the font's size. The atlas
// grows with the square of it. The largest glyph set (7,173 glyphs with
// 7,000 kanji) fills 3 pages of 2048 x 2048 at 36 px, 6 at 61 px (a
// 1920 x 1080 full screen) and 9 at 72 px, the cap: a page's texture is
// 16 MiB (plus 4 MiB of coverage kept on the software renderer), so 144 MiB
// of textures at the cap against 48 MiB at 36 px. Beyond it 3x would need
// some 21 pages, 330 MiB, more than a phone's or a Chromebook's browser
// tab can count on. 72 px keeps the 20 px text of the play screens drawn
// from glyphs at least as large as shown up to an output scale of 3.6.
constexpr float kMaxRasterScale = 2.0f;

// The largest size text of a rebuildable font was drawn at, as a fraction of
// its base size (at most 1: text drawn larger than the base size is scaled up
// at any output scale, as it always was). Starts at 0; never shrinks. The
// default font keeps its own.
float s_peakShownRatio = 0.0f;
float s_defaultPeakShownRatio = 0.0f;

// The raster size for a font of `baseSize` at the current output scale: the
// largest shown text's size in output pixels, when that exceeds baseSize, up
// to kMaxRasterScale times baseSize; exactly baseSize at an output scale of 1.
int wanted_raster_size(int baseSize, float peakShownRatio = s_peakShownRatio)
{
    float want = gl_output_scale() * peakShownRatio;
    if (!(want > 1.0f) || baseSize <= 0 || baseSize >= kMaxFontSize) return baseSize;
    want = std::min(want, kMaxRasterScale);
    const int size = static_cast<int>(std::ceil(static_cast<float>(baseSize) * want - 0.01f));
    return std::clamp(size, baseSize, kMaxFontSize);
}

}  // namespace

struct GlFontPage {
    std::vector<unsigned char> alpha;  // coverage, width * height; emptied once uploaded (except the default font)
    int width = 0;
    int height = 0;
    unsigned int textureId = 0;
    SDL_Texture *texture = nullptr;
};

struct FontAtlas {
    int baseSize = 0;
    int ascender = 0;
    // The pixel size the glyphs were rasterised at: baseSize, or more where
    // text is shown larger (see wanted_raster_size). The layout (advances,
    // MeasureTextEx) is always baseSize's.
    int rasterSize = 0;
    bool rebuildable = false;  // loaded from a file by LoadFontEx, so a reload can change rasterSize
    int rasterAsked = 0;  // the raster size LoadFontEx asked for (rasterSize unless that ran out of memory)
    std::vector<GlyphInfo> glyphs;
    // rasterSize != baseSize: each glyph's bitmap offsets in raster pixels
    // (glyphs[] holds them rounded to baseSize); empty otherwise.
    std::vector<GlyphInfo> rasterGlyphs;
    std::vector<Rectangle> recs;
    std::vector<unsigned short> glyphPage;
    // Glyph index by codepoint, in blocks of 256 codepoints: blockOf[cp >> 8]
    // is the block's first slot in blockGlyphs, or -1 when the font has no
    // glyph in that block; a slot holds the glyph's index, 0 when absent.
    std::vector<int> blockOf;
    std::vector<int> blockGlyphs;
    std::vector<GlFontPage> pages;
    bool keepPixels = false;  // the default font re-uploads after a new window
    bool uploaded = false;
    SDL_ScaleMode pageMode = SDL_ScaleModeLinear;  // mode last copied to pages 1..n
    FontAtlas *next = nullptr;  // list of live fonts
};

namespace {

FontAtlas *s_live = nullptr;  // every font not yet unloaded, the default included
FontAtlas *s_default = nullptr;  // built on first use, lives for the process
// The default font's file and face, for rasterising it again; empty for the
// box font, which stays as it is.
std::string s_defaultPath;
long s_defaultFace = 0;
int s_defaultAsked = 0;  // the raster size last asked for the default font

// Full-size pages of unloaded fonts, kept for the next font. A glyph rebuild
// unloads the old font and loads the new one straight after: reusing its
// page buffers and (on the software renderer) its page textures spares
// allocating, faulting in and zeroing some 20 MB per page, a third of a
// rebuild's cost beyond FreeType's own. Released with the window.
constexpr size_t kFullPage = static_cast<size_t>(kPageWidth) * kPageHeight;
constexpr size_t kMaxSparePages = 8;
std::vector<std::vector<unsigned char>> s_spareCoverage;  // capacity kFullPage each
std::vector<SDL_Texture *> s_spareTextures;  // kPageWidth x kPageHeight, streaming ARGB8888

// Shelf packer state for the page being filled.
struct Packer {
    int x = kGlyphGap;
    int y = kGlyphGap;
    int shelf = 0;
};

void new_page(FontAtlas &a, Packer &p)
{
    GlFontPage page;
    page.width = kPageWidth;
    page.height = kPageHeight;
    if (!s_spareCoverage.empty()) {
        page.alpha = std::move(s_spareCoverage.back());
        s_spareCoverage.pop_back();
    }
    page.alpha.assign(kFullPage, 0);
    a.pages.push_back(std::move(page));
    p = Packer{};
}

// Reserves a w x h cell; false when it can never fit a page.
bool pack(FontAtlas &a, Packer &p, int w, int h, int *page, int *x, int *y)
{
    if (w + 2 * kGlyphGap > kPageWidth || h + 2 * kGlyphGap > kPageHeight) return false;
    if (a.pages.empty()) new_page(a, p);
    if (p.x + w + kGlyphGap > kPageWidth) {
        p.x = kGlyphGap;
        p.y += p.shelf + kGlyphGap;
        p.shelf = 0;
    }
    if (p.y + h + kGlyphGap > kPageHeight) new_page(a, p);
    *page = static_cast<int>(a.pages.size()) - 1;
    *x = p.x;
    *y = p.y;
    p.x += w + kGlyphGap;
    p.shelf = std::max(p.shelf, h);
    return true;
}

// Cuts the last page to the rows it uses.
void trim_last_page(FontAtlas &a, const Packer &p)
{
    if (a.pages.empty()) return;
    GlFontPage &last = a.pages.back();
    int used = std::min(kPageHeight, p.y + p.shelf + kGlyphGap);
    if (used < last.height) {
        last.height = used;
        last.alpha.resize(static_cast<size_t>(last.width) * used);
        last.alpha.shrink_to_fit();
    }
}

// Adds one glyph whose coverage rows are given by `row(r)` (w bytes each).
template <typename RowFn>
bool add_glyph(FontAtlas &a, Packer &p, int codepoint, int w, int h, int offsetX, int offsetY, int advance, RowFn row)
{
    int page = 0, x = 0, y = 0;
    if (w > 0 && h > 0) {
        if (!pack(a, p, w, h, &page, &x, &y)) return false;
        GlFontPage &pg = a.pages[page];
        for (int r = 0; r < h; r++) row(r, &pg.alpha[static_cast<size_t>(y + r) * pg.width + x]);
    } else {
        w = 0;
        h = 0;
    }
    a.glyphs.push_back(GlyphInfo{codepoint, offsetX, offsetY, advance});
    a.recs.push_back(
        Rectangle{static_cast<float>(x), static_cast<float>(y), static_cast<float>(w), static_cast<float>(h)});
    a.glyphPage.push_back(static_cast<unsigned short>(page));
    return true;
}

// A hollow box, drawn for every glyph of a font made without any font file and
// for a fallback glyph that does not rasterise.
bool add_box_glyph(FontAtlas &a, Packer &p, int codepoint, int size)
{
    int w = std::max(3, size / 2);
    int h = std::max(3, size * 7 / 10);
    int advance = w + std::max(1, size / 10);
    auto row = [w, h](int r, unsigned char *dst) {
        for (int c = 0; c < w; c++) dst[c] = (r == 0 || r == h - 1 || c == 0 || c == w - 1) ? 255 : 0;
    };
    return add_glyph(a, p, codepoint, w, h, 0, a.ascender - h, advance, row);
}

// Copies the glyph slot's bitmap (8-bit gray or 1-bit mono) into the atlas,
// with `advance` in whole pixels.
bool add_ft_glyph(FontAtlas &a, Packer &p, int codepoint, FT_GlyphSlot slot, int advance)
{
    const FT_Bitmap &bm = slot->bitmap;
    int w = static_cast<int>(bm.width);
    int h = static_cast<int>(bm.rows);
    if (w > 0 && h > 0 && bm.pixel_mode != FT_PIXEL_MODE_GRAY && bm.pixel_mode != FT_PIXEL_MODE_MONO) return false;
    // Row r of the image from the top, whatever the bitmap's flow.
    const unsigned char *top = bm.buffer;
    if (bm.pitch < 0 && h > 0) top = bm.buffer + static_cast<ptrdiff_t>(-bm.pitch) * (h - 1);
    int pitch = bm.pitch;
    bool mono = bm.pixel_mode == FT_PIXEL_MODE_MONO;
    int grays = bm.num_grays > 1 ? bm.num_grays : 256;
    auto row = [=](int r, unsigned char *dst) {
        const unsigned char *src = top + static_cast<ptrdiff_t>(pitch) * r;
        if (mono) {
            for (int c = 0; c < w; c++) dst[c] = (src[c >> 3] & (0x80 >> (c & 7))) ? 255 : 0;
        } else if (grays == 256) {
            std::memcpy(dst, src, static_cast<size_t>(w));
        } else {
            for (int c = 0; c < w; c++) dst[c] = static_cast<unsigned char>(src[c] * 255 / (grays - 1));
        }
    };
    return add_glyph(a, p, codepoint, w, h, slot->bitmap_left, a.ascender - slot->bitmap_top, advance, row);
}

void build_lookup(FontAtlas &a)
{
    a.blockOf.clear();
    a.blockGlyphs.clear();
    if (a.glyphs.size() <= 1) return;
    // glyphs[1..] ascend by codepoint, so the last one sizes the block table.
    a.blockOf.assign(static_cast<size_t>(a.glyphs.back().value >> 8) + 1, -1);
    for (size_t i = 1; i < a.glyphs.size(); i++) {
        const int cp = a.glyphs[i].value;
        int &block = a.blockOf[static_cast<size_t>(cp >> 8)];
        if (block < 0) {
            block = static_cast<int>(a.blockGlyphs.size());
            a.blockGlyphs.resize(a.blockGlyphs.size() + 256, 0);
        }
        a.blockGlyphs[static_cast<size_t>(block + (cp & 255))] = static_cast<int>(i);
    }
}

void link_live(FontAtlas *a)
{
    a->next = s_live;
    s_live = a;
}

bool unlink_live(FontAtlas *a)
{
    for (FontAtlas **pp = &s_live; *pp; pp = &(*pp)->next) {
        if (*pp == a) {
            *pp = a->next;
            a->next = nullptr;
            return true;
        }
    }
    return false;
}

// Sorted, distinct, valid codepoints of the request; printable ASCII when empty.
// A glyph set's text can hold hundreds of thousands of codepoints, so they
// are marked in a bitmap of every codepoint (136 KiB) and read back in order
// rather than sorted.
std::vector<int> distinct_codepoints(const int *codepoints, int count)
{
    std::vector<int> cps;
    if (codepoints == nullptr || count <= 0) {
        for (int c = 32; c < 127; c++) cps.push_back(c);
        return cps;
    }
    constexpr int kWords = (0x10FFFF + 64) / 64;
    std::vector<unsigned long long> seen(kWords, 0);
    size_t distinct = 0;
    for (int i = 0; i < count; i++) {
        int c = codepoints[i];
        if (c <= 0 || c > 0x10FFFF) continue;
        unsigned long long &word = seen[static_cast<size_t>(c) >> 6];
        const unsigned long long bit = 1ULL << (c & 63);
        if ((word & bit) == 0) {
            word |= bit;
            distinct++;
        }
    }
    cps.reserve(distinct);
    for (int w = 0; w < kWords; w++) {
        for (unsigned long long bits = seen[static_cast<size_t>(w)]; bits != 0; bits &= bits - 1)
            cps.push_back(w * 64 + __builtin_ctzll(bits));
    }
    return cps;
}

// FreeType handles released on every way out, an exception included.
struct FtLibrary {
    FT_Library lib = nullptr;
    ~FtLibrary()
    {
        if (lib != nullptr) FT_Done_FreeType(lib);
    }
};

// FreeType reads the font file through SDL, which opens UTF-8 paths on every
// system (FreeType's own stdio stream takes the ANSI code page on Windows).
unsigned long rw_stream_read(FT_Stream stream, unsigned long offset, unsigned char *buffer, unsigned long count)
{
    SDL_RWops *rw = static_cast<SDL_RWops *>(stream->descriptor.pointer);
    const bool placed = SDL_RWseek(rw, static_cast<Sint64>(offset), RW_SEEK_SET) >= 0;
    if (count == 0) return placed ? 0 : 1;  // a seek alone: non-zero on error
    return placed ? static_cast<unsigned long>(SDL_RWread(rw, buffer, 1, count)) : 0;
}

void rw_stream_close(FT_Stream stream)
{
    if (stream->descriptor.pointer != nullptr) SDL_RWclose(static_cast<SDL_RWops *>(stream->descriptor.pointer));
    stream->descriptor.pointer = nullptr;
}

// One open face and the stream it reads; FreeType closes the stream with the
// face (also when opening fails).
struct FtFace {
    FT_StreamRec stream{};
    FT_Face face = nullptr;
    FtFace() = default;
    FtFace(const FtFace &) = delete;
    FtFace &operator=(const FtFace &) = delete;
    ~FtFace()
    {
        if (face != nullptr) FT_Done_Face(face);
    }
    bool open(FT_Library lib, const char *path, long faceIndex)
    {
        SDL_RWops *rw = SDL_RWFromFile(path, "rb");
        if (rw == nullptr) return false;
        const Sint64 size = SDL_RWsize(rw);
        if (size <= 0 || size > 0x7FFFFFFF) {
            SDL_RWclose(rw);
            return false;
        }
        stream.descriptor.pointer = rw;
        stream.size = static_cast<unsigned long>(size);
        stream.read = rw_stream_read;
        stream.close = rw_stream_close;
        FT_Open_Args args{};
        args.flags = FT_OPEN_STREAM;
        args.stream = &stream;
        return FT_Open_Face(lib, &args, faceIndex, &face) == 0;
    }
};

// Advance in whole pixels of the glyph in the slot, rounded as the atlas keeps it.
int slot_advance(FT_GlyphSlot slot) { return static_cast<int>((slot->advance.x + 32) >> 6); }

// Loads and renders glyph `gi` into the face's slot, its hinted advance in
// *advance. Hinting can fit a stroke thinner than a pixel to no pixel at all:
// the IPA fonts' "_" renders as an empty bitmap at 8-12, 16-20, 27-29 and 37 px.
// A glyph whose outline has ink but whose bitmap came out empty is rendered
// again unhinted, so it shows as the faint line it is, with the hinted
// advance kept for the layout.
bool load_rendered_glyph(FT_Face face, FT_UInt gi, FT_Int32 flags, int *advance)
{
    if (FT_Load_Glyph(face, gi, flags) != 0) return false;
    const FT_Bitmap &bm = face->glyph->bitmap;
    *advance = slot_advance(face->glyph);
    if ((bm.width > 0 && bm.rows > 0) || (flags & FT_LOAD_NO_HINTING) != 0) return true;
    // A space stays empty unhinted too; so does any glyph that fails to load so.
    if (FT_Load_Glyph(face, gi, flags | FT_LOAD_NO_HINTING) == 0 && bm.width > 0 && bm.rows > 0) return true;
    return FT_Load_Glyph(face, gi, flags) == 0;
}

// Rasterises the codepoints from face `faceIndex` of `path`; null when the
// file does not load as a font at that size, or memory runs out. With a
// rasterSize other than size, the bitmaps are rasterised at rasterSize and
// the advances are still those of `size` (each glyph loaded at both sizes).
FontAtlas *rasterise(const char *path, long faceIndex, int size, const int *codepoints, int count, int rasterSize = 0)
{
    if (rasterSize == 0) rasterSize = size;
    if (path == nullptr || size <= 0 || size > kMaxFontSize || rasterSize < size || rasterSize > kMaxFontSize)
        return nullptr;
    FtLibrary lib;
    if (FT_Init_FreeType(&lib.lib) != 0) return nullptr;
    FtFace face;
    if (!face.open(lib.lib, path, faceIndex)) return nullptr;
    FT_Size_RequestRec req{};
    req.type = FT_SIZE_REQUEST_TYPE_REAL_DIM;
    req.width = 0;
    req.height = static_cast<FT_Long>(size) << 6;
    if (FT_Request_Size(face.face, &req) != 0) return nullptr;
    const int baseAscender = static_cast<int>((face.face->size->metrics.ascender + 32) >> 6);
    // A second size object of the face for the raster size; the first one
    // (size) gives the advances.
    FT_Size layoutSize = face.face->size, rasterSizeObject = nullptr;
    const bool scaled = rasterSize != size;
    if (scaled) {
        if (FT_New_Size(face.face, &rasterSizeObject) != 0 || FT_Activate_Size(rasterSizeObject) != 0) return nullptr;
        req.height = static_cast<FT_Long>(rasterSize) << 6;
        if (FT_Request_Size(face.face, &req) != 0) return nullptr;
    }
    try {
        std::unique_ptr<FontAtlas> a(new FontAtlas);
        a->baseSize = size;
        a->rasterSize = rasterSize;
        a->ascender = static_cast<int>((face.face->size->metrics.ascender + 32) >> 6);
        FT_Int32 flags = FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL;
        if (FT_IS_SCALABLE(face.face)) flags |= FT_LOAD_NO_BITMAP;
        // Scaled: each glyph's advance at `size`, in glyph order.
        std::vector<int> layoutAdvances;
        auto layout_advance = [&](FT_UInt gi) {
            int advance = 0;
            FT_Activate_Size(layoutSize);
            if (FT_Load_Glyph(face.face, gi, flags & ~FT_LOAD_RENDER) == 0) advance = slot_advance(face.face->glyph);
            FT_Activate_Size(rasterSizeObject);
            return advance;
        };
        Packer packer;
        std::vector<int> cps = distinct_codepoints(codepoints, count);
        a->glyphs.reserve(cps.size() + 1);
        a->recs.reserve(cps.size() + 1);
        a->glyphPage.reserve(cps.size() + 1);

        // A font whose missing-glyph outline is empty gets a drawn box instead,
        // so missing characters never vanish from the screen.
        FT_GlyphSlot slot = face.face->glyph;
        int fallbackAdvance = 0;
        bool fallbackOk = load_rendered_glyph(face.face, 0, flags, &fallbackAdvance) && slot->bitmap.width > 0 &&
                          slot->bitmap.rows > 0 && add_ft_glyph(*a, packer, 0, slot, fallbackAdvance);
        if (!fallbackOk) add_box_glyph(*a, packer, 0, rasterSize);
        if (scaled) {
            layoutAdvances.reserve(cps.size() + 1);
            layoutAdvances.push_back(fallbackOk ? layout_advance(0) : std::max(3, size / 2) + std::max(1, size / 10));
        }
        for (int cp : cps) {
            FT_UInt gi = FT_Get_Char_Index(face.face, static_cast<FT_ULong>(cp));
            if (gi == 0) continue;  // the font lacks it: it will look up as the fallback
            const int advance = scaled ? layout_advance(gi) : 0;
            int rasterAdvance = 0;
            if (!load_rendered_glyph(face.face, gi, flags, &rasterAdvance)) continue;
            if (add_ft_glyph(*a, packer, cp, slot, rasterAdvance) && scaled) layoutAdvances.push_back(advance);
        }
        if (scaled) {
            // glyphs[] takes the layout of `size`; the raster offsets are kept.
            a->rasterGlyphs = a->glyphs;
            const float toLayout = static_cast<float>(size) / static_cast<float>(rasterSize);
            for (size_t i = 0; i < a->glyphs.size(); i++) {
                GlyphInfo &g = a->glyphs[i];
                g.offsetX = static_cast<int>(std::lround(static_cast<float>(g.offsetX) * toLayout));
                g.offsetY = static_cast<int>(std::lround(static_cast<float>(g.offsetY) * toLayout));
                g.advanceX = layoutAdvances[i];
            }
            a->ascender = baseAscender;
        }
        trim_last_page(*a, packer);
        build_lookup(*a);
        return a.release();
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

// The font drawn when the system has no usable font file: boxes for every
// printable ASCII character except the space.
FontAtlas *box_font(int size)
{
    FontAtlas *a = new FontAtlas;
    a->baseSize = size;
    a->rasterSize = size;
    a->ascender = std::max(1, size * 8 / 10);
    Packer packer;
    add_box_glyph(*a, packer, 0, size);
    int spaceAdvance = std::max(3, size / 2) + std::max(1, size / 10);
    a->glyphs.push_back(GlyphInfo{32, 0, 0, spaceAdvance});
    a->recs.push_back(Rectangle{0, 0, 0, 0});
    a->glyphPage.push_back(0);
    for (int c = 33; c < 127; c++) add_box_glyph(*a, packer, c, size);
    trim_last_page(*a, packer);
    build_lookup(*a);
    return a;
}

// Makes the page textures when a renderer exists and they are missing. The
// coverage is expanded to white-with-alpha. On the software renderer the
// texture is locked and written in place (its pixels are a plain surface
// there); other renderers get it in bands of rows through SDL_UpdateTexture,
// so no page-sized staging buffer is needed.
void expand_rows(const unsigned char *src, Uint32 *dst, size_t n)
{
    for (size_t i = 0; i < n; i++) dst[i] = (static_cast<Uint32>(src[i]) << 24) | 0x00FFFFFFu;
}

void upload_pages(FontAtlas *a)
{
    if (a->uploaded) return;
    SDL_Renderer *renderer = gl_renderer();
    if (renderer == nullptr) return;
    const bool software = gl_software_surface() != nullptr;
    constexpr int kBandRows = 64;
    static Uint32 band[kPageWidth * kBandRows];
    bool all = true;
    for (GlFontPage &page : a->pages) {
        if (page.texture != nullptr) continue;
        if (page.alpha.empty()) {
            all = false;
            continue;
        }
        SDL_Texture *t = nullptr;
        if (software && page.width == kPageWidth && page.height == kPageHeight && !s_spareTextures.empty()) {
            t = s_spareTextures.back();  // every pixel is written again below
            s_spareTextures.pop_back();
            SDL_SetTextureColorMod(t, 255, 255, 255);
            SDL_SetTextureAlphaMod(t, 255);
        } else {
            t = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888,
                                  software ? SDL_TEXTUREACCESS_STREAMING : SDL_TEXTUREACCESS_STATIC, page.width,
                                  page.height);
        }
        if (t == nullptr) {
            all = false;
            continue;
        }
        void *pixels = nullptr;
        int pitch = 0;
        if (software && SDL_LockTexture(t, nullptr, &pixels, &pitch) == 0) {
            for (int y = 0; y < page.height; y++)
                expand_rows(&page.alpha[static_cast<size_t>(y) * page.width],
                            reinterpret_cast<Uint32 *>(static_cast<Uint8 *>(pixels) + static_cast<size_t>(y) * pitch),
                            static_cast<size_t>(page.width));
            SDL_UnlockTexture(t);
        } else {
            for (int y0 = 0; y0 < page.height; y0 += kBandRows) {
                int rows = std::min(kBandRows, page.height - y0);
                expand_rows(&page.alpha[static_cast<size_t>(y0) * page.width], band,
                            static_cast<size_t>(rows) * page.width);
                SDL_Rect r{0, y0, page.width, rows};
                SDL_UpdateTexture(t, &r, band, page.width * 4);
            }
        }
        SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
        SDL_SetTextureScaleMode(t, SDL_ScaleModeLinear);
        page.texture = t;
        page.textureId = gl_register_texture(t);
        // The software renderer's text path reads the coverage bytes.
        if (!a->keepPixels && !software) {
            page.alpha.clear();
            page.alpha.shrink_to_fit();
        }
    }
    a->pageMode = SDL_ScaleModeLinear;
    a->uploaded = all;
}

void release_textures(FontAtlas *a)
{
    for (GlFontPage &page : a->pages) {
        if (page.textureId != 0) gl_release_texture(page.textureId);
        page.textureId = 0;
        page.texture = nullptr;
    }
    a->uploaded = false;
}

// Destroys an unloaded font, keeping its full-size page buffers and software
// page textures for the next font (up to a few of each) while a window is
// open; closing it releases them.
void retire_font(FontAtlas *a)
{
    const bool window = gl_renderer() != nullptr;
    const bool software = gl_software_surface() != nullptr;
    for (GlFontPage &page : a->pages) {
        const bool full = page.width == kPageWidth && page.height == kPageHeight;
        if (full && software && page.textureId != 0 && s_spareTextures.size() < kMaxSparePages) {
            if (SDL_Texture *t = gl_take_texture(page.textureId)) s_spareTextures.push_back(t);
            page.textureId = 0;
            page.texture = nullptr;
        }
        if (window && full && page.alpha.capacity() >= kFullPage && s_spareCoverage.size() < kMaxSparePages)
            s_spareCoverage.push_back(std::move(page.alpha));
    }
    release_textures(a);
    delete a;
}

void release_spare_pages()
{
    for (SDL_Texture *t : s_spareTextures) SDL_DestroyTexture(t);
    s_spareTextures.clear();
    s_spareCoverage.clear();
}

Font font_record(FontAtlas *a)
{
    Font f{};
    f.baseSize = a->baseSize;
    f.glyphCount = static_cast<int>(a->glyphs.size());
    f.glyphPadding = kGlyphGap;
    f.recs = a->recs.data();
    f.glyphs = a->glyphs.data();
    f.atlas = a;
    if (!a->pages.empty()) {
        const GlFontPage &p0 = a->pages[0];
        f.texture = Texture2D{p0.textureId, p0.width, p0.height, 1, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8};
    }
    return f;
}

FontAtlas *default_style_atlas(const char *path, long faceIndex)
{
    FontAtlas *a = rasterise(path, faceIndex, kDefaultFontSize, nullptr, 0);
    return a != nullptr ? a : box_font(kDefaultFontSize);
}

// Rasterises the default font again at `rasterSize` into the same atlas:
// every copy of its record keeps pointing at live glyphs and rectangles, the
// vectors' storage, and only the pages and raster offsets behind them
// change. The new glyphs must match the old ones glyph for glyph (codepoint
// and advance), so the layout stays the base size's; otherwise the atlas is
// left as it was.
bool reraster_default(int rasterSize)
{
    FontAtlas *a = s_default;
    s_defaultAsked = rasterSize;
    if (a == nullptr || s_defaultPath.empty() || rasterSize == a->rasterSize) return false;
    std::unique_ptr<FontAtlas> n(rasterise(s_defaultPath.c_str(), s_defaultFace, a->baseSize, nullptr, 0, rasterSize));
    if (n == nullptr || n->glyphs.size() != a->glyphs.size() || n->recs.size() != a->recs.size()) return false;
    for (size_t i = 0; i < a->glyphs.size(); i++)
        if (n->glyphs[i].value != a->glyphs[i].value || n->glyphs[i].advanceX != a->glyphs[i].advanceX) return false;
    // The new pages are uploaded (filtered linearly) when next drawn.
    release_textures(a);
    std::copy(n->glyphs.begin(), n->glyphs.end(), a->glyphs.begin());
    std::copy(n->recs.begin(), n->recs.end(), a->recs.begin());
    a->rasterGlyphs.swap(n->rasterGlyphs);
    a->glyphPage.swap(n->glyphPage);
    a->blockOf.swap(n->blockOf);
    a->blockGlyphs.swap(n->blockGlyphs);
    a->pages.swap(n->pages);
    a->rasterSize = n->rasterSize;
    a->ascender = n->ascender;
    gl_record_invalidate();
    return true;
}

int lookup(const FontAtlas *a, int codepoint)
{
    if (codepoint < 0) return 0;
    const size_t block = static_cast<size_t>(codepoint) >> 8;
    if (block >= a->blockOf.size() || a->blockOf[block] < 0) return 0;
    return a->blockGlyphs[static_cast<size_t>(a->blockOf[block] + (codepoint & 255))];
}

// Where each destination pixel of a scaled glyph samples its rectangle: the
// nearer texel (and the next one with its weight out of 256 when filtering),
// from the pixel's centre, clamped to the glyph's own texels.
struct Tap {
    int first;
    int second;
    int weight;
};

void make_taps(Tap *taps, int count, int offset, int dst, int src, bool linear)
{
    for (int i = 0; i < count; i++) {
        const int d = offset + i;
        if (dst == src) {
            taps[i] = Tap{d, d, 0};
        } else if (linear) {
            // Centre of destination pixel d in source texels, 16.16 fixed.
            long long pos = ((2LL * d + 1) * src * 65536) / (2LL * dst) - 32768;
            const long long last = (long long)(src - 1) << 16;
            pos = pos < 0 ? 0 : (pos > last ? last : pos);
            const int t = (int)(pos >> 16);
            taps[i] = Tap{t, std::min(t + 1, src - 1), (int)((pos & 0xFFFF) >> 8)};
        } else {
            const int t = (int)(((2LL * d + 1) * src) / (2LL * dst));
            taps[i] = Tap{t, t, 0};
        }
    }
}

// Blends one glyph into a 32-bit XRGB/ARGB surface as SDL's software renderer
// draws such a quad (a scaled copy of the glyph's rectangle): the destination
// rectangle's position and size cut to whole pixels, the texels filtered
// bilinearly (or nearest, by the page's filter) unless the size is the
// glyph's own, the tint modulating a white texel whose alpha is the coverage,
// and the blend in its integer arithmetic.
void blend_glyph(SDL_Surface *target, const GlFontPage &page, const Rectangle &rec, float x0f, float y0f, float wf,
                 float hf, bool linear, Color tint)
{
    // Quads wholly off the surface (or with non-finite corners) draw nothing.
    if (!(x0f + wf > 0.0f && y0f + hf > 0.0f && x0f < (float)target->w && y0f < (float)target->h)) return;
    const float limit = 1.0e6f;
    const int X0 = (int)std::max(x0f, -limit), Y0 = (int)std::max(y0f, -limit);
    const int dw = (int)std::min(wf, limit), dh = (int)std::min(hf, limit);
    const int sx = (int)rec.x, sy = (int)rec.y, sw = (int)rec.width, sh = (int)rec.height;
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    const int xa = std::max(X0, 0), xb = (int)std::min((long long)X0 + dw, (long long)target->w);
    const int ya = std::max(Y0, 0), yb = (int)std::min((long long)Y0 + dh, (long long)target->h);
    if (xa >= xb || ya >= yb) return;

    constexpr int kMaxTaps = 4096;
    static Tap columns[kMaxTaps];
    static Tap rows[kMaxTaps];
    const int cols = std::min(xb - xa, kMaxTaps);
    const int lines = std::min(yb - ya, kMaxTaps);
    make_taps(columns, cols, xa - X0, dw, sw, linear);
    make_taps(rows, lines, ya - Y0, dh, sh, linear);

    // Everything the inner loop needs is copied into locals: its stores to
    // the surface could otherwise alias the format's fields and the taps.
    const SDL_PixelFormat *f = target->format;
    const Uint32 rmask = f->Rmask, gmask = f->Gmask, bmask = f->Bmask, amask = f->Amask;
    const Uint32 rshift = f->Rshift, gshift = f->Gshift, bshift = f->Bshift, ashift = f->Ashift;
    const Uint32 tr = tint.r, tg = tint.g, tb = tint.b, ta = tint.a;
    // A texel of full coverage under an opaque tint is the tint itself.
    const Uint32 solid = (tr << rshift) | (tg << gshift) | (tb << bshift) | (amask ? (255u << ashift) : 0u);
    const unsigned char *alpha = page.alpha.data();
    const size_t pageWidth = static_cast<size_t>(page.width);
    for (int j = 0; j < lines; j++) {
        const Tap ry = rows[j];
        const unsigned char *src0 = alpha + static_cast<size_t>(sy + ry.first) * pageWidth + static_cast<size_t>(sx);
        const unsigned char *src1 = alpha + static_cast<size_t>(sy + ry.second) * pageWidth + static_cast<size_t>(sx);
        Uint32 *dst = (Uint32 *)((Uint8 *)target->pixels + (size_t)(ya + j) * (size_t)target->pitch) + xa;
        for (int i = 0; i < cols; i++) {
            const Tap cx = columns[i];
            Uint32 cov;
            if (cx.weight == 0 && ry.weight == 0) {
                cov = src0[cx.first];
            } else {
                const Uint32 top = src0[cx.first] * (256 - cx.weight) + src0[cx.second] * cx.weight;
                const Uint32 bottom = src1[cx.first] * (256 - cx.weight) + src1[cx.second] * cx.weight;
                cov = (top * (256 - ry.weight) + bottom * ry.weight) >> 16;
            }
            if (cov == 0) continue;
            if (cov == 255 && ta == 255) {
                dst[i] = solid;
                continue;
            }
            const Uint32 sa = ta == 255 ? cov : cov * ta / 255;
            Uint32 sr = tr, sg = tg, sb = tb;
            if (sa < 255) {
                sr = sr * sa / 255;
                sg = sg * sa / 255;
                sb = sb * sa / 255;
            }
            const Uint32 inv = 255 - sa;
            const Uint32 d = dst[i];
            const Uint32 dr = sr + inv * ((d & rmask) >> rshift) / 255;
            const Uint32 dg = sg + inv * ((d & gmask) >> gshift) / 255;
            const Uint32 db = sb + inv * ((d & bmask) >> bshift) / 255;
            Uint32 out = (dr << rshift) | (dg << gshift) | (db << bshift);
            if (amask) out |= (sa + inv * ((d & amask) >> ashift) / 255) << ashift;
            dst[i] = out;
        }
    }
}

bool usable(const Font &font) { return font.atlas != nullptr && !font.atlas->glyphs.empty() && font.baseSize > 0; }

// A glyph shrunk to less than a pixel across (the 1-row "_" of 36 px glyphs
// drawn at 24 px is 0.67 px tall) covers no pixel centre, or is cut to zero
// rows, and would vanish. Such an extent becomes the one whole pixel its
// centre lies in: its texels are filtered into that pixel, which both the
// software blend and the renderers' triangles then draw.
void at_least_one_pixel(float *start, float *extent)
{
    if (*extent >= 1.0f) return;
    *start = std::floor(*start + *extent * 0.5f);
    *extent = 1.0f;
}

// Walks `text` as DrawTextEx lays it out: visit(index, rec, x0, y0, w, h) for
// every glyph with a rectangle, (x0, y0) being its top-left corner and w x h
// its size on screen (at least a pixel each way); the pen
// advances by each glyph's advance at `scale` plus `spacing`, and the bitmap
// (its offsets and rectangle) is placed at `glyphScale`: the same as `scale`
// unless the glyphs were rasterised at another size than the base size.
// Stops at the first byte sequence that decodes to nothing.
template <class Visit>
void for_each_placed_glyph(const FontAtlas *a, const char *text, Vector2 position, float scale, float glyphScale,
                           float spacing, Visit visit)
{
    const std::vector<GlyphInfo> &bitmaps = a->rasterGlyphs.empty() ? a->glyphs : a->rasterGlyphs;
    float penX = position.x;
    for (const char *p = text; *p != '\0';) {
        int size = 0;
        int cp = GetCodepointNext(p, &size);
        if (size <= 0) break;
        p += size;
        size_t gi = static_cast<size_t>(lookup(a, cp));
        const GlyphInfo &g = a->glyphs[gi];
        const GlyphInfo &b = bitmaps[gi];
        const Rectangle &r = a->recs[gi];
        if (r.width > 0 && r.height > 0) {
            float x0 = penX + static_cast<float>(b.offsetX) * glyphScale;
            float y0 = position.y + static_cast<float>(b.offsetY) * glyphScale;
            float w = r.width * glyphScale;
            float h = r.height * glyphScale;
            at_least_one_pixel(&x0, &w);
            at_least_one_pixel(&y0, &h);
            visit(gi, r, x0, y0, w, h);
        }
        penX += static_cast<float>(g.advanceX) * scale + spacing;
    }
}

}  // namespace

// --- UTF-8 ----------------------------------------------------------------

int GetCodepointNext(const char *text, int *size)
{
    int dummy = 0;
    if (size == nullptr) size = &dummy;
    *size = 0;
    if (text == nullptr) return 0;
    if (text[0] == '\0') return 0;
    // The decoder stops at a NUL, so it never reads past the terminator.
    char32_t cp = 0;
    const size_t n = utf8_decode(text, 4, &cp);
    *size = 1;
    if (n == 0) return '?';
    *size = static_cast<int>(n);
    return static_cast<int>(cp);
}

int *LoadCodepoints(const char *text, int *count)
{
    if (count != nullptr) *count = 0;
    if (text == nullptr) return nullptr;
    size_t len = std::strlen(text);
    int *cps = static_cast<int *>(std::malloc((len + 1) * sizeof(int)));
    if (cps == nullptr) return nullptr;
    int n = 0;
    for (size_t pos = 0; pos < len;) {
        int size = 0;
        int cp = GetCodepointNext(text + pos, &size);
        if (size <= 0) break;
        cps[n++] = cp;
        pos += static_cast<size_t>(size);
    }
    if (count != nullptr) *count = n;
    return cps;
}

void UnloadCodepoints(int *codepoints) { std::free(codepoints); }

// --- loading ----------------------------------------------------------------

Font LoadFontEx(const char *fileName, int fontSize, const int *codepoints, int codepointCount)
{
    const int rasterSize = wanted_raster_size(fontSize);
    FontAtlas *a = rasterise(fileName, 0, fontSize, codepoints, codepointCount, rasterSize);
    // Larger glyphs that do not fit in memory: those of the base size.
    if (a == nullptr && rasterSize != fontSize) a = rasterise(fileName, 0, fontSize, codepoints, codepointCount);
    if (a == nullptr) return GetFontDefault();
    a->rebuildable = true;
    a->rasterAsked = rasterSize;
    link_live(a);
    upload_pages(a);
    return font_record(a);
}

Font GetFontDefault()
{
    if (s_default == nullptr) {
        std::string path;
        int index = 0;
        bool found = gl_find_default_sans(&path, &index);
        s_default = default_style_atlas(found ? path.c_str() : nullptr, index);
        s_default->keepPixels = true;
        if (found && s_default->glyphs.size() > 1) {
            s_defaultPath = path;
            s_defaultFace = index;
        }
        s_defaultAsked = s_default->rasterSize;
        link_live(s_default);
    }
    upload_pages(s_default);
    return font_record(s_default);
}

Font gl_font_load_default_from(const char *path)
{
    FontAtlas *a = default_style_atlas(path, 0);
    link_live(a);
    upload_pages(a);
    return font_record(a);
}

bool IsFontDefault(Font font) { return font.atlas != nullptr && font.atlas == s_default; }

bool IsFontRasterStale(Font font)
{
    const FontAtlas *a = font.atlas;
    if (a == nullptr || !a->rebuildable || a->baseSize <= 0) return false;
    const int wanted = wanted_raster_size(a->baseSize);
    // Compared with what was asked, so that a size memory refused is not
    // asked for again at every calm moment.
    if (wanted == a->rasterAsked) return false;
    // Back at the base size always (a scale of 1 draws as it always did);
    // otherwise only for a change of more than an eighth, not worth a
    // rebuild's pause below that.
    return wanted == a->baseSize || std::abs(wanted - a->rasterAsked) * 8 > a->rasterAsked;
}

bool RefreshFontDefault()
{
    if (s_default == nullptr || s_defaultPath.empty()) return false;
    const int base = s_default->baseSize;
    const int wanted = wanted_raster_size(base, s_defaultPeakShownRatio);
    // IsFontRasterStale's rule: back at the base size always, otherwise for
    // a change of more than an eighth of the size last asked for.
    if (wanted == s_defaultAsked || (wanted != base && std::abs(wanted - s_defaultAsked) * 8 <= s_defaultAsked))
        return false;
    return reraster_default(wanted);
}

void UnloadFont(Font font)
{
    FontAtlas *a = font.atlas;
    if (a == nullptr || a == s_default) return;
    // Only fonts still alive are released, so a second unload of a copy is harmless.
    if (!unlink_live(a)) return;
    retire_font(a);
}

void gl_fonts_shutdown()
{
    // The window's renderer is going away: every page texture goes with it.
    // The default font keeps its pixels and uploads again in the next window.
    for (FontAtlas *a = s_live; a != nullptr; a = a->next) release_textures(a);
    release_spare_pages();
    s_peakShownRatio = 0.0f;
    // The next window starts at the base size's glyphs, drawn as they always were.
    s_defaultPeakShownRatio = 0.0f;
    if (s_default != nullptr && s_default->rasterSize != s_default->baseSize) reraster_default(s_default->baseSize);
}

// --- lookup and layout --------------------------------------------------------

int GetGlyphIndex(Font font, int codepoint)
{
    if (!usable(font)) return 0;
    return lookup(font.atlas, codepoint);
}

Vector2 MeasureTextEx(Font font, const char *text, float fontSize, float spacing)
{
    if (!usable(font)) font = GetFontDefault();
    Vector2 out{0.0f, fontSize};
    if (text == nullptr) return out;
    const FontAtlas *a = font.atlas;
    long advances = 0;
    int n = 0;
    for (const char *p = text; *p != '\0';) {
        int size = 0;
        int cp = GetCodepointNext(p, &size);
        if (size <= 0) break;
        advances += a->glyphs[static_cast<size_t>(lookup(a, cp))].advanceX;
        n++;
        p += size;
    }
    if (n > 0)
        out.x = static_cast<float>(advances) * fontSize / static_cast<float>(font.baseSize) +
                static_cast<float>(n - 1) * spacing;
    return out;
}

void DrawTextEx(Font font, const char *text, Vector2 position, float fontSize, float spacing, Color tint)
{
    if (text == nullptr || *text == '\0') return;
    // Sizes that are not a positive finite number draw nothing rather than
    // hand the renderer non-finite vertices.
    if (!(fontSize > 0.0f) || !std::isfinite(fontSize) || !std::isfinite(spacing)) return;
    if (!usable(font)) font = GetFontDefault();
    FontAtlas *a = font.atlas;
    upload_pages(a);
    SDL_Renderer *renderer = gl_renderer();
    if (renderer == nullptr || a->pages.empty()) return;

    // SetTextureFilter acts on page 0 (Font.texture); the other pages follow it.
    if (a->pages.size() > 1 && a->pages[0].texture != nullptr) {
        SDL_ScaleMode mode = SDL_ScaleModeLinear;
        if (SDL_GetTextureScaleMode(a->pages[0].texture, &mode) == 0 && mode != a->pageMode) {
            for (size_t i = 1; i < a->pages.size(); i++)
                if (a->pages[i].texture != nullptr) SDL_SetTextureScaleMode(a->pages[i].texture, mode);
            a->pageMode = mode;
            gl_record_invalidate();
        }
    }

    const float scale = fontSize / static_cast<float>(font.baseSize);
    const float glyphScale = a->rasterGlyphs.empty() ? scale : fontSize / static_cast<float>(a->rasterSize);
    if (a->rebuildable) s_peakShownRatio = std::max(s_peakShownRatio, std::min(scale, 1.0f));
    if (a == s_default) s_defaultPeakShownRatio = std::max(s_defaultPeakShownRatio, std::min(scale, 1.0f));

    // The software renderer: straight into its surface, when every page still
    // has its coverage bytes.
    SDL_Surface *target = gl_software_target();
    for (const GlFontPage &page : a->pages)
        if (page.alpha.empty()) target = nullptr;
    if (target != nullptr) {
        gl_record_issue(true);  // the frame's draws so far go underneath
        if (SDL_MUSTLOCK(target) && SDL_LockSurface(target) != 0) return;
        SDL_ScaleMode mode = SDL_ScaleModeLinear;
        if (a->pages[0].texture != nullptr) SDL_GetTextureScaleMode(a->pages[0].texture, &mode);
        const bool linear = mode != SDL_ScaleModeNearest;
        static std::vector<unsigned char> pageUsed;
        pageUsed.assign(a->pages.size(), 0);
        auto blend = [&](size_t gi, const Rectangle &r, float x0, float y0, float w, float h) {
            blend_glyph(target, a->pages[a->glyphPage[gi]], r, x0, y0, w, h, linear, tint);
            pageUsed[a->glyphPage[gi]] = 1;
        };
        for_each_placed_glyph(a, text, position, scale, glyphScale, spacing, blend);
        if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
        for (unsigned char used : pageUsed)
            if (used) gl_count_draw_call();
        return;
    }

    // One vertex list per page, kept between calls so drawing does not allocate.
    static std::vector<std::vector<SDL_Vertex>> buckets;
    if (buckets.size() < a->pages.size()) buckets.resize(a->pages.size());
    for (size_t i = 0; i < a->pages.size(); i++) buckets[i].clear();

    const SDL_Color color{tint.r, tint.g, tint.b, tint.a};
    for_each_placed_glyph(a, text, position, scale, glyphScale, spacing,
                          [&](size_t gi, const Rectangle &r, float x0, float y0, float w, float h) {
                              const GlFontPage &page = a->pages[a->glyphPage[gi]];
                              float x1 = x0 + w;
                              float y1 = y0 + h;
                              float u0 = r.x / static_cast<float>(page.width);
                              float v0 = r.y / static_cast<float>(page.height);
                              float u1 = (r.x + r.width) / static_cast<float>(page.width);
                              float v1 = (r.y + r.height) / static_cast<float>(page.height);
                              std::vector<SDL_Vertex> &v = buckets[a->glyphPage[gi]];
                              v.push_back(SDL_Vertex{{x0, y0}, color, {u0, v0}});
                              v.push_back(SDL_Vertex{{x1, y0}, color, {u1, v0}});
                              v.push_back(SDL_Vertex{{x1, y1}, color, {u1, v1}});
                              v.push_back(SDL_Vertex{{x0, y0}, color, {u0, v0}});
                              v.push_back(SDL_Vertex{{x1, y1}, color, {u1, v1}});
                              v.push_back(SDL_Vertex{{x0, y1}, color, {u0, v1}});
                          });
    for (size_t i = 0; i < a->pages.size(); i++) {
        const std::vector<SDL_Vertex> &v = buckets[i];
        if (v.empty() || a->pages[i].texture == nullptr) continue;
        gl_record_geometry(a->pages[i].texture, v.data(), static_cast<int>(v.size()), nullptr, 0);
        gl_count_draw_call();
    }
}

// --- atlas inspection -----------------------------------------------------------

int gl_font_page_count(Font font) { return font.atlas != nullptr ? static_cast<int>(font.atlas->pages.size()) : 0; }

void gl_font_page_size(Font font, int page, int *width, int *height)
{
    int w = 0, h = 0;
    if (font.atlas != nullptr && page >= 0 && page < static_cast<int>(font.atlas->pages.size())) {
        w = font.atlas->pages[static_cast<size_t>(page)].width;
        h = font.atlas->pages[static_cast<size_t>(page)].height;
    }
    if (width != nullptr) *width = w;
    if (height != nullptr) *height = h;
}

int gl_font_glyph_page(Font font, int index)
{
    if (font.atlas == nullptr || index < 0 || index >= static_cast<int>(font.atlas->glyphPage.size())) return -1;
    return font.atlas->glyphPage[static_cast<size_t>(index)];
}

const unsigned char *gl_font_page_pixels(Font font, int page)
{
    if (font.atlas == nullptr || page < 0 || page >= static_cast<int>(font.atlas->pages.size())) return nullptr;
    const GlFontPage &p = font.atlas->pages[static_cast<size_t>(page)];
    return p.alpha.empty() ? nullptr : p.alpha.data();
}

unsigned int gl_font_page_texture(Font font, int page)
{
    if (font.atlas == nullptr || page < 0 || page >= static_cast<int>(font.atlas->pages.size())) return 0;
    return font.atlas->pages[static_cast<size_t>(page)].textureId;
}

int gl_font_raster_size(Font font) { return font.atlas != nullptr ? font.atlas->rasterSize : 0; }

int gl_font_ascender(Font font) { return font.atlas != nullptr ? font.atlas->ascender : 0; }
