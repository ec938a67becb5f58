// SPDX-License-Identifier: MIT
// Helpers shared by the screen and drawing tests: colour comparison and the
// pixels of an area of the headless window read back.
#pragma once

#include <vector>

#include "gamelib.h"
#include "headless.h"

// The same colour, alpha aside: what the window shows is opaque.
inline bool same(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

// The pixels of `area` in the last frame, row by row.
inline std::vector<Color> grab(Rectangle area)
{
    std::vector<Color> px;
    for (int y = static_cast<int>(area.y); y < static_cast<int>(area.y + area.height); ++y) {
        for (int x = static_cast<int>(area.x); x < static_cast<int>(area.x + area.width); ++x) {
            px.push_back(HeadlessGetPixel(x, y));
        }
    }
    return px;
}

// How many pixels of the two grabs differ; -1 when their sizes do.
inline int differing(const std::vector<Color> &a, const std::vector<Color> &b)
{
    if (a.size() != b.size()) return -1;
    int n = 0;
    for (size_t i = 0; i < a.size(); ++i) n += same(a[i], b[i]) ? 0 : 1;
    return n;
}
