// SPDX-License-Identifier: MIT
// The window, the frame and its pacing, close requests, and the headless
// driver's offscreen target.
//
// Windowed: SDL video, one window, the OpenGL renderer (with 4x multisampling
// when asked) or else a renderer of the driver's. Where only software is left,
// the window gets no renderer of its own: a software renderer draws into a
// picture of the window's logical size, which EndDrawing copies into the
// window's surface and shows with SDL_UpdateWindowSurface (SDL allows a
// window's surface or a renderer on that window, never both). EndDrawing
// presents, waits for the next frame to be due (frame_loop.cpp) and polls
// events for the next frame.
// Full screen (ToggleFullscreen): the window covers the display and the
// picture is scaled to fit it, its aspect kept, with black bars around it. An
// accelerated renderer does it through its logical size, which also maps the
// mouse back into the picture. The software path draws into a target texture
// of the window's size instead of its picture, with the logical size too, so
// shapes and text are drawn at the display's pixels, and the frame is read
// straight into the window's surface; where no such texture can be had the
// picture is scaled into the window with bilinear filtering. The software
// path maps the mouse itself (gl_window_to_picture).
// In the browser the canvas's backing store follows its size on the page
// times the device pixel ratio (web/frame_loop.cpp), and the logical size
// keeps the picture's layout at any size.
// Headless: a software renderer on an offscreen RGB surface, no SDL video at
// all, no sleeping, a fixed frame time and input from the queue (input.cpp).
#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>

#include "gamelib_internal.h"
#include "headless.h"

namespace {

// The software path draws at most this wide and high at an output's pixels
// (a full screen's target texture, a headless output): 64 MiB.
constexpr int kMaxSoftwareSide = 4096;

SDL_Window *s_window = nullptr;
SDL_Renderer *s_renderer = nullptr;
SDL_Surface *s_target = nullptr;  // headless: what the renderer draws into
SDL_Surface *s_softPicture = nullptr;  // windowed software: what the renderer draws into
SDL_Texture *s_softOutput = nullptr;  // windowed software in full screen: the render target at the window's size
// Software: the picture is drawn scaled to all of the output (full screen,
// a larger headless output).
bool s_softScaled = false;
bool s_fullscreen = false;
int s_logicalW = 0, s_logicalH = 0;  // the picture's size, as InitWindow was asked
SDL_Rect s_shown{0, 0, 0, 0};  // windowed software: where the picture was last shown in the window
bool s_ready = false;
bool s_videoStarted = false;
bool s_software = false;  // the renderer is SDL's software one

unsigned int s_configFlags = 0;
int s_targetFps = 60;
bool s_headless = false;
float s_headlessFrameTime = 1.0f / 60.0f;
int s_headlessOutW = 0, s_headlessOutH = 0;  // HeadlessSetOutputSize

float s_frameTime = 0.0f;
Uint64 s_lastFrameEnd = 0;
long s_framesDone = 0;
int s_drawCalls = 0;
int s_drawCallsLastFrame = 0;
bool s_closeRequested = false;  // HeadlessRequestClose

// Set from the signal handler, read by WindowShouldClose. The handler does
// nothing else, except end the process inside a blocking section: anything
// more is not async-signal-safe.
volatile std::sig_atomic_t s_signalled = 0;
volatile std::sig_atomic_t s_stopExits = 0;  // SetStopSignalExits
using SignalHandler = void (*)(int);
SignalHandler s_prevInt = SIG_DFL;
SignalHandler s_prevTerm = SIG_DFL;
bool s_handlersInstalled = false;

extern "C" void on_stop_signal(int)
{
    s_signalled = 1;
    if (s_stopExits) std::_Exit(0);
}

// A signal caught before InitWindow (InstallStopSignalHandlers at the top of
// main) is kept, so the first WindowShouldClose ends the game; CloseWindow
// forgets it once the handlers are restored.
void install_signal_handlers()
{
    if (s_handlersInstalled) return;
    s_prevInt = std::signal(SIGINT, on_stop_signal);
    s_prevTerm = std::signal(SIGTERM, on_stop_signal);
    if (s_prevInt == SIG_ERR) s_prevInt = SIG_DFL;
    if (s_prevTerm == SIG_ERR) s_prevTerm = SIG_DFL;
    s_handlersInstalled = true;
}

void restore_signal_handlers()
{
    if (!s_handlersInstalled) return;
    std::signal(SIGINT, s_prevInt);
    std::signal(SIGTERM, s_prevTerm);
    s_handlersInstalled = false;
    s_signalled = 0;
}

// Index of the render driver called `name`, or -1.
int render_driver_index(const char *name)
{
    int n = SDL_GetNumRenderDrivers();
    for (int i = 0; i < n; i++) {
        SDL_RendererInfo info;
        if (SDL_GetRenderDriverInfo(i, &info) == 0 && info.name && SDL_strcmp(info.name, name) == 0) return i;
    }
    return -1;
}

// One attempt at a window and its renderer. `gl` asks for an OpenGL window and
// the opengl driver; `msaa` adds 4x multisampling to that request.
bool try_open_window(int width, int height, const char *title, bool gl, bool msaa)
{
    SDL_GL_ResetAttributes();
    if (msaa) {
        SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 1);
        SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 4);
    }
    Uint32 flags = SDL_WINDOW_SHOWN;
    if (gl) flags |= SDL_WINDOW_OPENGL;
    s_window =
        SDL_CreateWindow(title ? title : "", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, flags);
    if (!s_window) return false;
    if (gl) {
        int index = render_driver_index("opengl");
        if (index >= 0) s_renderer = SDL_CreateRenderer(s_window, index, SDL_RENDERER_ACCELERATED);
    } else {
        // A window of the display-less driver can only be drawn in software.
        // (On Windows SDL would still make a Direct3D renderer for it, whose
        // frames go nowhere and read back black.)
        const char *driver = SDL_GetCurrentVideoDriver();
        if (!driver || SDL_strcmp(driver, "dummy") != 0)
            s_renderer = SDL_CreateRenderer(s_window, -1, SDL_RENDERER_ACCELERATED);
        if (!s_renderer && SDL_GetWindowSurface(s_window)) {
            s_softPicture = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGB888);
            if (s_softPicture) s_renderer = SDL_CreateSoftwareRenderer(s_softPicture);
            if (!s_renderer && s_softPicture) SDL_FreeSurface(s_softPicture);
            if (!s_renderer) s_softPicture = nullptr;
        }
    }
    // The picture keeps its size whatever the window's, scaled to fit.
    if (s_renderer && !s_softPicture) SDL_RenderSetLogicalSize(s_renderer, width, height);
    if (s_renderer) return true;
    SDL_DestroyWindow(s_window);
    s_window = nullptr;
    return false;
}

