// SPDX-License-Identifier: MIT
// Rectangles, lines and rounded rectangles, checked pixel by pixel against the
// geometry they should cover.
#include <cmath>
#include <initializer_list>
#include <vector>

#include "gamelib_internal.h"
#include "gl_fixture.h"

namespace {

constexpr Color kBlack{0, 0, 0, 255};
constexpr Color kWhite{255, 255, 255, 255};
constexpr Color kBlue{0, 0, 255, 255};
constexpr float kPi = 3.14159265358979f;

using Shapes = HeadlessWindow;

enum class Where { Inside, Outside, Unsure };

// Where the centre of pixel (px, py) lies relative to the rounded rectangle
// with corner radius r and `segments` chords per corner, by at least `margin`.
// Corner arcs are the inscribed polygon: its edge is the chord, not the circle.
Where classify(Rectangle rc, float r, int segments, int px, int py, float margin)
{
    float x = (float)px + 0.5f;
    float y = (float)py + 0.5f;
    float cx = NAN, cy = NAN;
    if (x < rc.x + r) cx = rc.x + r;
    if (x > rc.x + rc.width - r) cx = rc.x + rc.width - r;
    if (y < rc.y + r) cy = rc.y + r;
    if (y > rc.y + rc.height - r) cy = rc.y + rc.height - r;
    if (r > 0.0f && !std::isnan(cx) && !std::isnan(cy)) {
        float dx = x - cx, dy = y - cy;
        float d = std::sqrt(dx * dx + dy * dy);
        // Angle within the corner's quarter, measured from its first chord end.
        float phi = std::atan2(dy, dx);
        float step = 0.5f * kPi / (float)segments;
        float local = std::fmod(phi + 4.0f * kPi, 0.5f * kPi);
        float mid = (std::floor(local / step) + 0.5f) * step;
        float boundary = r * std::cos(step / 2.0f) / std::cos(local - mid);
        if (d < boundary - margin) return Where::Inside;
        if (d > boundary + margin) return Where::Outside;
        return Where::Unsure;
    }
    float m = std::fmin(std::fmin(x - rc.x, rc.x + rc.width - x), std::fmin(y - rc.y, rc.y + rc.height - y));
    if (m > margin) return Where::Inside;
    if (m < -margin) return Where::Outside;
    return Where::Unsure;
}

struct Probe {
    int inside = 0;
    int outside = 0;
    int cornerOutside = 0;  // outside the shape but within its bounding box
};

// Checks every pixel around `rc`: inside ones must be `fill` (each channel
// within `tolerance`), outside ones the background. Returns how many of each
// were checked.
Probe check_filled(Rectangle rc, float r, int segments, Color fill, Color background, int tolerance = 0)
{
    Probe p;
    for (int y = (int)rc.y - 3; y < (int)(rc.y + rc.height) + 3; y++) {
        for (int x = (int)rc.x - 3; x < (int)(rc.x + rc.width) + 3; x++) {
            Where w = classify(rc, r, segments, x, y, 1.5f);
            if (w == Where::Unsure) continue;
            Color got = HeadlessGetPixel(x, y);
            if (w == Where::Inside) {
                p.inside++;
                EXPECT_TRUE(near_color(got, fill, tolerance))
                    << "inside pixel " << x << "," << y << " is " << ::testing::PrintToString(got);
            } else {
                p.outside++;
                if (x >= rc.x && x < rc.x + rc.width && y >= rc.y && y < rc.y + rc.height) p.cornerOutside++;
                EXPECT_EQ(got, background) << "outside pixel " << x << "," << y;
            }
            if (::testing::Test::HasFailure()) return p;
        }
    }
    return p;
}

// Each listed pixel holds exactly its colour.
struct PixelIs {
    int x, y;
    Color color;
};

void expect_pixels(std::initializer_list<PixelIs> pixels)
{
    for (const PixelIs &p : pixels) EXPECT_EQ(HeadlessGetPixel(p.x, p.y), p.color) << "pixel " << p.x << "," << p.y;
}

}  // namespace

TEST_F(Shapes, RectangleCoversExactlyItsPixels)
{
    run_frame(kBlack, [] { DrawRectangle(10, 20, 30, 40, kWhite); });
    expect_pixels(
        {{10, 20, kWhite}, {39, 59, kWhite}, {9, 20, kBlack}, {40, 20, kBlack}, {10, 19, kBlack}, {10, 60, kBlack}});

    run_frame(kBlack, [] { DrawRectangleRec(Rectangle{100, 100, 20, 10}, kWhite); });
    expect_pixels({{100, 100, kWhite}, {119, 109, kWhite}, {120, 105, kBlack}, {110, 110, kBlack}});
}

