// SPDX-License-Identifier: MIT
// Rectangles, lines and rounded rectangles on the window's renderer.
//
// Shapes are snapped to whole pixels first (an edge at x covers the pixels
// whose centres lie past it, so x rounds to the nearest integer). A rounded
// rectangle is then three bands filled as rectangles plus four corner fans of
// `segments` triangles each; its outline is the four straight one-pixel sides
// plus four one-pixel arc strips. Bands, sides and corners meet on whole-pixel
// lines, so nothing is covered twice and a translucent shape blends evenly.
// Opaque colours fill without blending, which gives the same pixels faster.
//
// On SDL's software renderer the corner triangles are not handed to
// SDL_RenderGeometry, which blends every triangle through a scratch surface
// of its own. They are turned into row spans here instead, with the software
// rasteriser's own rules (vertices cut to whole pixels, pixel centres tested
// against integer edge functions, the top-left tie rule), and filled as
// rectangles: the same pixels, at a fraction of the cost. Other renderers
// get the triangles, so multisampling can smooth their edges.
// Vertices and spans come from static buffers: nothing is allocated per call.
#include <algorithm>
#include <climits>
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
constexpr int kMaxSpans = 4096;
SDL_Rect s_spans[kMaxSpans];

// The pixel edge nearest to a coordinate.
int pixel_edge(float v)
{
    if (v > kCoordLimit) v = kCoordLimit;
    if (v < -kCoordLimit) v = -kCoordLimit;
    return (int)std::floor(v + 0.5f);
}

// Fills rectangles in the current draw colour. An opaque colour needs no
// blending (a blend at alpha 255 gives exactly the colour), and the software
// renderer fills unblended rectangles many times faster.
void fill_rects(SDL_Renderer *r, const SDL_Rect *rects, int n, Color color)
{
    if (n <= 0 || !r) return;
    gl_record_fill_rects(rects, n, color, color.a == 255 ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND);
    gl_count_draw_call();
}

// --- triangles as spans, the software rasteriser's way ----------------------

// A vertex as the software renderer keeps it: cut to a whole pixel, in
// half-pixel units.
struct FixedPoint {
    long long x, y;
};

FixedPoint to_fixed(const SDL_Vertex &v)
{
    float x = v.position.x, y = v.position.y;
    x = x > kCoordLimit ? kCoordLimit : (x < -kCoordLimit ? -kCoordLimit : x);
    y = y > kCoordLimit ? kCoordLimit : (y < -kCoordLimit ? -kCoordLimit : y);
    return FixedPoint{(long long)(int)x * 2, (long long)(int)y * 2};
}

long long cross(const FixedPoint &a, const FixedPoint &b, long long cx, long long cy)
{
    return (b.x - a.x) * (cy - a.y) - (b.y - a.y) * (cx - a.x);
}

bool top_left(const FixedPoint &a, const FixedPoint &b, bool clockwise)
{
    if (clockwise) return (a.y == b.y && a.x < b.x) || b.y < a.y;
    return (a.y == b.y && b.x < a.x) || a.y < b.y;
}

// Smallest integer x with base + step * x >= 0, or the largest with it, as
// the sign of step says; an edge parallel to the row keeps all or nothing.
void clip_to_edge(long long base, long long step, long long *lo, long long *hi)
{
    if (step > 0) {
        long long n = -base;  // x >= n / step
        long long q = n >= 0 ? (n + step - 1) / step : -((-n) / step);
        if (q > *lo) *lo = q;
    } else if (step < 0) {
        long long d = -step;  // x <= base / d
        long long q = base >= 0 ? base / d : -((-base + d - 1) / d);
        if (q < *hi) *hi = q;
    } else if (base < 0) {
        *lo = 1;
        *hi = 0;
    }
}

// The pixels of row y that the software rasteriser fills for triangle
// (a, b, c), as [*x0, *x1]; false when none. Mirrors its loop: the bounding
// box of the cut vertices (right and bottom edges excluded), pixel centres,
// edge functions made positive inside, and a bias of -1 on edges that are not
// top or left.
bool triangle_row(const FixedPoint &a, const FixedPoint &b, const FixedPoint &c, int y, int width, int *x0, int *x1)
{
    long long area = cross(a, b, c.x, c.y);
    if (area == 0) return false;
    long long minx = std::min(a.x, std::min(b.x, c.x)), maxx = std::max(a.x, std::max(b.x, c.x));
    long long miny = std::min(a.y, std::min(b.y, c.y)), maxy = std::max(a.y, std::max(b.y, c.y));
    long long bx = minx >> 1, by = miny >> 1;
    long long bw = (maxx - minx) >> 1, bh = (maxy - miny) >> 1;
    if (y < by || y >= by + bh) return false;
    bool clockwise = area > 0;
    long long sign = clockwise ? 1 : -1;
    long long lo = std::max(bx, 0LL), hi = std::min(bx + bw, (long long)width) - 1;
    const long long py = 2LL * y + 1;
    const FixedPoint *edges[3][2] = {{&b, &c}, {&c, &a}, {&a, &b}};
    for (auto &e : edges) {
        const FixedPoint &p = *e[0], &q = *e[1];
        // cross(p, q, 2x + 1, py) = (q.x - p.x)(py - p.y) - (q.y - p.y)(2x + 1 - p.x)
        long long base = sign * ((q.x - p.x) * (py - p.y) - (q.y - p.y) * (1 - p.x));
        long long step = sign * (-(q.y - p.y) * 2);
        base += top_left(p, q, clockwise) ? 0 : -1;
        clip_to_edge(base, step, &lo, &hi);
        if (lo > hi) return false;
    }
    *x0 = (int)lo;
    *x1 = (int)hi;
    return true;
}