bool open_windowed(int width, int height, const char *title)
{
    // SDL would otherwise turn SIGINT/SIGTERM into SDL_QUIT events; our own
    // handlers do that job in both modes.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    s_videoStarted = true;
    bool msaa = (s_configFlags & FLAG_MSAA_4X_HINT) != 0;
    // Multisampled OpenGL, then plain OpenGL (multisampling refused), then any
    // renderer the driver has (software for the dummy driver).
    if (msaa && try_open_window(width, height, title, true, true)) return true;
    if (msaa && try_open_window(width, height, title, true, false)) return true;
    SDL_GL_ResetAttributes();
    return try_open_window(width, height, title, false, false);
}

bool open_headless(int width, int height)
{
    const bool scaled =
        s_headlessOutW > 0 && s_headlessOutH > 0 && (s_headlessOutW != width || s_headlessOutH != height);
    s_target = SDL_CreateRGBSurfaceWithFormat(0, scaled ? s_headlessOutW : width, scaled ? s_headlessOutH : height, 32,
                                              SDL_PIXELFORMAT_RGB888);
    if (!s_target) return false;
    s_renderer = SDL_CreateSoftwareRenderer(s_target);
    if (s_renderer && scaled) {
        SDL_RenderSetLogicalSize(s_renderer, width, height);
        s_softScaled = true;
    }
    return s_renderer != nullptr;
}

void close_everything()
{
    if (s_softOutput) SDL_DestroyTexture(s_softOutput);
    s_softOutput = nullptr;
    if (s_renderer) SDL_DestroyRenderer(s_renderer);
    if (s_window) SDL_DestroyWindow(s_window);
    if (s_target) SDL_FreeSurface(s_target);
    s_renderer = nullptr;
    s_window = nullptr;
    s_target = nullptr;
    if (s_softPicture) SDL_FreeSurface(s_softPicture);
    s_softPicture = nullptr;
    s_softScaled = false;
    s_fullscreen = false;
    if (s_videoStarted) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        s_videoStarted = false;
        if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
    }
}

