// SPDX-License-Identifier: MIT
// Images from PNG bytes, textures, their filter and tint, the id table, and
// damaged input.
#include <SDL.h>
#include <SDL_image.h>

#include <cstring>
#include <vector>

#include "gamelib_internal.h"
#include "gl_fixture.h"

namespace {

using Texture = HeadlessWindow;

constexpr Color kBlack{0, 0, 0, 255};

// Encodes `surface` as PNG bytes in memory.
std::vector<unsigned char> encode_png(SDL_Surface *surface)
{
    std::vector<unsigned char> buffer(1 << 20);
    SDL_RWops *rw = SDL_RWFromMem(buffer.data(), (int)buffer.size());
    if (!rw) return {};
    if (IMG_SavePNG_RW(surface, rw, 0) != 0) {
        SDL_RWclose(rw);
        return {};
    }
    buffer.resize((size_t)SDL_RWtell(rw));
    SDL_RWclose(rw);
    return buffer;
}

// A 4 x 2 RGBA test card: red, green, blue, half-transparent white on top;
// black, white, yellow, fully transparent below.
const unsigned char kCard[2][4][4] = {
    {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 128}},
    {{0, 0, 0, 255}, {255, 255, 255, 255}, {255, 220, 60, 255}, {10, 20, 30, 0}},
};

std::vector<unsigned char> card_png()
{
    SDL_Surface *s = SDL_CreateRGBSurfaceWithFormat(0, 4, 2, 32, SDL_PIXELFORMAT_RGBA32);
    if (!s) return {};
    for (int y = 0; y < 2; y++) std::memcpy((Uint8 *)s->pixels + y * s->pitch, kCard[y], 16);
    std::vector<unsigned char> png = encode_png(s);
    SDL_FreeSurface(s);
    return png;
}

Color card(int x, int y) { return Color{kCard[y][x][0], kCard[y][x][1], kCard[y][x][2], kCard[y][x][3]}; }

// The test card as a texture, by way of an image decoded from its PNG bytes
// under the file extension `ext`.
Texture2D card_texture(const char *ext)
{
    std::vector<unsigned char> png = card_png();
    Image img = LoadImageFromMemory(ext, png.data(), (int)png.size());
    Texture2D tex = LoadTextureFromImage(img);
    UnloadImage(img);
    return tex;
}

}  // namespace

TEST_F(Texture, PngRoundTripThroughImageAndTexture)
{
    std::vector<unsigned char> png = card_png();
    ASSERT_FALSE(png.empty());
    Image img = LoadImageFromMemory(".png", png.data(), (int)png.size());
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.width, 4);
    EXPECT_EQ(img.height, 2);
    EXPECT_EQ(img.format, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8);
    EXPECT_EQ(std::memcmp(img.data, kCard, sizeof kCard), 0);

    Texture2D tex = LoadTextureFromImage(img);
    UnloadImage(img);
    ASSERT_NE(tex.id, 0u);
    EXPECT_EQ(tex.width, 4);
    EXPECT_EQ(tex.height, 2);

    // Scaled 10 times at (100, 50): each source pixel is a 10 x 10 block.
    run_frame(kBlack, [&] { DrawTextureEx(tex, Vector2{100, 50}, 0.0f, 10.0f, Color{255, 255, 255, 255}); });
    for (int y = 0; y < 2; y++) {
        for (int x = 0; x < 4; x++) {
            Color src = card(x, y);
            Color want{(unsigned char)(src.r * src.a / 255), (unsigned char)(src.g * src.a / 255),
                       (unsigned char)(src.b * src.a / 255), 255};
            for (int dy : {1, 5, 8})
                for (int dx : {1, 5, 8}) {
                    Color got = HeadlessGetPixel(100 + 10 * x + dx, 50 + 10 * y + dy);
                    EXPECT_TRUE(near_color(got, want, 1)) << x << "," << y << " got " << ::testing::PrintToString(got);
                }
        }
    }
    EXPECT_EQ(HeadlessGetPixel(99, 55), kBlack);
    EXPECT_EQ(HeadlessGetPixel(140, 55), kBlack);
    EXPECT_EQ(HeadlessGetPixel(105, 70), kBlack);
    UnloadTexture(tex);
}

TEST_F(Texture, TintMultipliesColourAndAlpha)
{
    Texture2D tex = card_texture(".PNG");
    ASSERT_NE(tex.id, 0u);
    run_frame(kBlack, [&] { DrawTextureEx(tex, Vector2{0, 0}, 0.0f, 10.0f, Color{255, 255, 255, 128}); });
    EXPECT_TRUE(near_color(HeadlessGetPixel(15, 15), Color{128, 128, 128, 255}, 1))
        << ::testing::PrintToString(HeadlessGetPixel(15, 15));
    run_frame(kBlack, [&] { DrawTextureEx(tex, Vector2{0, 0}, 0.0f, 10.0f, Color{255, 0, 0, 255}); });
    EXPECT_EQ(HeadlessGetPixel(15, 15), (Color{255, 0, 0, 255}));  // white under a red tint
    EXPECT_EQ(HeadlessGetPixel(15, 5), kBlack);  // green under a red tint
    UnloadTexture(tex);
}

