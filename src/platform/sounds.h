// SPDX-License-Identifier: MIT
// sounds: the game's four sounds and its countdown music.
//
// Each comes from its embedded resource, or when that is absent from the file
// of the same name beside the executable. Empty records (muted, or neither
// source present) make every play/stop/query a no-op.
#pragma once

#include <cstdint>

#include "gamelib.h"

extern Sound g_sfxCorrect;
extern Sound g_sfxWrong;
extern Sound g_sndOpening;
extern Sound g_sndPlayStart;
extern Music g_bgmCountup;

// Resource first; when it is absent or empty, GetApplicationDirectory() + fileName.
Sound load_sound_res(int id, const char *fileName);

// Loads the four sounds and the music, in the game's start-up order; the music
// does not loop.
void load_all_sounds();
// Releases them in the game's shutdown order and leaves the records empty.
void unload_all_sounds();

// The rule of load_sound_res applied to given resource bytes: when `res` is not
// null and `size` read as a signed 32-bit number is above 0, the sound is decoded
// from those bytes, of the type fileName's extension names (WAV without one;
// undecodable bytes give an empty sound, the file is not tried); otherwise it is loaded from GetApplicationDirectory()
// + fileName.
Sound load_sound_from(const void *res, uint32_t size, const char *fileName);
// The same rule for the music (".ogg" bytes, streamed; the bytes must outlive
// the Music). The result does not loop.
Music load_music_from(const void *res, uint32_t size, const char *fileName);
