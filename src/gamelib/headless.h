// SPDX-License-Identifier: MIT
// headless: the game library's test and benchmark driver.
//
// HeadlessEnable() before InitWindow switches the library into headless mode:
//  - no display is needed: a software renderer draws into an offscreen
//    960 x 640 RGB surface that can be read back and saved as PNG;
//  - EndDrawing does not sleep; GetFrameTime is the fixed frame time;
//  - input comes only from the queue below. What is queued before a frame's
//    BeginDrawing is what that frame sees;
//  - audio needs no device and runs on the frame clock: a sound of s seconds
//    started in frame f is playing in frames f .. f + ceil(s * fps) - 1.
// Everything else (shapes, fonts, textures, sounds) is the real code.
#pragma once

#include "gamelib.h"

void HeadlessEnable(float frameTime = 1.0f / 60.0f);
bool IsHeadless();
void HeadlessDisable();  // after CloseWindow; back to normal mode
// Before InitWindow: the offscreen surface is width x height (each at most
// 4096) and the picture is drawn scaled to fit it at its pixels, as in full
// screen (benchmarks of a large output). HeadlessGetPixel and HeadlessSavePng
// then read the surface's pixels; around the picture is the clear colour
// (a window's full screen blacks those bars as it shows the frame). 0 x 0 (and HeadlessDisable) gives the
// picture's own size again.
void HeadlessSetOutputSize(int width, int height);

// Number of frames completed (EndDrawing calls) since InitWindow.
long HeadlessFrameCount();
// Of those, the frames drawn and presented; a frame that would draw exactly
// the frame on screen again is not (headless or in a window).
long FramesPresented();

// Input for the next frame. InitWindow empties the queue.
void HeadlessQueueMouseMove(float x, float y);
void HeadlessQueueMouseDown(int button);
void HeadlessQueueMouseUp(int button);
// Move to (x, y) and press the button in the next frame; it is released in the
// frame after. A click queued while another of the same button is pending
// presses in the frame of that one's release, just after it: each click is a
// press of its own, and a driver that clicks once a frame presses every frame.
void HeadlessQueueClick(float x, float y, int button = MOUSE_BUTTON_LEFT);
void HeadlessQueueKey(int key);
// Makes WindowShouldClose answer true from now on (until InitWindow again).
void HeadlessRequestClose();

// Pixels of the last drawn frame (valid after EndDrawing, also mid-frame).
Color HeadlessGetPixel(int x, int y);
bool HeadlessSavePng(const char *path);

// Counts of draw submissions made to the renderer in the last completed frame
// (for benchmarks).
int HeadlessDrawCallsLastFrame();