// The largest rectangle of the picture's aspect centred in an area of w x h.
SDL_Rect fitted(int w, int h)
{
    const double scale = std::min((double)w / s_logicalW, (double)h / s_logicalH);
    const int fw = (int)std::lround(s_logicalW * scale), fh = (int)std::lround(s_logicalH * scale);
    return SDL_Rect{(w - fw) / 2, (h - fh) / 2, fw, fh};
}

// The area of the output the picture is drawn in, from the renderer's
// logical size.
SDL_Rect logical_area()
{
    SDL_Rect viewport;
    SDL_RenderGetViewport(s_renderer, &viewport);
    float sx = 1.0f, sy = 1.0f;
    SDL_RenderGetScale(s_renderer, &sx, &sy);
    return SDL_Rect{(int)std::lround(viewport.x * sx), (int)std::lround(viewport.y * sy),
                    (int)std::lround(viewport.w * sx), (int)std::lround(viewport.h * sy)};
}

// Windowed software: shows the frame in the window's surface. Drawn at the
// window's size (full screen), it is read into the surface as it is;
// otherwise the picture is copied, scaled to fit with black bars when the
// window is not its size, filtered bilinearly where the surfaces share their
// format (SDL's plain scaled blit repeats pixels).
void show_software_picture()
{
    SDL_Surface *window = SDL_GetWindowSurface(s_window);  // made anew when the window's size changed
    if (!window) return;
    int tw = 0, th = 0;
    if (s_softOutput && SDL_QueryTexture(s_softOutput, nullptr, nullptr, &tw, &th) == 0 && tw == window->w &&
        th == window->h && !SDL_MUSTLOCK(window) && window->format->BytesPerPixel == 4) {
        // The picture's area is read (SDL reads no further than it), the bars
        // around it are black.
        const SDL_Rect area = logical_area();
        Uint8 *at = (Uint8 *)window->pixels + (size_t)area.y * (size_t)window->pitch + (size_t)area.x * 4;
        if (area.x >= 0 && area.y >= 0 && area.x + area.w <= tw && area.y + area.h <= th &&
            SDL_RenderReadPixels(s_renderer, &area, window->format->format, at, window->pitch) == 0) {
            const Uint32 black = SDL_MapRGB(window->format, 0, 0, 0);
            const SDL_Rect bars[4] = {{0, 0, tw, area.y},
                                      {0, area.y + area.h, tw, th - area.y - area.h},
                                      {0, area.y, area.x, area.h},
                                      {area.x + area.w, area.y, tw - area.x - area.w, area.h}};
            for (const SDL_Rect &bar : bars)
                if (bar.w > 0 && bar.h > 0) SDL_FillRect(window, &bar, black);
            s_shown = area;
            SDL_UpdateWindowSurface(s_window);
            return;
        }
    }
    s_shown = fitted(window->w, window->h);
    if (s_shown.w == s_softPicture->w && s_shown.h == s_softPicture->h) {
        SDL_BlitSurface(s_softPicture, nullptr, window, &s_shown);
    } else {
        SDL_FillRect(window, nullptr, SDL_MapRGB(window->format, 0, 0, 0));
        SDL_Rect to = s_shown;
        if (window->format->format != s_softPicture->format->format ||
            SDL_SoftStretchLinear(s_softPicture, nullptr, window, &to) != 0)
            SDL_BlitScaled(s_softPicture, nullptr, window, &to);
    }
    SDL_UpdateWindowSurface(s_window);
}

// Windowed software: in full screen the renderer draws into a target texture
// of the window's size, its logical size scaling every draw to the window's
// pixels; windowed it draws into the picture again, as it always did.
void place_software_picture()
{
    if (!s_softPicture) return;
    int w = 0, h = 0;
    SDL_GetWindowSize(s_window, &w, &h);
    const bool scaled = s_fullscreen && w > 0 && h > 0 && w <= kMaxSoftwareSide && h <= kMaxSoftwareSide &&
                        (w != s_logicalW || h != s_logicalH);
    int tw = 0, th = 0;
    if (s_softOutput) SDL_QueryTexture(s_softOutput, nullptr, nullptr, &tw, &th);
    if (scaled == (s_softOutput != nullptr) && (!scaled || (tw == w && th == h))) return;
    gl_record_issue(false);
    if (s_softOutput) {
        // Back to the picture: SDL restores the state it had before the target.
        SDL_RenderSetLogicalSize(s_renderer, 0, 0);
        SDL_SetRenderTarget(s_renderer, nullptr);
        SDL_DestroyTexture(s_softOutput);
        s_softOutput = nullptr;
    }
    if (scaled) {
        s_softOutput = SDL_CreateTexture(s_renderer, s_softPicture->format->format, SDL_TEXTUREACCESS_TARGET, w, h);
        if (s_softOutput && SDL_SetRenderTarget(s_renderer, s_softOutput) == 0) {
            SDL_RenderSetLogicalSize(s_renderer, s_logicalW, s_logicalH);
        } else if (s_softOutput) {
            SDL_DestroyTexture(s_softOutput);
            s_softOutput = nullptr;
        }
    }
    s_softScaled = s_softOutput != nullptr;
    gl_record_invalidate();
}

}  // namespace

