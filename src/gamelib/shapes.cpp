// Rectangles, lines and rounded rectangles on the window's renderer.
//
// A rounded rectangle is one convex polygon: four arcs of `segments` chords
// each, joined by the straight sides. The body is a triangle fan from its
// centre and the outline a one-pixel ring just inside its edge, each sent as a
// single SDL_RenderGeometry call from static buffers (nothing is allocated
// per call). SDL's rasteriser fills shared triangle edges once, so a
// translucent shape blends evenly.
#include <cmath>

#include "gamelib_internal.h"

namespace {

constexpr int kMaxSegments = 64;
constexpr int kMaxOutline = 4 * (kMaxSegments + 1);
constexpr float kPi = 3.14159265358979f;

SDL_FPoint s_outer[kMaxOutline];
SDL_FPoint s_inner[kMaxOutline];
SDL_Vertex s_vertices[2 * kMaxOutline + 1];
int s_indices[6 * kMaxOutline];

SDL_Renderer *renderer_with_color(Color c) {
    SDL_Renderer *r = gl_renderer();
    if (r) SDL_SetRenderDrawColor(r, c.r, c.g, c.b, c.a);
    return r;
}

// Fewer than 4 segments asks for a count that keeps each chord within half a
// pixel of the true arc.
int corner_segments(float radius, int segments) {
    if (segments < 4) {
        segments = 4;
        if (radius > 1.0f) {
            float th = std::acos(2.0f * std::pow(1.0f - 0.5f / radius, 2.0f) - 1.0f);
            if (th > 0.0f) segments = (int)(std::ceil(2.0f * kPi / th) / 4.0f);
        }
        if (segments < 4) segments = 4;
    }
    return segments > kMaxSegments ? kMaxSegments : segments;
}

// Writes the outline of the rounded rectangle (x, y, w, h) with corner radius
// r, clockwise on screen from the left end of the top-left arc. Returns the
// number of points: 4 * (segments + 1).
int rounded_outline(SDL_FPoint *out, float x, float y, float w, float h, float r, int segments) {
    const float cx[4] = {x + r, x + w - r, x + w - r, x + r};
    const float cy[4] = {y + r, y + r, y + h - r, y + h - r};
    int n = 0;
    for (int corner = 0; corner < 4; corner++) {
        float start = kPi * (1.0f + 0.5f * (float)corner);  // 180, 270, 360, 450 degrees
        for (int k = 0; k <= segments; k++) {
            float a = start + 0.5f * kPi * (float)k / (float)segments;
            out[n++] = SDL_FPoint{cx[corner] + r * std::cos(a), cy[corner] + r * std::sin(a)};
        }
    }
    return n;
}

SDL_Vertex vertex(SDL_FPoint p, Color c) {
    return SDL_Vertex{p, SDL_Color{c.r, c.g, c.b, c.a}, SDL_FPoint{0.0f, 0.0f}};
}

float corner_radius(Rectangle rec, float roundness) {
    if (roundness > 1.0f) roundness = 1.0f;
    float shorter = rec.width < rec.height ? rec.width : rec.height;
    return roundness * shorter / 2.0f;
}

void fill_rounded(SDL_Renderer *r, Rectangle rec, float radius, int segments, Color color) {
    int n = rounded_outline(s_outer, rec.x, rec.y, rec.width, rec.height, radius, segments);
    s_vertices[0] = vertex(SDL_FPoint{rec.x + rec.width / 2.0f, rec.y + rec.height / 2.0f}, color);
    for (int i = 0; i < n; i++) {
        s_vertices[i + 1] = vertex(s_outer[i], color);
        s_indices[3 * i] = 0;
        s_indices[3 * i + 1] = i + 1;
        s_indices[3 * i + 2] = (i + 1) % n + 1;
    }
    SDL_RenderGeometry(r, nullptr, s_vertices, n + 1, s_indices, 3 * n);
    gl_count_draw_call();
}

}  // namespace

void DrawRectangle(int x, int y, int width, int height, Color color) {
    if (width <= 0 || height <= 0) return;
    SDL_Renderer *r = renderer_with_color(color);
    if (!r) return;
    SDL_Rect rect{x, y, width, height};
    SDL_RenderFillRect(r, &rect);
    gl_count_draw_call();
}

void DrawRectangleRec(Rectangle rec, Color color) {
    if (!(rec.width > 0.0f) || !(rec.height > 0.0f)) return;
    SDL_Renderer *r = renderer_with_color(color);
    if (!r) return;
    SDL_FRect rect{rec.x, rec.y, rec.width, rec.height};
    SDL_RenderFillRectF(r, &rect);
    gl_count_draw_call();
}

void DrawLine(int startX, int startY, int endX, int endY, Color color) {
    SDL_Renderer *r = renderer_with_color(color);
    if (!r) return;
    SDL_RenderDrawLine(r, startX, startY, endX, endY);
    gl_count_draw_call();
}

void DrawRectangleRounded(Rectangle rec, float roundness, int segments, Color color) {
    if (!(rec.width >= 1.0f) || !(rec.height >= 1.0f)) return;
    if (!(roundness > 0.0f)) {
        DrawRectangleRec(rec, color);
        return;
    }
    SDL_Renderer *r = gl_renderer();
    if (!r) return;
    float radius = corner_radius(rec, roundness);
    fill_rounded(r, rec, radius, corner_segments(radius, segments), color);
}

void DrawRectangleRoundedLines(Rectangle rec, float roundness, int segments, Color color) {
    if (!(rec.width >= 1.0f) || !(rec.height >= 1.0f)) return;
    SDL_Renderer *r = gl_renderer();
    if (!r) return;
    float radius = roundness > 0.0f ? corner_radius(rec, roundness) : 0.0f;
    int segs = corner_segments(radius, segments);
    // A shape two pixels thin or less is all outline.
    if (rec.width <= 2.0f || rec.height <= 2.0f) {
        fill_rounded(r, rec, radius, segs, color);
        return;
    }
    float innerRadius = radius > 1.0f ? radius - 1.0f : 0.0f;
    int n = rounded_outline(s_outer, rec.x, rec.y, rec.width, rec.height, radius, segs);
    rounded_outline(s_inner, rec.x + 1.0f, rec.y + 1.0f, rec.width - 2.0f, rec.height - 2.0f, innerRadius, segs);
    for (int i = 0; i < n; i++) {
        s_vertices[i] = vertex(s_outer[i], color);
        s_vertices[n + i] = vertex(s_inner[i], color);
        int next = (i + 1) % n;
        int *tri = s_indices + 6 * i;
        tri[0] = i;
        tri[1] = next;
        tri[2] = n + next;
        tri[3] = i;
        tri[4] = n + next;
        tri[5] = n + i;
    }
    SDL_RenderGeometry(r, nullptr, s_vertices, 2 * n, s_indices, 6 * n);
    gl_count_draw_call();
}
