// SPDX-License-Identifier: MIT
// The frame's drawing, kept as a list of commands until the frame ends.
//
// The game draws every frame whole, yet most frames of a quiz are the frame
// before them again: a title nobody touches, an answered question waiting
// for its button. Drawing those again costs as much as any frame (with a
// software OpenGL, most of a core). So each draw is recorded here, with all
// the renderer state it depends on, and at EndDrawing the list is compared
// with the list of the frame on screen. The same list, with no texture made,
// changed or freed and no window event since, draws the same pixels: the
// frame is not issued and not presented, and the window keeps showing it.
// Any difference issues the whole list and presents it.
//
// Code that writes pixels itself (the software text path) or reads them
// mid-frame issues what is pending first (gl_record_issue). A frame that
// issued part of its list early is always presented, and so is one with
// pixels written outside the list, and the frame after it.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "gamelib_internal.h"
#include "headless.h"

namespace {

enum class Kind : unsigned char { Clear, FillRects, Line, Geometry, Copy };

// One draw and the state it is drawn with. Compared as bytes, so it is
// always zeroed whole before it is filled (padding included).
struct Command {
    Kind kind;
    unsigned char bars;  // Clear: black bars first, then the picture's area
    SDL_Color color;  // draw colour, or a copy's tint
    SDL_BlendMode blend;  // FillRects
    SDL_Texture *texture;  // Geometry (may be null), Copy
    unsigned first, count;  // FillRects: rects; Geometry: vertices
    unsigned firstIndex, indexCount;  // Geometry
    int line[4];  // Line: x0, y0, x1, y1
    SDL_FRect dst;  // Copy
    float rotation;  // Copy, about the top-left corner
};

struct FrameList {
    std::vector<Command> commands;
    std::vector<SDL_Rect> rects;
    std::vector<SDL_Vertex> vertices;
    std::vector<int> indices;

    void clear()
    {
        commands.clear();
        rects.clear();
        vertices.clear();
        indices.clear();
    }
};

template <class T>
bool same(const std::vector<T> &a, const std::vector<T> &b)
{
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

bool same(const FrameList &a, const FrameList &b)
{
    return same(a.commands, b.commands) && same(a.rects, b.rects) && same(a.vertices, b.vertices) &&
           same(a.indices, b.indices);
}

FrameList s_frame;  // this frame's, so far
FrameList s_shown;  // the frame on screen
size_t s_issued = 0;  // commands of s_frame already given to the renderer
bool s_direct = false;  // this frame wrote or read pixels outside the list
bool s_stale = true;  // the screen may no longer show s_shown
long s_presented = 0;
int s_repeats = 0;  // frames not drawn since the last one drawn
constexpr int kRepeatsBeforeRedraw = 59;

Command &add(Kind kind)
{
    Command c;
    std::memset(&c, 0, sizeof c);
    c.kind = kind;
    s_frame.commands.push_back(c);
    return s_frame.commands.back();
}

SDL_Color sdl_color(Color c) { return SDL_Color{c.r, c.g, c.b, c.a}; }

// The software renderer under a scale cuts each scaled rectangle's corner
// and size to whole pixels apart, which leaves a pixel's seam between
// rectangles that meet. Its rectangles are given as float rectangles whose
// scaled corner and size land just past whole pixels instead, so that each
// edge is its logical edge scaled and cut to a whole pixel, as that
// renderer cuts the corners of triangles (the rounded corners): rectangles
// and triangles that meet still meet. False (nothing drawn) when the renderer draws unscaled or on
// the GPU.
bool fill_scaled_rects(SDL_Renderer *r, const SDL_Rect *rects, int n)
{
    if (gl_software_surface() == nullptr) return false;
    float sx = 1.0f, sy = 1.0f;
    SDL_RenderGetScale(r, &sx, &sy);
    if ((sx == 1.0f && sy == 1.0f) || !(sx > 0.0f) || !(sy > 0.0f)) return false;
    static std::vector<SDL_FRect> snapped;  // grows to the largest list, then stays
    snapped.resize((size_t)n);
    for (int i = 0; i < n; i++) {
        const SDL_Rect &a = rects[i];
        const float x0 = std::floor(a.x * sx), x1 = std::floor((a.x + a.w) * sx);
        const float y0 = std::floor(a.y * sy), y1 = std::floor((a.y + a.h) * sy);
        snapped[(size_t)i] = SDL_FRect{(x0 + 0.25f) / sx, (y0 + 0.25f) / sy, std::max(x1 - x0, 1.0f) / sx + 0.25f / sx,
                                       std::max(y1 - y0, 1.0f) / sy + 0.25f / sy};
    }
    SDL_RenderFillRectsF(r, snapped.data(), n);
    return true;
}

void issue(SDL_Renderer *r, const FrameList &list, const Command &c)
{
    switch (c.kind) {
    case Kind::Clear:
        if (c.bars) {
            SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
            SDL_RenderClear(r);
            SDL_SetRenderDrawColor(r, c.color.r, c.color.g, c.color.b, c.color.a);
            SDL_RenderFillRect(r, nullptr);
        } else {
            SDL_SetRenderDrawColor(r, c.color.r, c.color.g, c.color.b, c.color.a);
            SDL_RenderClear(r);
        }
        break;
    case Kind::FillRects:
        SDL_SetRenderDrawColor(r, c.color.r, c.color.g, c.color.b, c.color.a);
        SDL_SetRenderDrawBlendMode(r, c.blend);
        if (!fill_scaled_rects(r, &list.rects[c.first], (int)c.count))
            SDL_RenderFillRects(r, &list.rects[c.first], (int)c.count);
        SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_BLEND);
        break;
    case Kind::Line:
        SDL_SetRenderDrawColor(r, c.color.r, c.color.g, c.color.b, c.color.a);
        SDL_RenderDrawLine(r, c.line[0], c.line[1], c.line[2], c.line[3]);
        break;
    case Kind::Geometry:
        SDL_RenderGeometry(r, c.texture, &list.vertices[c.first], (int)c.count,
                           c.indexCount ? &list.indices[c.firstIndex] : nullptr, (int)c.indexCount);
        break;
    case Kind::Copy:
        SDL_SetTextureColorMod(c.texture, c.color.r, c.color.g, c.color.b);
        SDL_SetTextureAlphaMod(c.texture, c.color.a);
        if (c.rotation == 0.0f) {
            SDL_RenderCopyF(r, c.texture, nullptr, &c.dst);
        } else {
            SDL_FPoint pivot{0.0f, 0.0f};
            SDL_RenderCopyExF(r, c.texture, nullptr, &c.dst, (double)c.rotation, &pivot, SDL_FLIP_NONE);
        }
        break;
    }
}

}  // namespace

