// SPDX-License-Identifier: MIT
// The desktop's frame loop: the game calls each frame itself, and EndDrawing
// sleeps until the next frame is due. And the window's full screen, which
// the desktop's window system gives.
#include "gamelib_internal.h"

namespace {

Uint64 s_nextDue = 0;  // when the next frame should end

}  // namespace

void gl_pacing_reset(Uint64 now) { s_nextDue = now; }

Uint64 gl_pace_frame(Uint64 now, int targetFps)
{
    if (targetFps <= 0) return now;
    // Frames are due on a fixed grid, so a frame that ends a little early or
    // late makes the next wait longer or shorter and the rate holds on
    // average. A frame that falls more than a whole period behind restarts
    // the grid instead of hurrying to catch up.
    const Uint64 freq = SDL_GetPerformanceFrequency();
    const Uint64 period = freq / (Uint64)targetFps;
    const Uint64 millisecond = freq / 1000;
    s_nextDue += period;
    if (now > s_nextDue + period) s_nextDue = now;
    // Sleep in whole milliseconds, never spinning: the frame ends less than a
    // millisecond before it is due (GetFrameTime measures what it really
    // took), and the idle game costs no more than its drawing.
    while (now + millisecond <= s_nextDue) {
        SDL_Delay((Uint32)((s_nextDue - now) / millisecond));
        now = SDL_GetPerformanceCounter();
    }
    return now;
}

void RunFrameLoop(void (*frame)())
{
    while (!WindowShouldClose()) frame();
}

// Full screen is a borderless window the size of its display, rather than
// SDL's full-screen modes: those ask the window manager, and where there is
// none (a bare X server, a kiosk session) the window would keep its size
// while the renderer drew for the whole display. Back in a window, it gets
// its border, its size and its place again.
bool gl_port_set_fullscreen(SDL_Window *window, bool on)
{
    static SDL_Rect s_windowed{SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 0, 0};
    if (on) {
        SDL_Rect display;
        if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window), &display) != 0) return false;
        SDL_GetWindowPosition(window, &s_windowed.x, &s_windowed.y);
        SDL_GetWindowSize(window, &s_windowed.w, &s_windowed.h);
        SDL_SetWindowBordered(window, SDL_FALSE);
        SDL_SetWindowSize(window, display.w, display.h);
        SDL_SetWindowPosition(window, display.x, display.y);
        SDL_RaiseWindow(window);
    } else {
        if (s_windowed.w <= 0 || s_windowed.h <= 0) return false;
        SDL_SetWindowBordered(window, SDL_TRUE);
        SDL_SetWindowSize(window, s_windowed.w, s_windowed.h);
        SDL_SetWindowPosition(window, s_windowed.x, s_windowed.y);
    }
    return true;
}
