// SPDX-License-Identifier: MIT
// gamelib: the small game library the game is written against.
//
// Offers a raylib-shaped subset on SDL2, SDL2_image, SDL2_mixer and FreeType:
// one fixed window with frame pacing, polled mouse/keyboard input, 2-D shapes,
// textures from PNG bytes, fonts rasterised for an explicit codepoint list, and
// sounds/music. Names and records follow raylib so game code reads like it.
//
// Contract:
//  - One thread. Call InitWindow before anything that draws, InitAudioDevice
//    before anything that plays.
//  - Input is sampled once per frame; a mouse press is reported only in the
//    frame in which the button went down.
//  - A zeroed Sound or Music refers to no audio: every call on it is a no-op and
//    IsSoundPlaying answers false. UnloadFont on the default font does nothing.
//  - No call allocates per frame on the drawing path; text drawing never reads
//    past a string's terminator.
//  - Headless mode (see headless.h) runs the same code with an offscreen
//    software renderer, queued input, a fixed frame time and audio on the frame
//    clock.
#pragma once

#include <cstdint>

#include "format.h"

struct Vector2 {
    float x;
    float y;
};

struct Rectangle {
    float x;
    float y;
    float width;
    float height;
};

struct Color {
    unsigned char r;
    unsigned char g;
    unsigned char b;
    unsigned char a;
};

// Pixel data in CPU memory. Images made by this library are always RGBA8
// (format PIXELFORMAT_UNCOMPRESSED_R8G8B8A8), rows packed.
struct Image {
    void *data;
    int width;
    int height;
    int mipmaps;
    int format;
};

// A GPU texture. id 0 means "no texture".
struct Texture2D {
    unsigned int id;
    int width;
    int height;
    int mipmaps;
    int format;
};

// One rasterised glyph. advanceX is a whole number of pixels at baseSize.
struct GlyphInfo {
    int value;  // codepoint
    int offsetX;  // bitmap left edge relative to the pen position
    int offsetY;  // bitmap top edge relative to the top of the line
    int advanceX;  // pen advance in pixels
};

struct FontAtlas;  // private to the library: atlas pages and the glyph index

// A font rasterised at baseSize pixels for a fixed set of codepoints.
// glyphs[i] and recs[i] (the glyph's rectangle in its atlas page) belong together.
// glyphs[0] is always the fallback glyph (the font's missing-glyph box).
struct Font {
    int baseSize;
    int glyphCount;
    int glyphPadding;
    Texture2D texture;  // first atlas page; every page shares its filter
    Rectangle *recs;
    GlyphInfo *glyphs;
    FontAtlas *atlas;
};

struct Wave {
    unsigned int frameCount;
    unsigned int sampleRate;
    unsigned int sampleSize;  // bits per sample
    unsigned int channels;
    void *data;
};

struct SoundData;  // private: decoded audio
struct Sound {
    unsigned int frameCount;  // sample frames
    unsigned int sampleRate;
    SoundData *data;  // null: an empty record
};

struct MusicData;  // private: the stream
struct Music {
    unsigned int frameCount;  // sample frames (0 when unknown)
    unsigned int sampleRate;
    bool looping;
    MusicData *data;  // null: an empty record
};

enum {
    FLAG_MSAA_4X_HINT = 0x00000020,
};

enum {
    MOUSE_BUTTON_LEFT = 0,
    MOUSE_BUTTON_RIGHT = 1,
    MOUSE_BUTTON_MIDDLE = 2,
};

enum {
    TEXTURE_FILTER_POINT = 0,
    TEXTURE_FILTER_BILINEAR = 1,
};

enum {
    PIXELFORMAT_UNCOMPRESSED_R8G8B8A8 = 7,
};

