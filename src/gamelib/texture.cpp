// SPDX-License-Identifier: MIT
// Images decoded from memory, textures on the window's renderer, and the
// table that maps Texture2D ids to SDL textures.
//
// Images are always RGBA8 with packed rows, whatever the file held. Texture ids
// count up from 1 and are never reused, so a stale id finds nothing instead of
// somebody else's texture.
#include <SDL_image.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "gamelib_internal.h"

namespace {

std::vector<SDL_Texture *> s_textures;  // id - 1 -> texture, null once released

// SDL_image's type name for a raylib-style file type (".png"), or null.
const char *image_type(const char *fileType)
{
    if (!fileType) return nullptr;
    if (fileType[0] == '.') fileType++;
    if (SDL_strcasecmp(fileType, "png") == 0) return "PNG";
    if (SDL_strcasecmp(fileType, "ico") == 0) return "ICO";
    if (SDL_strcasecmp(fileType, "bmp") == 0) return "BMP";
    return nullptr;
}

}  // namespace

// --- texture table -------------------------------------------------------

unsigned int gl_register_texture(SDL_Texture *texture)
{
    if (!texture) return 0;
    gl_record_invalidate();  // its address may be a freed texture's, with other pixels
    s_textures.push_back(texture);
    return (unsigned int)s_textures.size();
}

SDL_Texture *gl_texture(unsigned int id)
{
    if (id == 0 || id > s_textures.size()) return nullptr;
    return s_textures[id - 1];
}

void gl_release_texture(unsigned int id)
{
    SDL_Texture *t = gl_texture(id);
    if (!t) return;
    SDL_DestroyTexture(t);
    s_textures[id - 1] = nullptr;
    gl_record_invalidate();
}

SDL_Texture *gl_take_texture(unsigned int id)
{
    SDL_Texture *t = gl_texture(id);
    if (t) s_textures[id - 1] = nullptr;
    gl_record_invalidate();
    return t;
}

void gl_release_all_textures()
{
    for (SDL_Texture *t : s_textures)
        if (t) SDL_DestroyTexture(t);
    // Keep the slots: ids handed out before stay unknown rather than reused.
    for (SDL_Texture *&t : s_textures) t = nullptr;
}

// --- images ----------------------------------------------------------------

Image LoadImageFromMemory(const char *fileType, const unsigned char *data, int dataSize)
{
    Image image{};
    const char *type = image_type(fileType);
    if (!type || !data || dataSize <= 0) return image;
    SDL_RWops *rw = SDL_RWFromConstMem(data, dataSize);
    if (!rw) return image;
    SDL_Surface *decoded = IMG_LoadTyped_RW(rw, 1, type);
    if (!decoded) return image;
    SDL_Surface *rgba = SDL_ConvertSurfaceFormat(decoded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(decoded);
    if (!rgba) return image;

    size_t rowBytes = (size_t)rgba->w * 4;
    void *pixels = rgba->w > 0 && rgba->h > 0 ? std::malloc(rowBytes * (size_t)rgba->h) : nullptr;
    if (pixels) {
        bool locked = SDL_MUSTLOCK(rgba) ? SDL_LockSurface(rgba) == 0 : true;
        if (locked) {
            for (int y = 0; y < rgba->h; y++)
                std::memcpy((unsigned char *)pixels + rowBytes * (size_t)y,
                            (const unsigned char *)rgba->pixels + (size_t)rgba->pitch * (size_t)y, rowBytes);
            if (SDL_MUSTLOCK(rgba)) SDL_UnlockSurface(rgba);
            image.data = pixels;
            image.width = rgba->w;
            image.height = rgba->h;
            image.mipmaps = 1;
            image.format = PIXELFORMAT_UNCOMPRESSED_R8G8B8A8;
        } else {
            std::free(pixels);
        }
    }
    SDL_FreeSurface(rgba);
    return image;
}

void UnloadImage(Image image) { std::free(image.data); }

// --- textures --------------------------------------------------------------

Texture2D LoadTextureFromImage(Image image)
{
    Texture2D tex{};
    SDL_Renderer *r = gl_renderer();
    if (!r || !image.data || image.width <= 0 || image.height <= 0 || image.format != PIXELFORMAT_UNCOMPRESSED_R8G8B8A8)
        return tex;
    SDL_Texture *t = SDL_CreateTexture(r, SDL_PIXELFORMAT_RGBA32, SDL_TEXTUREACCESS_STATIC, image.width, image.height);
    if (!t) return tex;
    if (SDL_UpdateTexture(t, nullptr, image.data, image.width * 4) != 0) {
        SDL_DestroyTexture(t);
        return tex;
    }
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(t, SDL_ScaleModeNearest);
    tex.id = gl_register_texture(t);
    tex.width = image.width;
    tex.height = image.height;
    tex.mipmaps = 1;
    tex.format = PIXELFORMAT_UNCOMPRESSED_R8G8B8A8;
    return tex;
}

void UnloadTexture(Texture2D texture) { gl_release_texture(texture.id); }

void SetTextureFilter(Texture2D texture, int filter)
{
    SDL_Texture *t = gl_texture(texture.id);
    if (!t) return;
    gl_record_invalidate();
    SDL_SetTextureScaleMode(t, filter == TEXTURE_FILTER_POINT ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
}

void DrawTextureEx(Texture2D texture, Vector2 position, float rotation, float scale, Color tint)
{
    SDL_Renderer *r = gl_renderer();
    SDL_Texture *t = gl_texture(texture.id);
    if (!r || !t) return;
    float w = (float)texture.width * scale;
    float h = (float)texture.height * scale;
    if (!(w > 0.0f) || !(h > 0.0f)) return;
    // Rotated about the top-left corner, the point given as position.
    gl_record_copy(t, SDL_FRect{position.x, position.y, w, h}, tint, rotation);
    gl_count_draw_call();
}