TEST_F(Shapes, ColoursBlendWithAlpha)
{
    run_frame(kBlue, [] {
        DrawRectangle(0, 0, 100, 100, Color{255, 0, 0, 128});
        // Two translucent layers blend twice where they overlap.
        DrawRectangle(200, 0, 50, 50, Color{255, 255, 255, 128});
        DrawRectangle(200, 0, 50, 50, Color{255, 255, 255, 128});
        // A fully transparent colour changes nothing.
        DrawRectangle(300, 0, 50, 50, Color{255, 255, 255, 0});
    });
    EXPECT_TRUE(near_color(HeadlessGetPixel(50, 50), Color{128, 0, 127, 255}, 1))
        << ::testing::PrintToString(HeadlessGetPixel(50, 50));
    // 255 over blue at 50%: (128, 128, 255); again: (191, 191, 255).
    EXPECT_TRUE(near_color(HeadlessGetPixel(225, 25), Color{191, 191, 255, 255}, 2))
        << ::testing::PrintToString(HeadlessGetPixel(225, 25));
    EXPECT_EQ(HeadlessGetPixel(325, 25), kBlue);
}

TEST_F(Shapes, LinesCoverTheirPixelsOnce)
{
    const Color grey{255, 255, 255, 100};
    run_frame(kBlack, [&] {
        DrawLine(10, 5, 60, 5, kWhite);
        DrawLine(100, 0, 100, 639, grey);  // a grid line the height of the window
    });
    for (int x = 10; x <= 60; x++) EXPECT_EQ(HeadlessGetPixel(x, 5), kWhite) << x;
    expect_pixels({{61, 5, kBlack}, {30, 4, kBlack}, {30, 6, kBlack}});
    // Every pixel of a translucent line is blended exactly once.
    Color first = HeadlessGetPixel(100, 0);
    EXPECT_TRUE(near_color(first, Color{100, 100, 100, 255}, 1)) << ::testing::PrintToString(first);
    for (int y = 0; y < 640; y++) ASSERT_EQ(HeadlessGetPixel(100, y), first) << y;
    expect_pixels({{99, 320, kBlack}, {101, 320, kBlack}});
}

// Corner radius is roundness * min(w, h) / 2 and each corner has `segments`
// chords: every pixel clearly inside or outside that shape is checked.
TEST_F(Shapes, RoundedRectangleFollowsRoundnessAndSegments)
{
    struct Case {
        Rectangle rc;
        float roundness;
        int segments;
    };
    const Case cases[] = {
        {{100, 100, 300, 60}, 0.25f, 8},  // the game's buttons
        {{100, 100, 200, 100}, 0.5f, 4},
        {{100, 100, 120, 300}, 1.0f, 16},  // tall: radius from the width
        {{50, 50, 860, 540}, 0.3f, 6},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << "roundness " << c.roundness << " segments " << c.segments);
        run_frame(kBlack, [&] { DrawRectangleRounded(c.rc, c.roundness, c.segments, kWhite); });
        float r = c.roundness * std::fmin(c.rc.width, c.rc.height) / 2.0f;
        Probe p = check_filled(c.rc, r, c.segments, kWhite, kBlack);
        EXPECT_GT(p.inside, 1000);
        EXPECT_GT(p.cornerOutside, 4) << "the corners must be cut";
        if (HasFailure()) return;
    }
}

TEST_F(Shapes, SegmentCountShapesTheCorner)
{
    // Radius 280: four chords fall 5 px short of the circle mid-chord, 32 do not.
    const Rectangle rc{40, 40, 880, 560};
    run_frame(kBlack, [&] { DrawRectangleRounded(rc, 1.0f, 4, kWhite); });
    EXPECT_EQ(HeadlessGetPixel(47, 265), kBlack);
    check_filled(rc, 280.0f, 4, kWhite, kBlack);
    run_frame(kBlack, [&] { DrawRectangleRounded(rc, 1.0f, 32, kWhite); });
    EXPECT_EQ(HeadlessGetPixel(47, 265), kWhite);
    check_filled(rc, 280.0f, 32, kWhite, kBlack);
}

TEST_F(Shapes, RoundedRectangleEdgeCases)
{
    // No roundness: a plain rectangle with square corners.
    run_frame(kBlack, [] { DrawRectangleRounded(Rectangle{10, 10, 100, 50}, 0.0f, 8, kWhite); });
    expect_pixels({{10, 10, kWhite}, {109, 59, kWhite}});

    // Roundness above 1 is the same shape as 1.
    const Rectangle rc{100, 100, 200, 100};
    run_frame(kBlack, [&] { DrawRectangleRounded(rc, 3.0f, 8, kWhite); });
    check_filled(rc, 50.0f, 8, kWhite, kBlack);

    // Too few segments picks enough for a smooth arc, never fewer than 4.
    run_frame(kBlack, [&] { DrawRectangleRounded(rc, 1.0f, 0, kWhite); });
    expect_pixels({{101, 101, kBlack}, {150, 150, kWhite}});

    // Empty, negative and NaN sizes draw nothing; a huge segment count is capped.
    run_frame(kBlack, [] {
        DrawRectangleRounded(Rectangle{10, 10, 0, 50}, 0.5f, 8, kWhite);
        DrawRectangleRounded(Rectangle{10, 10, -50, 50}, 0.5f, 8, kWhite);
        DrawRectangleRounded(Rectangle{10, 10, NAN, 50}, 0.5f, 8, kWhite);
        DrawRectangleRoundedLines(Rectangle{10, 10, 50, -5}, 0.5f, 8, kWhite);
        DrawRectangleRounded(Rectangle{200, 10, 50, 50}, NAN, 8, kWhite);
        DrawRectangle(10, 10, -5, 5, kWhite);
    });
    expect_pixels({{12, 12, kBlack}, {30, 30, kBlack}, {200, 10, kWhite}});  // NaN roundness: square corners
    run_frame(kBlack, [&] { DrawRectangleRounded(rc, 0.5f, 100000, kWhite); });
    EXPECT_EQ(HeadlessGetPixel(200, 150), kWhite);
}

