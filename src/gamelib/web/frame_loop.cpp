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
#include <emscripten/emscripten.h>

#include "gamelib_internal.h"

namespace {

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
    // 0: at the display's rate; 1: never return, so start-up's stack is left
    // as it is and the runtime stays alive for the callbacks.
    emscripten_set_main_loop(on_animation_frame, 0, 1);
}
