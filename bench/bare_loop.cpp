// SPDX-License-Identifier: MIT
// bare_loop: the least a game window of PelzoWin's kind costs, the reference
// of bench/idle_cost.sh. One 960 x 640 window with 4x multisampled OpenGL,
// as the game asks for, cleared and presented 60 times a second with nothing
// drawn, the frames paced by sleeping until each is due. Runs until killed.
#include <SDL.h>

int main(int, char **)
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return 1;
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 4);
    SDL_Window *window = SDL_CreateWindow("bare loop", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 960, 640,
                                          SDL_WINDOW_SHOWN | SDL_WINDOW_OPENGL);
    if (!window) return 1;
    SDL_Renderer *renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (!renderer) return 1;
    const Uint64 freq = SDL_GetPerformanceFrequency();
    const Uint64 period = freq / 60;
    Uint64 due = SDL_GetPerformanceCounter();
    for (;;) {
        SDL_Event event;
        while (SDL_PollEvent(&event))
            if (event.type == SDL_QUIT) return 0;
        SDL_SetRenderDrawColor(renderer, 18, 20, 35, 255);
        SDL_RenderClear(renderer);
        SDL_RenderPresent(renderer);
        due += period;
        const Uint64 now = SDL_GetPerformanceCounter();
        if (now > due + period) due = now;
        if (now < due) SDL_Delay((Uint32)((due - now) * 1000 / freq));
    }
}
