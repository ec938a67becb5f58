// Shared between the game library's own files only; game code never includes it.
#pragma once

#include <SDL.h>

#include "gamelib.h"

// The renderer of the open window (null before InitWindow).
SDL_Renderer *gl_renderer();
// The SDL texture behind a Texture2D id (null for 0 or unknown ids).
SDL_Texture *gl_texture(unsigned int id);
// Registers an SDL texture and returns its id (never 0).
unsigned int gl_register_texture(SDL_Texture *texture);
void gl_release_texture(unsigned int id);

bool gl_headless();
long gl_frame_counter();      // frames completed since InitWindow
float gl_target_fps();        // 60 unless SetTargetFPS said otherwise
void gl_count_draw_call();    // for HeadlessDrawCallsLastFrame

// Called by CloseWindow / CloseAudioDevice so fonts and audio release their
// library-wide state (the default font, the mixer).
void gl_fonts_shutdown();
void gl_audio_shutdown();