// Fills the triangles given by `indices` into `vertices` as row spans on the
// software target (`width` x `height`): per row, each triangle's span, merged
// where they touch. Flushes in batches when the span buffer fills.
void fill_triangles_as_spans(SDL_Renderer *r, const SDL_Vertex *vertices, int vertexCount, const int *indices,
                             int indexCount, int width, int height, Color color)
{
    constexpr int kMaxTriangles = 2 * kMaxSegments;
    constexpr int kMaxPoints = 4 * (2 * kCornerPoints + 1);
    static FixedPoint points[kMaxPoints];
    if (vertexCount > kMaxPoints) return;
    for (int i = 0; i < indexCount; i++)
        if (indices[i] < 0 || indices[i] >= vertexCount) return;
    for (int i = 0; i < vertexCount; i++) {
        // A vertex that is not a number has no pixel: nothing is drawn.
        if (std::isnan(vertices[i].position.x) || std::isnan(vertices[i].position.y)) return;
        points[i] = to_fixed(vertices[i]);
    }
    int n = 0;
    // Each corner's triangles are consecutive and share rows; take them a
    // corner at a time so a row's spans are found among few triangles.
    const int perCorner = indexCount / 4 > 0 && indexCount % 4 == 0 ? indexCount / 4 : indexCount;
    if (perCorner / 3 > kMaxTriangles) return;
    for (int first = 0; first < indexCount; first += perCorner) {
        const int *tri = indices + first;
        const int count = std::min(perCorner, indexCount - first) / 3;
        long long miny = LLONG_MAX, maxy = LLONG_MIN;
        for (int i = 0; i < count * 3; i++) {
            miny = std::min(miny, points[tri[i]].y);
            maxy = std::max(maxy, points[tri[i]].y);
        }
        int y0 = (int)std::max(miny >> 1, 0LL), y1 = (int)std::min((maxy >> 1) + 1, (long long)height);
        for (int y = y0; y < y1; y++) {
            int xs[kMaxTriangles][2];
            int m = 0;
            for (int t = 0; t < count; t++) {
                int a = 0, b = 0;
                if (triangle_row(points[tri[3 * t]], points[tri[3 * t + 1]], points[tri[3 * t + 2]], y, width, &a,
                                 &b)) {
                    xs[m][0] = a;
                    xs[m][1] = b;
                    m++;
                }
            }
            // Insertion sort by start, then merge runs that touch.
            for (int i = 1; i < m; i++)
                for (int j = i; j > 0 && xs[j][0] < xs[j - 1][0]; j--) std::swap(xs[j], xs[j - 1]);
            for (int i = 0; i < m;) {
                int a = xs[i][0], b = xs[i][1];
                for (i++; i < m && xs[i][0] <= b + 1; i++) b = std::max(b, xs[i][1]);
                if (n == kMaxSpans) {
                    fill_rects(r, s_spans, n, color);
                    n = 0;
                }
                s_spans[n++] = SDL_Rect{a, y, b - a + 1, 1};
            }
        }
    }
    fill_rects(r, s_spans, n, color);
}

// A rounded rectangle on whole pixels: [x0, x1) x [y0, y1), corner radius r.
struct PixelShape {
    int x0, y0, x1, y1, r;
};

