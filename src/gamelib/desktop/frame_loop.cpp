// The desktop's frame loop: the game calls each frame itself, and EndDrawing
// sleeps until the next frame is due.
#include "gamelib_internal.h"

namespace {

Uint64 s_nextDue = 0;  // when the next frame should end

}  // namespace

void gl_pacing_reset(Uint64 now) { s_nextDue = now; }

Uint64 gl_pace_frame(Uint64 now, int targetFps)
{
    if (targetFps <= 0) return now;
    // Frames are due on a fixed grid, so a sleep that overshoots makes the
    // next wait shorter and the rate holds on average. A frame that falls
    // more than a whole period behind restarts the grid instead of hurrying
    // to catch up.
    const Uint64 freq = SDL_GetPerformanceFrequency();
    const Uint64 period = freq / (Uint64)targetFps;
    s_nextDue += period;
    if (now > s_nextDue + period) s_nextDue = now;
    for (; now < s_nextDue; now = SDL_GetPerformanceCounter()) {
        const Uint64 ms = (s_nextDue - now) * 1000 / freq;
        // Sleep most of the wait; the last millisecond is spent in
        // SDL_Delay(0) slices, since a sleep can overshoot by that much.
        SDL_Delay(ms > 1 ? (Uint32)(ms - 1) : 0);
    }
    return now;
}

void RunFrameLoop(void (*frame)())
{
    while (!WindowShouldClose()) frame();
}
