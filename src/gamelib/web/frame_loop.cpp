// SPDX-License-Identifier: MIT
// The browser's frame loop. The browser owns the loop: nothing on the page's
// thread may block, so the game's frame is a callback of the page's animation
// frames (emscripten_set_main_loop), and EndDrawing never sleeps.
//
// Animation frames come at the display's rate (60, 120, 144 Hz...). A game
// frame runs when one is due on a grid of the target rate, so the game keeps
// 60 frames per second on any display; a frame more than a period late
// restarts the grid rather than running twice to catch up.
//
// The loop never stops: a page cannot close its tab, so the close requests
// of the desktop (Escape, the close box) end nothing here, and the browser's
// own Escape (leaving full screen) stays the browser's.
//
// Before each game frame the canvas's backing store is matched to the size
// the page shows it at, in device pixels: its CSS size times the device
// pixel ratio, rounded. That follows resizes, rotations and zooming (which
// changes the ratio) without any event of its own. The game's window takes
// that size, so its renderer's logical size scales the 960 x 640 picture to
// the device's pixels and SDL maps the mouse and touches back into it.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>

#include "gamelib_internal.h"

namespace {

// The backing store's bound: no side beyond what WebGL draws on common
// hardware, and a ratio no browser reports for a real screen.
constexpr int kMaxCanvasSide = 4096;
constexpr double kMaxPixelRatio = 8.0;

// The backing store's size for the canvas as the page shows it now; false
// when the page does not show it (no layout yet, or hidden).
bool wanted_backing_store(int *w, int *h)
{
    double cssW = 0.0, cssH = 0.0;
    if (emscripten_get_element_css_size("#canvas", &cssW, &cssH) != EMSCRIPTEN_RESULT_SUCCESS) return false;
    if (!(cssW >= 1.0) || !(cssH >= 1.0) || !std::isfinite(cssW) || !std::isfinite(cssH)) return false;
    double ratio = emscripten_get_device_pixel_ratio();
    if (!(ratio > 0.0) || !std::isfinite(ratio)) ratio = 1.0;
    ratio = std::min(ratio, kMaxPixelRatio);
    *w = (int)std::clamp(std::lround(cssW * ratio), 1L, (long)kMaxCanvasSide);
    *h = (int)std::clamp(std::lround(cssH * ratio), 1L, (long)kMaxCanvasSide);
    return true;
}

void sync_backing_store()
{
    SDL_Window *window = gl_window();
    int w = 0, h = 0;
    if (window == nullptr || !wanted_backing_store(&w, &h)) return;
    int shownW = 0, shownH = 0;
    SDL_GetWindowSize(window, &shownW, &shownH);
    // SDL sizes the canvas element to the window (its pixel ratio is 1: the
    // size given is already in device pixels) and tells the renderer, whose
    // logical size then scales to it; the window event redraws the frame.
    if (w != shownW || h != shownH) SDL_SetWindowSize(window, w, h);
}

void (*s_frame)() = nullptr;
double s_nextDueMs = 0.0;

void on_animation_frame()
{
    const double now = emscripten_get_now();
    const float fps = gl_target_fps();
    if (fps > 0.0f) {
        const double period = 1000.0 / fps;
        // Animation frames arrive a little early or late; half a millisecond
        // of slack keeps a 60 Hz display from skipping every other frame.
        if (s_nextDueMs > 0.0 && now + 0.5 < s_nextDueMs) return;
        const bool restart = s_nextDueMs == 0.0 || now > s_nextDueMs + period;
        s_nextDueMs = restart ? now + period : s_nextDueMs + period;
    }
    sync_backing_store();
    s_frame();
}

}  // namespace

void gl_pacing_reset(Uint64) { s_nextDueMs = 0.0; }

Uint64 gl_pace_frame(Uint64 now, int) { return now; }

// The page fits the picture to the browser's window, and the browser's own
// full screen (F11) makes that the whole display.
bool gl_port_set_fullscreen(SDL_Window *, bool) { return false; }

void RunFrameLoop(void (*frame)())
{
    s_frame = frame;
    sync_backing_store();
    // 0: at the display's rate; 1: never return, so start-up's stack is left
    // as it is and the runtime stays alive for the callbacks.
    emscripten_set_main_loop(on_animation_frame, 0, 1);
}