TEST_F(Texture, OpaqueAndPalettedPngsBecomeRgba)
{
    // RGB with no alpha channel, and 8-bit greyscale: both come back RGBA8, opaque.
    SDL_Surface *rgb = SDL_CreateRGBSurfaceWithFormat(0, 3, 3, 24, SDL_PIXELFORMAT_RGB24);
    ASSERT_NE(rgb, nullptr);
    SDL_FillRect(rgb, nullptr, SDL_MapRGB(rgb->format, 90, 200, 255));
    std::vector<unsigned char> png = encode_png(rgb);
    SDL_FreeSurface(rgb);
    Image img = LoadImageFromMemory(".png", png.data(), (int)png.size());
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.format, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8);
    const unsigned char *p = (const unsigned char *)img.data;
    for (int i = 0; i < 9; i++) {
        EXPECT_EQ(p[4 * i], 90);
        EXPECT_EQ(p[4 * i + 1], 200);
        EXPECT_EQ(p[4 * i + 2], 255);
        EXPECT_EQ(p[4 * i + 3], 255);
    }
    UnloadImage(img);

    SDL_Surface *indexed = SDL_CreateRGBSurfaceWithFormat(0, 5, 1, 8, SDL_PIXELFORMAT_INDEX8);
    ASSERT_NE(indexed, nullptr);
    SDL_Color colors[2] = {{10, 20, 30, 255}, {200, 100, 50, 255}};
    SDL_SetPaletteColors(indexed->format->palette, colors, 0, 2);
    std::memset(indexed->pixels, 1, 5);
    png = encode_png(indexed);
    SDL_FreeSurface(indexed);
    img = LoadImageFromMemory(".png", png.data(), (int)png.size());
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.width, 5);
    p = (const unsigned char *)img.data;
    EXPECT_EQ(p[16], 200);
    EXPECT_EQ(p[17], 100);
    EXPECT_EQ(p[18], 50);
    EXPECT_EQ(p[19], 255);
    UnloadImage(img);
}

TEST_F(Texture, DamagedOrUnknownDataGivesAnEmptyImage)
{
    std::vector<unsigned char> png = card_png();
    ASSERT_GT(png.size(), 40u);
    const unsigned char garbage[] = "this is not a picture at all, only text";

    Image bad[] = {
        LoadImageFromMemory(".png", garbage, (int)sizeof garbage),
        LoadImageFromMemory(".png", png.data(), (int)png.size() / 2),  // truncated download
        LoadImageFromMemory(".png", png.data(), 8),  // the signature alone
        LoadImageFromMemory(".png", png.data(), 0),
        LoadImageFromMemory(".png", png.data(), -5),
        LoadImageFromMemory(".png", nullptr, 100),
        LoadImageFromMemory(".jpg", png.data(), (int)png.size()),
        LoadImageFromMemory(nullptr, png.data(), (int)png.size()),
    };
    for (const Image &img : bad) {
        EXPECT_EQ(img.data, nullptr);
        UnloadImage(img);
    }
    // An empty image makes no texture.
    EXPECT_EQ(LoadTextureFromImage(bad[0]).id, 0u);
    unsigned char pixels[16] = {};
    EXPECT_EQ(LoadTextureFromImage(Image{pixels, 2, 2, 1, 99}).id, 0u);
    EXPECT_EQ(LoadTextureFromImage(Image{pixels, 0, 2, 1, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8}).id, 0u);

    // A bit flipped inside the compressed data: no image, or a whole one,
    // never a read past the buffer (the sanitizer build checks that).
    std::vector<unsigned char> flipped = png;
    flipped[flipped.size() - 20] ^= 0x55;
    Image maybe = LoadImageFromMemory(".png", flipped.data(), (int)flipped.size());
    if (maybe.data) {
        EXPECT_EQ(maybe.width, 4);
        EXPECT_EQ(maybe.height, 2);
    }
    UnloadImage(maybe);
}

TEST_F(Texture, FilterSettingReachesTheSdlTexture)
{
    Texture2D tex = card_texture(".png");
    ASSERT_NE(gl_texture(tex.id), nullptr);

    SDL_ScaleMode mode = SDL_ScaleModeBest;
    ASSERT_EQ(SDL_GetTextureScaleMode(gl_texture(tex.id), &mode), 0);
    EXPECT_EQ(mode, SDL_ScaleModeNearest);  // point filtering until told otherwise
    SetTextureFilter(tex, TEXTURE_FILTER_BILINEAR);
    ASSERT_EQ(SDL_GetTextureScaleMode(gl_texture(tex.id), &mode), 0);
    EXPECT_EQ(mode, SDL_ScaleModeLinear);
    SetTextureFilter(tex, TEXTURE_FILTER_POINT);
    ASSERT_EQ(SDL_GetTextureScaleMode(gl_texture(tex.id), &mode), 0);
    EXPECT_EQ(mode, SDL_ScaleModeNearest);

    int w = 0, h = 0;
    Uint32 format = 0;
    ASSERT_EQ(SDL_QueryTexture(gl_texture(tex.id), &format, nullptr, &w, &h), 0);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 2);
    SetTextureFilter(Texture2D{}, TEXTURE_FILTER_BILINEAR);  // no texture: nothing happens
    UnloadTexture(tex);
}

