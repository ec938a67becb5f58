// Rectangles, lines and rounded rectangles on the window's renderer.
//
// Shapes are snapped to whole pixels first (an edge at x covers the pixels
// whose centres lie past it, so x rounds to the nearest integer). A rounded
// rectangle is then three bands filled as rectangles plus four corner fans of
// `segments` triangles each; its outline is the four straight one-pixel sides
// plus four one-pixel arc strips. Bands, sides and corners meet on whole-pixel
// lines, so nothing is covered twice and a translucent shape blends evenly.
// Splitting it this way also keeps the software renderer fast: it blends each
// triangle through a scratch surface the size of the triangle's bounding box,
// so one big fan from the centre would cost ten times the shape's area.
// Vertices come from static buffers: nothing is allocated per call.
#include <cmath>

#include "gamelib_internal.h"

namespace {

constexpr int kMaxSegments = 64;
constexpr int kCornerPoints = kMaxSegments + 1;
constexpr float kPi = 3.14159265358979f;
// Coordinates beyond this are clamped before they become integers.
constexpr float kCoordLimit = 1.0e6f;

SDL_Vertex s_vertices[4 * (2 * kCornerPoints + 1)];
int s_indices[4 * 6 * kMaxSegments];

SDL_Renderer *renderer_with_color(Color c) {
    SDL_Renderer *r = gl_renderer();
    if (r) SDL_SetRenderDrawColor(r, c.r, c.g, c.b, c.a);
    return r;
}

// The pixel edge nearest to a coordinate.
int pixel_edge(float v) {
    if (v > kCoordLimit) v = kCoordLimit;
    if (v < -kCoordLimit) v = -kCoordLimit;
    return (int)std::floor(v + 0.5f);
}

// A rounded rectangle on whole pixels: [x0, x1) x [y0, y1), corner radius r.
struct PixelShape {
    int x0, y0, x1, y1, r;
};

// False when the rectangle covers no pixel (also for NaN sizes).
bool snap_shape(Rectangle rec, float roundness, PixelShape *out) {
    if (!(rec.width > 0.0f) || !(rec.height > 0.0f) || !std::isfinite(rec.x) || !std::isfinite(rec.y)) return false;
    PixelShape s;
    s.x0 = pixel_edge(rec.x);
    s.y0 = pixel_edge(rec.y);
    s.x1 = pixel_edge(rec.x + rec.width);
    s.y1 = pixel_edge(rec.y + rec.height);
    if (s.x1 <= s.x0 || s.y1 <= s.y0) return false;
    s.r = 0;
    if (roundness > 0.0f) {
        if (roundness > 1.0f) roundness = 1.0f;
        float shorter = rec.width < rec.height ? rec.width : rec.height;
        s.r = pixel_edge(roundness * shorter / 2.0f);
        int w = s.x1 - s.x0, h = s.y1 - s.y0;
        int most = (w < h ? w : h) / 2;
        if (s.r > most) s.r = most;
    }
    *out = s;
    return true;
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

SDL_Vertex vertex(float x, float y, Color c) {
    return SDL_Vertex{SDL_FPoint{x, y}, SDL_Color{c.r, c.g, c.b, c.a}, SDL_FPoint{0.0f, 0.0f}};
}

// Corner centres of a shape and the angle each arc starts at, clockwise on
// screen from the top-left corner.
void corner_centres(const PixelShape &s, float cx[4], float cy[4], float start[4]) {
    const int xs[4] = {s.x0 + s.r, s.x1 - s.r, s.x1 - s.r, s.x0 + s.r};
    const int ys[4] = {s.y0 + s.r, s.y0 + s.r, s.y1 - s.r, s.y1 - s.r};
    for (int i = 0; i < 4; i++) {
        cx[i] = (float)xs[i];
        cy[i] = (float)ys[i];
        start[i] = kPi * (1.0f + 0.5f * (float)i);  // 180, 270, 360, 450 degrees
    }
}

// Writes the arc of radius `radius` around (cx, cy) from angle `start` over a
// quarter turn: segments + 1 vertices, both ends exactly on the axes so they
// meet the bands on whole-pixel lines.
SDL_Vertex *write_arc(SDL_Vertex *v, float cx, float cy, float start, float radius, int segments, Color c) {
    for (int k = 0; k <= segments; k++) {
        float a = start + 0.5f * kPi * (float)k / (float)segments;
        float dx = radius * std::cos(a), dy = radius * std::sin(a);
        if (k == 0 || k == segments) {  // axis-aligned ends: no rounding drift
            dx = std::round(dx);
            dy = std::round(dy);
        }
        *v++ = vertex(cx + dx, cy + dy, c);
    }
    return v;
}

void fill_shape(SDL_Renderer *r, const PixelShape &s, int segments, Color color) {
    SDL_SetRenderDrawColor(r, color.r, color.g, color.b, color.a);
    SDL_Rect bands[3];
    int n = 0;
    int w = s.x1 - s.x0, inner = w - 2 * s.r;
    if (s.r > 0 && inner > 0) {
        bands[n++] = SDL_Rect{s.x0 + s.r, s.y0, inner, s.r};
        bands[n++] = SDL_Rect{s.x0 + s.r, s.y1 - s.r, inner, s.r};
    }
    if (s.y1 - s.y0 - 2 * s.r > 0) bands[n++] = SDL_Rect{s.x0, s.y0 + s.r, w, s.y1 - s.y0 - 2 * s.r};
    if (n > 0) {
        SDL_RenderFillRects(r, bands, n);
        gl_count_draw_call();
    }
    if (s.r <= 0) return;

    float cx[4], cy[4], start[4];
    corner_centres(s, cx, cy, start);
    SDL_Vertex *v = s_vertices;
    int *idx = s_indices;
    for (int c = 0; c < 4; c++) {
        int centre = (int)(v - s_vertices);
        *v++ = vertex(cx[c], cy[c], color);
        v = write_arc(v, cx[c], cy[c], start[c], (float)s.r, segments, color);
        for (int k = 0; k < segments; k++) {
            *idx++ = centre;
            *idx++ = centre + 1 + k;
            *idx++ = centre + 2 + k;
        }
    }
    SDL_RenderGeometry(r, nullptr, s_vertices, (int)(v - s_vertices), s_indices, (int)(idx - s_indices));
    gl_count_draw_call();
}

void outline_shape(SDL_Renderer *r, const PixelShape &s, int segments, Color color) {
    // A shape two pixels thin or less is all outline.
    if (s.x1 - s.x0 <= 2 || s.y1 - s.y0 <= 2) {
        fill_shape(r, s, segments, color);
        return;
    }
    SDL_SetRenderDrawColor(r, color.r, color.g, color.b, color.a);
    SDL_Rect sides[4];
    int n = 0;
    int left = s.x0 + s.r, right = s.x1 - s.r;
    if (right > left) {
        sides[n++] = SDL_Rect{left, s.y0, right - left, 1};
        sides[n++] = SDL_Rect{left, s.y1 - 1, right - left, 1};
    }
    // The columns stop short of the rows where the corners are square.
    int top = s.y0 + (s.r > 0 ? s.r : 1), bottom = s.y1 - (s.r > 0 ? s.r : 1);
    if (bottom > top) {
        sides[n++] = SDL_Rect{s.x0, top, 1, bottom - top};
        sides[n++] = SDL_Rect{s.x1 - 1, top, 1, bottom - top};
    }
    if (n > 0) {
        SDL_RenderFillRects(r, sides, n);
        gl_count_draw_call();
    }
    if (s.r <= 0) return;

    float cx[4], cy[4], start[4];
    corner_centres(s, cx, cy, start);
    SDL_Vertex *v = s_vertices;
    int *idx = s_indices;
    for (int c = 0; c < 4; c++) {
        int outer = (int)(v - s_vertices);
        v = write_arc(v, cx[c], cy[c], start[c], (float)s.r, segments, color);
        int inner = (int)(v - s_vertices);
        v = write_arc(v, cx[c], cy[c], start[c], (float)(s.r - 1), segments, color);
        for (int k = 0; k < segments; k++) {
            *idx++ = outer + k;
            *idx++ = outer + k + 1;
            *idx++ = inner + k + 1;
            *idx++ = outer + k;
            *idx++ = inner + k + 1;
            *idx++ = inner + k;
        }
    }
    SDL_RenderGeometry(r, nullptr, s_vertices, (int)(v - s_vertices), s_indices, (int)(idx - s_indices));
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
    SDL_Renderer *r = gl_renderer();
    PixelShape shape;
    if (!r || !snap_shape(rec, 0.0f, &shape)) return;
    fill_shape(r, shape, 4, color);
}

void DrawLine(int startX, int startY, int endX, int endY, Color color) {
    SDL_Renderer *r = renderer_with_color(color);
    if (!r) return;
    SDL_RenderDrawLine(r, startX, startY, endX, endY);
    gl_count_draw_call();
}

void DrawRectangleRounded(Rectangle rec, float roundness, int segments, Color color) {
    SDL_Renderer *r = gl_renderer();
    PixelShape shape;
    if (!r || !snap_shape(rec, roundness, &shape)) return;
    fill_shape(r, shape, corner_segments((float)shape.r, segments), color);
}

void DrawRectangleRoundedLines(Rectangle rec, float roundness, int segments, Color color) {
    SDL_Renderer *r = gl_renderer();
    PixelShape shape;
    if (!r || !snap_shape(rec, roundness, &shape)) return;
    outline_shape(r, shape, corner_segments((float)shape.r, segments), color);
}