TEST_F(Shapes, TranslucentRoundedShapesBlendEvenly)
{
    // The body is bands and corner triangles; where they meet nothing may be
    // blended twice. (The software renderer's rectangle and triangle blenders
    // round differently, by at most one level.)
    const Color red{255, 0, 0, 128};
    for (Rectangle rc : {Rectangle{100, 100, 300, 120}, Rectangle{100.4f, 99.6f, 300.3f, 119.5f}}) {
        SCOPED_TRACE(::testing::Message() << "x " << rc.x);
        run_frame(kBlue, [&] { DrawRectangleRounded(rc, 0.5f, 8, red); });
        check_filled(rc, 30.0f, 8, Color{128, 0, 127, 255}, kBlue, 1);
    }

    // The outline alone: every pixel it touches is blended exactly once.
    const Color single{128, 128, 128, 255};
    for (int segments : {4, 8, 20}) {
        SCOPED_TRACE(::testing::Message() << "segments " << segments);
        run_frame(kBlack, [&] {
            DrawRectangleRoundedLines(Rectangle{100, 100, 300, 120}, 0.5f, segments, Color{255, 255, 255, 128});
        });
        int lit = 0;
        for (int y = 95; y < 225; y++)
            for (int x = 95; x < 405; x++) {
                Color c = HeadlessGetPixel(x, y);
                if (c == kBlack) continue;
                lit++;
                ASSERT_TRUE(near_color(c, single, 1)) << x << "," << y << " " << ::testing::PrintToString(c);
            }
        EXPECT_GT(lit, 700);
    }
}

TEST_F(Shapes, RoundedOutlineIsOnePixelInsideTheEdge)
{
    const Color body{40, 40, 80, 255};
    const Color line{90, 200, 255, 255};
    const Rectangle rc{100, 100, 300, 80};
    const float r = 0.25f * 80.0f / 2.0f;
    run_frame(kBlack, [&] {
        DrawRectangleRounded(rc, 0.25f, 8, body);
        DrawRectangleRoundedLines(rc, 0.25f, 8, line);
    });
    // Straight sides: the outermost row/column of the shape is the line.
    expect_pixels({
        {100, 140, line},
        {101, 140, body},
        {99, 140, kBlack},  // left
        {399, 140, line},
        {398, 140, body},
        {400, 140, kBlack},  // right
        {250, 100, line},
        {250, 101, body},  // top
        {250, 179, line},
        {250, 178, body},  // bottom
    });

    // The outline alone: nothing inside it, nothing outside the shape, and
    // about one pixel per unit of perimeter.
    run_frame(kBlack, [&] { DrawRectangleRoundedLines(rc, 0.25f, 8, kWhite); });
    const Rectangle inner{rc.x + 1, rc.y + 1, rc.width - 2, rc.height - 2};
    int lit = 0;
    for (int y = 95; y < 185; y++) {
        for (int x = 95; x < 405; x++) {
            Color c = HeadlessGetPixel(x, y);
            if (c == kWhite) lit++;
            if (classify(rc, r, 8, x, y, 1.5f) == Where::Outside ||
                classify(inner, r - 1.0f, 8, x, y, 1.5f) == Where::Inside) {
                ASSERT_EQ(c, kBlack) << x << "," << y;
            }
        }
    }
    float perimeter = 2.0f * (rc.width + rc.height) - (8.0f - 2.0f * kPi) * r;
    EXPECT_GT(lit, perimeter * 0.9f);
    EXPECT_LT(lit, perimeter * 1.1f);
}

TEST_F(Shapes, SubmissionsAreCounted)
{
    run_frame(kBlack, [] {
        DrawRectangle(0, 0, 10, 10, kWhite);
        DrawLine(0, 0, 10, 10, kWhite);
        DrawRectangleRounded(Rectangle{10, 10, 100, 50}, 0.25f, 8, kWhite);
        DrawRectangleRoundedLines(Rectangle{10, 10, 100, 50}, 0.25f, 8, kWhite);
    });
    // The clear, a rectangle, a line, and two each (sides and corners) for the
    // rounded shapes.
    EXPECT_EQ(HeadlessDrawCallsLastFrame(), 7);
}