// Key codes returned by GetKeyPressed: printable keys are their (upper-case)
// ASCII code on a US layout (by key position), the rest follow raylib's
// numbering. Keys without a code here are not reported.
enum {
    KEY_NULL = 0,
    KEY_SPACE = 32,
    KEY_ZERO = 48,
    KEY_NINE = 57,
    KEY_A = 65,
    KEY_Z = 90,
    KEY_ESCAPE = 256,
    KEY_ENTER = 257,
    KEY_TAB = 258,
    KEY_BACKSPACE = 259,
    KEY_INSERT = 260,
    KEY_DELETE = 261,
    KEY_RIGHT = 262,
    KEY_LEFT = 263,
    KEY_DOWN = 264,
    KEY_UP = 265,
    KEY_PAGE_UP = 266,
    KEY_PAGE_DOWN = 267,
    KEY_HOME = 268,
    KEY_END = 269,
    KEY_CAPS_LOCK = 280,
    KEY_SCROLL_LOCK = 281,
    KEY_NUM_LOCK = 282,
    KEY_PRINT_SCREEN = 283,
    KEY_PAUSE = 284,
    KEY_F1 = 290,
    KEY_F12 = 301,
    KEY_F13 = 302,
    KEY_F24 = 313,
    KEY_KP_1 = 321,  // KEY_KP_1 + n - 1 is keypad n (1-9)
    KEY_KP_DECIMAL = 330,
    KEY_KP_DIVIDE = 331,
    KEY_KP_MULTIPLY = 332,
    KEY_KP_SUBTRACT = 333,
    KEY_KP_ADD = 334,
    KEY_KP_ENTER = 335,
    KEY_KP_EQUAL = 336,
    KEY_LEFT_SHIFT = 340,
    KEY_LEFT_CONTROL = 341,
    KEY_LEFT_ALT = 342,
    KEY_RIGHT_SHIFT = 344,
    KEY_RIGHT_CONTROL = 345,
    KEY_LEFT_SUPER = 343,
    KEY_RIGHT_ALT = 346,
    KEY_RIGHT_SUPER = 347,
    KEY_KB_MENU = 348,
    // Any other key SDL reports: this plus its SDL scancode, so that no key
    // reads as KEY_NULL.
    KEY_OTHER_BASE = 1024,
};

// --- window and frame ---------------------------------------------------
void SetConfigFlags(unsigned int flags);
void InitWindow(int width, int height, const char *title);
void CloseWindow();
bool IsWindowReady();
// Full screen and back: the window covers its display, borderless, and the
// picture is scaled to fit it with its aspect kept; the mouse maps back into
// the picture. F11 and Alt+Enter do it too (they are not reported as keys).
// Nothing in headless mode or in the browser, whose page scales the picture.
void ToggleFullscreen();
bool IsWindowFullscreen();
bool WindowShouldClose();  // close box, the exit key, SIGINT or SIGTERM
// The key that asks the window to close, from the next press on: KEY_ESCAPE
// until changed, KEY_NULL for none (a panel that Escape dismisses).
void SetExitKey(int key);
// Catches SIGINT/SIGTERM from now on (InitWindow does so too); a signal caught
// before the window opens still makes the first WindowShouldClose true.
// CloseWindow restores the previous handlers.
void InstallStopSignalHandlers();
// Around a call that blocks the frame loop (a modal dialog, a long load): with
// true, a SIGINT/SIGTERM from then on ends the process at once with code 0,
// as the frame loop would have ended it; false goes back to ending the loop.
// Returns whether a stop signal has already been caught.
bool SetStopSignalExits(bool exits);
void SetTargetFPS(int fps);
// Runs frame() once per frame until WindowShouldClose. On the desktop a plain
// loop, each frame paced by EndDrawing; in the browser, which owns the loop,
// the page's animation frames call it (at most at the target rate) and
// RunFrameLoop never returns: the page's life is the game's.
void RunFrameLoop(void (*frame)());
float GetFrameTime();  // length of the last frame in seconds
void BeginDrawing();
// Draws and presents the frame, paces, samples input for the next frame. A
// frame that would draw exactly the frame on screen again (the same draws,
// no texture changed, no window event) is neither drawn nor presented.
void EndDrawing();
void ClearBackground(Color color);
void SetWindowIcon(Image image);

// --- input ---------------------------------------------------------------
Vector2 GetMousePosition();
bool IsMouseButtonPressed(int button);  // true only in the frame of the press
bool IsMouseButtonDown(int button);
int GetKeyPressed();  // keys pressed this frame, one per call, then 0
bool IsKeyPressed(int key);  // whether `key` went down this frame; reads nothing off GetKeyPressed
bool CheckCollisionPointRec(Vector2 point, Rectangle rec);  // left/top in, right/bottom out

// --- shapes --------------------------------------------------------------
void DrawRectangle(int x, int y, int width, int height, Color color);
void DrawRectangleRec(Rectangle rec, Color color);
void DrawLine(int startX, int startY, int endX, int endY, Color color);
// Corner radius = roundness * min(width, height) / 2, `segments` triangles per corner.
void DrawRectangleRounded(Rectangle rec, float roundness, int segments, Color color);
// One-pixel outline of the same shape.
void DrawRectangleRoundedLines(Rectangle rec, float roundness, int segments, Color color);

