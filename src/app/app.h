// SPDX-License-Identifier: MIT
// app: start-up, the frame loop with its screen states, and shutdown.
//
// app_startup prepares the window, icons, logo, audio, font, command line and
// sounds and starts the opening jingle; app_run calls app_frame until
// WindowShouldClose; app_shutdown releases everything in reverse. app_frame
// runs exactly one frame, so tests can step the game (after HeadlessEnable).
// Nothing here exits the process or reports an error: every missing piece has
// a silent fallback.
#pragma once

#include <cstdio>

void app_startup(int argc, char **argv);
void app_frame();
void app_run();
void app_shutdown();

// What the command line asks before anything starts: "-h"/"--help" print
// the usage and "--version" "PelzoWin ver<version>" (the project's) to out (exit code 0); any
// other argument that starts with "-" before "--", except the mute and
// full-screen options, prints what was wrong and the usage to err (exit code
// 2). -1: start the game.
int app_command_line_exit(int argc, char **argv, FILE *out, FILE *err);

// "-mute" or "--mute" (any ASCII case) before "--" sets g_mute, and
// "-fullscreen" or "--fullscreen" starts the game in full screen; "--" ends
// the options. The first non-empty argument that is no option becomes
// g_argFilePath, taken as UTF-8 and cut at a character boundary when it is
// longer than 511 bytes. Resets both first. A path that was cut is shown but
// never loaded: the start button then fails with its branch's message. When
// it names a teacher's source (source_set.h), the arguments after it are
// more sources, in the order given (`pelzowin a.txt b.txt`).
void parse_command_line(int argc, char **argv);
bool command_line_path_fits();

// Loads a quiz set into the genre table and, on success, rebuilds the font's
// glyph set for it. On failure g_errorMsg holds the message. A .zip or .pzq
// set is read by its branch; a teacher's source (.xlsx .ods .csv .tsv .txt,
// any case) or a folder of them is read as pelzo-quiz pack reads it
// (source_set.h), with the command line's further sources when `path` is
// the command line's, and what was found left in g_sourceProblems; the set
// built is offered for saving (sys_offer_built_set).
bool load_quiz_set(const char *path);