// --- window and frame -------------------------------------------------------

void SetConfigFlags(unsigned int flags) { s_configFlags = flags; }

void InitWindow(int width, int height, const char *title)
{
    if (s_ready || width <= 0 || height <= 0) return;
    s_logicalW = width;
    s_logicalH = height;
    s_shown = SDL_Rect{0, 0, width, height};
    bool ok = s_headless ? open_headless(width, height) : open_windowed(width, height, title);
    if (!ok) {
        close_everything();
        return;
    }
    SDL_SetRenderDrawBlendMode(s_renderer, SDL_BLENDMODE_BLEND);
    SDL_RendererInfo info;
    s_software = SDL_GetRendererInfo(s_renderer, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE) != 0;
    s_ready = true;
    s_frameTime = s_headless ? s_headlessFrameTime : 0.0f;
    s_framesDone = 0;
    s_drawCalls = 0;
    s_drawCallsLastFrame = 0;
    s_closeRequested = false;
    gl_input_reset();
    gl_record_reset();
    install_signal_handlers();
    if (!s_headless) {
        // The game reads keys, never text: keep input methods out of the way.
        SDL_StopTextInput();
        gl_input_poll();
    }
    s_lastFrameEnd = SDL_GetPerformanceCounter();
    gl_pacing_reset(s_lastFrameEnd);
}

void CloseWindow()
{
    if (!s_ready) return;
    gl_fonts_shutdown();
    gl_release_all_textures();
    close_everything();
    restore_signal_handlers();
    s_ready = false;
    s_software = false;
}

bool IsWindowReady() { return s_ready; }

void ToggleFullscreen()
{
    if (!s_ready || s_headless) return;
    if (gl_port_set_fullscreen(s_window, !s_fullscreen)) s_fullscreen = !s_fullscreen;
    place_software_picture();
    gl_record_invalidate();
}

bool IsWindowFullscreen() { return s_fullscreen; }

Vector2 gl_window_to_picture(float x, float y)
{
    // Only the software path's copy needs it: an accelerated renderer's
    // logical size has SDL map the mouse already.
    if (!s_softPicture || s_shown.w <= 0 || s_shown.h <= 0) return Vector2{x, y};
    return Vector2{(x - (float)s_shown.x) * (float)s_logicalW / (float)s_shown.w,
                   (y - (float)s_shown.y) * (float)s_logicalH / (float)s_shown.h};
}

void InstallStopSignalHandlers() { install_signal_handlers(); }

bool SetStopSignalExits(bool exits)
{
    s_stopExits = exits ? 1 : 0;
    return s_signalled != 0;
}

bool WindowShouldClose()
{
    // Without a window no frame can be shown: the loop must end, not spin.
    if (!s_ready) return true;
    return s_signalled != 0 || s_closeRequested || gl_input_close_requested();
}

void SetTargetFPS(int fps) { s_targetFps = fps > 0 ? fps : 0; }

float GetFrameTime() { return s_headless ? s_headlessFrameTime : s_frameTime; }

void BeginDrawing()
{
    s_drawCalls = 0;
    if (s_headless) gl_input_begin_frame();
}

void EndDrawing()
{
    if (!s_ready) return;
    // A window the manager sized otherwise than asked gets its target anew.
    if (s_softPicture && s_fullscreen) place_software_picture();
    if (gl_record_end_frame()) {
        SDL_RenderPresent(s_renderer);
        if (s_softPicture) show_software_picture();
    }
    s_drawCallsLastFrame = s_drawCalls;
    s_framesDone++;
    if (s_headless) return;

    const Uint64 freq = SDL_GetPerformanceFrequency();
    const Uint64 now = gl_pace_frame(SDL_GetPerformanceCounter(), s_targetFps);
    s_frameTime = (float)((double)(now - s_lastFrameEnd) / (double)freq);
    s_lastFrameEnd = now;
    gl_input_poll();
}

