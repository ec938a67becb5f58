// sounds: the game's four sounds and its countdown music.
//
// Each comes from its embedded resource, or when that is absent from the file
// of the same name beside the executable. Empty records (muted, or neither
// source present) make every play/stop/query a no-op.
#pragma once

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