TEST_F(Texture, BilinearFilterBlendsNeighbours)
{
    // Black next to white, scaled 20 times: point filtering gives only the two
    // colours, bilinear filtering gives shades between them across the seam.
    unsigned char pixels[8] = {0, 0, 0, 255, 255, 255, 255, 255};
    Texture2D tex = LoadTextureFromImage(Image{pixels, 2, 1, 1, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8});
    ASSERT_NE(tex.id, 0u);
    auto shades = [&] {
        int between = 0;
        for (int x = 0; x < 40; x++) {
            Color c = HeadlessGetPixel(x, 10);
            if (c.r > 10 && c.r < 245) between++;
        }
        return between;
    };
    run_frame(kBlack, [&] { DrawTextureEx(tex, Vector2{0, 0}, 0.0f, 20.0f, Color{255, 255, 255, 255}); });
    EXPECT_EQ(shades(), 0);
    SetTextureFilter(tex, TEXTURE_FILTER_BILINEAR);
    run_frame(kBlack, [&] { DrawTextureEx(tex, Vector2{0, 0}, 0.0f, 20.0f, Color{255, 255, 255, 255}); });
    EXPECT_GT(shades(), 4);
    UnloadTexture(tex);
}

TEST_F(Texture, IdsAreNeverReusedAndCloseWindowReleasesAll)
{
    unsigned char pixels[4] = {1, 2, 3, 255};
    const Image one{pixels, 1, 1, 1, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8};
    Texture2D a = LoadTextureFromImage(one);
    Texture2D b = LoadTextureFromImage(one);
    ASSERT_NE(a.id, 0u);
    ASSERT_NE(b.id, 0u);
    EXPECT_NE(a.id, b.id);
    UnloadTexture(a);
    EXPECT_EQ(gl_texture(a.id), nullptr);
    EXPECT_NE(gl_texture(b.id), nullptr);
    UnloadTexture(a);  // twice: harmless
    Texture2D c = LoadTextureFromImage(one);
    EXPECT_NE(c.id, a.id);
    EXPECT_NE(c.id, b.id);
    // Drawing a released texture draws nothing.
    run_frame(kBlack, [&] { DrawTextureEx(a, Vector2{0, 0}, 0.0f, 5.0f, Color{255, 255, 255, 255}); });
    EXPECT_EQ(HeadlessGetPixel(2, 2), kBlack);
    EXPECT_EQ(HeadlessDrawCallsLastFrame(), 1);

    CloseWindow();
    EXPECT_EQ(gl_texture(b.id), nullptr);
    EXPECT_EQ(gl_texture(c.id), nullptr);
    UnloadTexture(b);  // after the window: harmless
    InitWindow(960, 640, "again");
    ASSERT_TRUE(IsWindowReady());
    EXPECT_EQ(gl_texture(c.id), nullptr);
    Texture2D d = LoadTextureFromImage(one);
    EXPECT_NE(d.id, c.id);
    EXPECT_EQ(gl_register_texture(nullptr), 0u);
    EXPECT_EQ(gl_texture(0), nullptr);
    UnloadTexture(d);
}

TEST_F(Texture, ZeroOrNegativeScaleDrawsNothing)
{
    unsigned char pixels[4] = {255, 255, 255, 255};
    Texture2D tex = LoadTextureFromImage(Image{pixels, 1, 1, 1, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8});
    run_frame(kBlack, [&] {
        DrawTextureEx(tex, Vector2{10, 10}, 0.0f, 0.0f, Color{255, 255, 255, 255});
        DrawTextureEx(tex, Vector2{10, 10}, 0.0f, -3.0f, Color{255, 255, 255, 255});
    });
    EXPECT_EQ(HeadlessGetPixel(10, 10), kBlack);
    EXPECT_EQ(HeadlessGetPixel(8, 8), kBlack);
    UnloadTexture(tex);
}

TEST(TextureNoWindow, NeedsARenderer)
{
    unsigned char pixels[4] = {255, 255, 255, 255};
    EXPECT_EQ(LoadTextureFromImage(Image{pixels, 1, 1, 1, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8}).id, 0u);
    // Images decode without a window.
    std::vector<unsigned char> png = card_png();
    Image img = LoadImageFromMemory(".png", png.data(), (int)png.size());
    EXPECT_NE(img.data, nullptr);
    UnloadImage(img);
}