void ClearBackground(Color color)
{
    if (!s_renderer) return;
    // A clear covers the bars around a scaled picture too: they stay black,
    // as the software path's, and the picture gets the colour.
    gl_record_clear(color, s_fullscreen && !s_softPicture);
    gl_count_draw_call();
}

void SetWindowIcon(Image image)
{
    if (!s_window || !image.data || image.width <= 0 || image.height <= 0 ||
        image.format != PIXELFORMAT_UNCOMPRESSED_R8G8B8A8)
        return;
    SDL_Surface *icon = SDL_CreateRGBSurfaceWithFormatFrom(image.data, image.width, image.height, 32, image.width * 4,
                                                           SDL_PIXELFORMAT_RGBA32);
    if (!icon) return;
    SDL_SetWindowIcon(s_window, icon);  // SDL keeps its own copy
    SDL_FreeSurface(icon);
}

// --- shared with the library's other files ---------------------------------

SDL_Renderer *gl_renderer() { return s_renderer; }
SDL_Window *gl_window() { return s_window; }
bool gl_headless() { return s_headless; }
SDL_Surface *gl_software_surface()
{
    if (!s_ready || !s_software) return nullptr;
    // The surfaces the software renderer draws into, which nothing else draws on.
    SDL_Surface *s = s_headless ? s_target : s_softPicture;
    if (!s || !s->pixels) return nullptr;
    const Uint32 format = s->format->format;
    if (format != SDL_PIXELFORMAT_RGB888 && format != SDL_PIXELFORMAT_ARGB8888) return nullptr;
    return s;
}
SDL_Surface *gl_software_target() { return s_softScaled ? nullptr : gl_software_surface(); }
long gl_frame_counter() { return s_framesDone; }
float gl_output_scale()
{
    if (!s_ready) return 1.0f;
    float sx = 1.0f, sy = 1.0f;
    SDL_RenderGetScale(s_renderer, &sx, &sy);
    const float scale = std::min(sx, sy);
    return std::isfinite(scale) && scale > 0.0f ? scale : 1.0f;
}
float gl_target_fps()
{
    // Headless, the frame clock is the fixed frame time. 1.0f / 60 is not
    // exactly a sixtieth, so a rate within rounding of a whole number is that
    // number: frame counts are ceil(seconds * fps) and must not gain one.
    if (s_headless) {
        double fps = 1.0 / (double)s_headlessFrameTime;
        double whole = std::round(fps);
        return (float)(std::fabs(fps - whole) < 1e-3 ? whole : fps);
    }
    return s_targetFps > 0 ? (float)s_targetFps : 60.0f;
}
void gl_count_draw_call() { s_drawCalls++; }

// --- headless driver ---------------------------------------------------------

void HeadlessEnable(float frameTime)
{
    if (s_ready) return;
    s_headless = true;
    s_headlessFrameTime = frameTime > 0.0f ? frameTime : 1.0f / 60.0f;
}

bool IsHeadless() { return s_headless; }

void HeadlessDisable()
{
    if (s_ready) return;
    s_headless = false;
    s_headlessOutW = s_headlessOutH = 0;
}

void HeadlessSetOutputSize(int width, int height)
{
    if (s_ready) return;
    const bool valid = width > 0 && height > 0 && width <= kMaxSoftwareSide && height <= kMaxSoftwareSide;
    s_headlessOutW = valid ? width : 0;
    s_headlessOutH = valid ? height : 0;
}

long HeadlessFrameCount() { return s_framesDone; }

void HeadlessRequestClose() { s_closeRequested = true; }

Color HeadlessGetPixel(int x, int y)
{
    if (!s_target || x < 0 || y < 0 || x >= s_target->w || y >= s_target->h) return Color{0, 0, 0, 0};
    gl_record_issue(false);  // the frame's draws so far
    const Uint8 *row = (const Uint8 *)s_target->pixels + (size_t)y * (size_t)s_target->pitch;
    Uint32 value = 0;
    SDL_memcpy(&value, row + (size_t)x * 4, sizeof value);
    Color c;
    SDL_GetRGBA(value, s_target->format, &c.r, &c.g, &c.b, &c.a);
    return c;
}

bool HeadlessSavePng(const char *path)
{
    if (!s_target || !path) return false;
    gl_record_issue(false);
    // The target has no alpha channel, so the PNG is written as opaque RGB.
    return IMG_SavePNG(s_target, path) == 0;
}

int HeadlessDrawCallsLastFrame() { return s_drawCallsLastFrame; }