// False when the rectangle covers no pixel (also for NaN sizes).
bool snap_shape(Rectangle rec, float roundness, PixelShape *out)
{
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
int corner_segments(float radius, int segments)
{
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

SDL_Vertex vertex(float x, float y, Color c)
{
    return SDL_Vertex{SDL_FPoint{x, y}, SDL_Color{c.r, c.g, c.b, c.a}, SDL_FPoint{0.0f, 0.0f}};
}

// Corner centres of a shape and the angle each arc starts at, clockwise on
// screen from the top-left corner.
void corner_centres(const PixelShape &s, float cx[4], float cy[4], float start[4])
{
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
SDL_Vertex *write_arc(SDL_Vertex *v, float cx, float cy, float start, float radius, int segments, Color c)
{
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

// Builds the four rounded corners of `s` into the shared vertex and index
// buffers, corner(v, idx, cx, cy, start) writing one corner from its centre
// and start angle and returning past what it wrote, then draws them as one
// list of triangles.
template <class Corner>
void draw_corners(const PixelShape &s, Color color, Corner corner)
{
    float cx[4], cy[4], start[4];
    corner_centres(s, cx, cy, start);
    SDL_Vertex *v = s_vertices;
    int *idx = s_indices;
    for (int c = 0; c < 4; c++) corner(v, idx, cx[c], cy[c], start[c]);
    gl_draw_triangles(s_vertices, (int)(v - s_vertices), s_indices, (int)(idx - s_indices), color);
}

void fill_shape(SDL_Renderer *r, const PixelShape &s, int segments, Color color)
{
    SDL_Rect bands[3];
    int n = 0;
    int w = s.x1 - s.x0, inner = w - 2 * s.r;
    if (s.r > 0 && inner > 0) {
        bands[n++] = SDL_Rect{s.x0 + s.r, s.y0, inner, s.r};
        bands[n++] = SDL_Rect{s.x0 + s.r, s.y1 - s.r, inner, s.r};
    }
    if (s.y1 - s.y0 - 2 * s.r > 0) bands[n++] = SDL_Rect{s.x0, s.y0 + s.r, w, s.y1 - s.y0 - 2 * s.r};
    fill_rects(r, bands, n, color);
    if (s.r <= 0) return;

    // A fan from each corner's centre round its arc.
    draw_corners(s, color, [&](SDL_Vertex *&v, int *&idx, float cx, float cy, float start) {
        int centre = (int)(v - s_vertices);
        *v++ = vertex(cx, cy, color);
        v = write_arc(v, cx, cy, start, (float)s.r, segments, color);
        for (int k = 0; k < segments; k++) {
            *idx++ = centre;
            *idx++ = centre + 1 + k;
            *idx++ = centre + 2 + k;
        }
    });
}

void outline_shape(SDL_Renderer *r, const PixelShape &s, int segments, Color color)
{
    // A shape two pixels thin or less is all outline.
    if (s.x1 - s.x0 <= 2 || s.y1 - s.y0 <= 2) {
        fill_shape(r, s, segments, color);
        return;
    }
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
    fill_rects(r, sides, n, color);
    if (s.r <= 0) return;

    // A one-pixel band between each corner's outer arc and the arc inside it.
    draw_corners(s, color, [&](SDL_Vertex *&v, int *&idx, float cx, float cy, float start) {
        int outer = (int)(v - s_vertices);
        v = write_arc(v, cx, cy, start, (float)s.r, segments, color);
        int inner = (int)(v - s_vertices);
        v = write_arc(v, cx, cy, start, (float)(s.r - 1), segments, color);
        for (int k = 0; k < segments; k++) {
            *idx++ = outer + k;
            *idx++ = outer + k + 1;
            *idx++ = inner + k + 1;
            *idx++ = outer + k;
            *idx++ = inner + k + 1;
            *idx++ = inner + k;
        }
    });
}

}  // namespace

void gl_draw_triangles(const SDL_Vertex *vertices, int vertexCount, const int *indices, int indexCount, Color color)
{
    SDL_Renderer *r = gl_renderer();
    if (!r || !vertices || !indices || indexCount < 3 || vertexCount <= 0) return;
    if (SDL_Surface *target = gl_software_target()) {
        fill_triangles_as_spans(r, vertices, vertexCount, indices, indexCount - indexCount % 3, target->w, target->h,
                                color);
        return;
    }
    gl_record_geometry(nullptr, vertices, vertexCount, indices, indexCount - indexCount % 3);
    gl_count_draw_call();
}

void DrawRectangle(int x, int y, int width, int height, Color color)
{
    if (width <= 0 || height <= 0) return;
    SDL_Renderer *r = gl_renderer();
    SDL_Rect rect{x, y, width, height};
    fill_rects(r, &rect, 1, color);
}

void DrawRectangleRec(Rectangle rec, Color color)
{
    SDL_Renderer *r = gl_renderer();
    PixelShape shape;
    if (!r || !snap_shape(rec, 0.0f, &shape)) return;
    fill_shape(r, shape, 4, color);
}

void DrawLine(int startX, int startY, int endX, int endY, Color color)
{
    if (!gl_renderer()) return;
    gl_record_line(startX, startY, endX, endY, color);
    gl_count_draw_call();
}

void DrawRectangleRounded(Rectangle rec, float roundness, int segments, Color color)
{
    SDL_Renderer *r = gl_renderer();
    PixelShape shape;
    if (!r || !snap_shape(rec, roundness, &shape)) return;
    fill_shape(r, shape, corner_segments((float)shape.r, segments), color);
}

void DrawRectangleRoundedLines(Rectangle rec, float roundness, int segments, Color color)
{
    SDL_Renderer *r = gl_renderer();
    PixelShape shape;
    if (!r || !snap_shape(rec, roundness, &shape)) return;
    outline_shape(r, shape, corner_segments((float)shape.r, segments), color);
}