void gl_record_clear(Color color, bool bars)
{
    Command &c = add(Kind::Clear);
    c.color = sdl_color(color);
    c.bars = bars ? 1 : 0;
}

void gl_record_fill_rects(const SDL_Rect *rects, int n, Color color, SDL_BlendMode blend)
{
    if (n <= 0) return;
    Command &c = add(Kind::FillRects);
    c.color = sdl_color(color);
    c.blend = blend;
    c.first = (unsigned)s_frame.rects.size();
    c.count = (unsigned)n;
    s_frame.rects.insert(s_frame.rects.end(), rects, rects + n);
}

void gl_record_line(int x0, int y0, int x1, int y1, Color color)
{
    Command &c = add(Kind::Line);
    c.color = sdl_color(color);
    c.line[0] = x0;
    c.line[1] = y0;
    c.line[2] = x1;
    c.line[3] = y1;
}

void gl_record_geometry(SDL_Texture *texture, const SDL_Vertex *vertices, int vertexCount, const int *indices,
                        int indexCount)
{
    if (vertexCount <= 0) return;
    Command &c = add(Kind::Geometry);
    c.texture = texture;
    c.first = (unsigned)s_frame.vertices.size();
    c.count = (unsigned)vertexCount;
    s_frame.vertices.insert(s_frame.vertices.end(), vertices, vertices + vertexCount);
    if (indices && indexCount > 0) {
        c.firstIndex = (unsigned)s_frame.indices.size();
        c.indexCount = (unsigned)indexCount;
        s_frame.indices.insert(s_frame.indices.end(), indices, indices + indexCount);
    }
}

void gl_record_copy(SDL_Texture *texture, const SDL_FRect &dst, Color tint, float rotation)
{
    Command &c = add(Kind::Copy);
    c.texture = texture;
    c.dst = dst;
    c.color = sdl_color(tint);
    c.rotation = rotation;
}

void gl_record_issue(bool direct)
{
    if (direct) s_direct = true;
    SDL_Renderer *r = gl_renderer();
    if (!r) return;
    for (; s_issued < s_frame.commands.size(); ++s_issued) issue(r, s_frame, s_frame.commands[s_issued]);
    SDL_RenderFlush(r);
}

bool gl_record_end_frame()
{
    // A repeated frame is still drawn once a second: should a system lose a
    // window's pixels without an event (a browser dropping a canvas's
    // buffer, a driver reset), the picture comes back within the second.
    const bool again =
        !s_stale && !s_direct && s_issued == 0 && s_repeats < kRepeatsBeforeRedraw && same(s_frame, s_shown);
    s_repeats = again ? s_repeats + 1 : 0;
    if (!again) {
        if (SDL_Renderer *r = gl_renderer())
            for (; s_issued < s_frame.commands.size(); ++s_issued) issue(r, s_frame, s_frame.commands[s_issued]);
        std::swap(s_frame, s_shown);
        s_presented++;
    }
    // A frame with pixels written outside the list cannot be told from
    // another by its list: the one after it is drawn whatever it holds.
    s_stale = s_direct;
    s_frame.clear();
    s_issued = 0;
    s_direct = false;
    return !again;
}

void gl_record_invalidate() { s_stale = true; }

void gl_record_reset()
{
    s_frame.clear();
    s_shown.clear();
    s_issued = 0;
    s_direct = false;
    s_stale = true;
    s_presented = 0;
    s_repeats = 0;
}

long FramesPresented() { return s_presented; }