// --- images and textures -------------------------------------------------
// fileType is the extension with its dot: ".png", ".ico" or ".bmp" (any case).
// Bad or truncated data gives an Image with null data.
Image LoadImageFromMemory(const char *fileType, const unsigned char *data, int dataSize);
void UnloadImage(Image image);
Texture2D LoadTextureFromImage(Image image);
void UnloadTexture(Texture2D texture);
void SetTextureFilter(Texture2D texture, int filter);
void DrawTextureEx(Texture2D texture, Vector2 position, float rotation, float scale, Color tint);

// --- fonts ---------------------------------------------------------------
// Decodes UTF-8 text into codepoints, in order and with repeats. Invalid bytes
// decode as '?' (0x3F). The array is the caller's: release with UnloadCodepoints.
int *LoadCodepoints(const char *text, int *count);
void UnloadCodepoints(int *codepoints);
// Decodes one UTF-8 character; *size receives its byte length (>= 1 unless at
// the terminator, where the result is 0 and *size 0).
int GetCodepointNext(const char *text, int *size);

// Rasterises `codepoints` (repeats allowed; each is rasterised once) from a
// .ttf/.otf/.ttc (face 0) file at a pixel height of fontSize. A file that does
// not load gives the default font.
Font LoadFontEx(const char *fileName, int fontSize, const int *codepoints, int codepointCount);
Font GetFontDefault();
void UnloadFont(Font font);
bool IsFontDefault(Font font);
// Whether loading `font` again (LoadFontEx with the same arguments) would
// give glyphs of the size its text is now shown at. Where the output is
// scaled (full screen, a browser canvas at device pixels) and its text,
// up to the font's size, is shown larger than the glyphs were rasterised,
// LoadFontEx rasterises them at the shown size (at most twice fontSize;
// the layout stays fontSize's), and back at fontSize when the scale is 1
// again. Until the font is reloaded its glyphs are drawn scaled. Reloading
// takes a while for a large glyph set: do it at a calm moment.
bool IsFontRasterStale(Font font);
// The default font's glyphs rasterised again when IsFontRasterStale's rule
// (the same shown size, cap and threshold) asks for another size; returns
// whether they were. It is done in place: every copy of GetFontDefault's
// record stays valid and keeps the 10 px layout (only its texture id may be
// out of date). Printable ASCII only, so quick; call it at the same calm
// moments as a reload.
bool RefreshFontDefault();
// Index into font.glyphs for a codepoint; the fallback glyph's index (0) when absent.
int GetGlyphIndex(Font font, int codepoint);
// width = (sum of advances) * fontSize / baseSize + (codepoints - 1) * spacing; height = fontSize.
Vector2 MeasureTextEx(Font font, const char *text, float fontSize, float spacing);
void DrawTextEx(Font font, const char *text, Vector2 position, float fontSize, float spacing, Color tint);

// --- audio ---------------------------------------------------------------
void InitAudioDevice();  // falls back to a silent device when none opens
void CloseAudioDevice();
bool IsAudioDeviceReady();

Wave LoadWaveFromMemory(const char *fileType, const unsigned char *data, int dataSize);
void UnloadWave(Wave wave);
Sound LoadSoundFromWave(Wave wave);
// A sound from encoded bytes of type ".wav", ".ogg" or another the mixer reads.
Sound LoadSoundFromMemory(const char *fileType, const unsigned char *data, int dataSize);
Sound LoadSound(const char *fileName);
void UnloadSound(Sound sound);
void PlaySound(Sound sound);  // restarts a sound that is already playing
void StopSound(Sound sound);
bool IsSoundPlaying(Sound sound);

// The bytes given to LoadMusicStreamFromMemory must outlive the Music.
Music LoadMusicStreamFromMemory(const char *fileType, const unsigned char *data, int dataSize);
Music LoadMusicStream(const char *fileName);
void UnloadMusicStream(Music music);
void PlayMusicStream(Music music);
void UpdateMusicStream(Music music);
void StopMusicStream(Music music);
bool IsMusicStreamPlaying(Music music);

// --- files and text ------------------------------------------------------
bool FileExists(const char *fileName);  // a regular file that exists
const char *GetApplicationDirectory();  // the executable's folder, ending in '/'
// printf into one of four rotating static buffers of 1024 bytes; a longer
// result is cut (always NUL-terminated).
const char *TextFormat(const char *format, ...) PELZO_PRINTF(1, 2);
