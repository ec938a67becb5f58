// SPDX-License-Identifier: MIT
// Shared between the game library's own files only; game code never includes it.
#pragma once

#include <SDL.h>

#include "gamelib.h"

// The renderer of the open window (null before InitWindow).
SDL_Renderer *gl_renderer();
SDL_Window *gl_window();  // null headless
// The SDL texture behind a Texture2D id (null for 0 or unknown ids).
SDL_Texture *gl_texture(unsigned int id);
// Registers an SDL texture and returns its id (never 0; 0 only for a null
// texture). The table owns the texture from then on: ids are not reused.
unsigned int gl_register_texture(SDL_Texture *texture);
// Destroys the texture behind `id` and forgets the id; 0 or unknown ids are ignored.
void gl_release_texture(unsigned int id);
// Forgets `id` and hands its texture back to the caller, who destroys it;
// null for 0 or unknown ids.
SDL_Texture *gl_take_texture(unsigned int id);
// Destroys every registered texture (CloseWindow, before the renderer goes).
void gl_release_all_textures();

bool gl_headless();
// The surface the software renderer draws into (the headless target, or the
// window's surface when no accelerated renderer could be made); null for any
// other renderer or a surface that is not 32-bit XRGB/ARGB. Code that writes
// pixels into it directly must SDL_RenderFlush first, so that draws already
// queued land underneath.
// In full screen at the display's pixels the picture is drawn scaled and
// there is no such surface: everything goes through the renderer.
SDL_Surface *gl_software_target();
// The software renderer's own surface, whether the picture is drawn 1:1 into
// it or scaled (what decides how font pages are kept).
SDL_Surface *gl_software_surface();
// Output pixels per picture pixel: 1 in the picture's own window and
// headless; more in full screen at the display's pixels and on a browser
// canvas larger than the picture.
float gl_output_scale();
long gl_frame_counter();  // frames completed since InitWindow
// Frames per second of the frame clock: headless, 1 / the fixed frame time;
// windowed, 60 unless SetTargetFPS said otherwise (60 when pacing is off).
float gl_target_fps();
void gl_count_draw_call();  // for HeadlessDrawCallsLastFrame
// Frame pacing (frame_loop.cpp, one file per loop). gl_pacing_reset starts
// the grid of due times at `now`; gl_pace_frame waits until the next frame is
// due and returns the time then, in performance-counter ticks. The desktop
// sleeps; in the browser the page's animation frames pace the game, so it
// returns `now` at once.
void gl_pacing_reset(Uint64 now);
// Puts the window in full screen (covering its display, borderless) or back;
// false when this system leaves that to something else (the browser page
// fits the picture to its window itself).
bool gl_port_set_fullscreen(SDL_Window *window, bool on);
// A window position (mouse) as a position in the picture the game draws.
Vector2 gl_window_to_picture(float x, float y);
Uint64 gl_pace_frame(Uint64 now, int targetFps);
// Fills triangles (three indices each) in one colour, blended: as row spans
// on the software renderer (the pixels its own triangle fill would cover), as
// geometry elsewhere. At most 4 x (2 x 65 + 1) vertices and 128 triangles per
// quarter of the index list on the software renderer; more draws nothing.
void gl_draw_triangles(const SDL_Vertex *vertices, int vertexCount, const int *indices, int indexCount, Color color);

// The frame's drawing (frame_record.cpp). Every draw goes to the list of the
// frame, with the state it depends on, instead of to the renderer; the list
// is issued at EndDrawing, or not at all when it is the frame on screen again.
void gl_record_clear(Color color, bool bars);  // bars: black everywhere, then the picture's area in color
void gl_record_fill_rects(const SDL_Rect *rects, int n, Color color, SDL_BlendMode blend);
void gl_record_line(int x0, int y0, int x1, int y1, Color color);
void gl_record_geometry(SDL_Texture *texture, const SDL_Vertex *vertices, int vertexCount, const int *indices,
                        int indexCount);
void gl_record_copy(SDL_Texture *texture, const SDL_FRect &dst, Color tint, float rotation);
// Gives what is pending to the renderer and flushes it, before pixels are
// read or written directly; `direct` (pixels about to be written outside
// the list) makes this frame and the next be presented.
void gl_record_issue(bool direct);
// At the frame's end: issues what is pending and returns true when the frame
// must be presented; false when it is the frame on screen again.
bool gl_record_end_frame();
// The screen may no longer show the last frame, or a texture it used has
// changed: the next frame is drawn whatever its list.
void gl_record_invalidate();
void gl_record_reset();  // forgets both frames (InitWindow)

// Called by CloseWindow / CloseAudioDevice so fonts and audio release their
// library-wide state (the default font, the mixer).
void gl_fonts_shutdown();
void gl_audio_shutdown();

// Input, kept by input.cpp and driven by the frame functions.
// gl_input_reset: forget all state and the headless queue (InitWindow).
// gl_input_begin_frame: headless only, applies what was queued for this frame.
// gl_input_poll: windowed only, reads SDL's events for the next frame.
// gl_input_close_requested: the close box or Escape was seen since InitWindow.
void gl_input_reset();
void gl_input_begin_frame();
void gl_input_poll();
bool gl_input_close_requested();
