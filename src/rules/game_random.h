// SPDX-License-Identifier: MIT
// game_random: the game's own random numbers. Every random choice of the game
// is game_rand() % n, seeded once by game_srand at start-up.
//
// It gives exactly the sequence glibc's srand/rand give for the same seed
// (its additive feedback generator, TYPE_3), on both systems, but from a
// state of its own: a library that calls rand() between the seed and a draw
// (SDL's PulseAudio backend does, twelve times) changes nothing.
#pragma once

void game_srand(unsigned int seed);
int game_rand();  // 0 to 2^31 - 1
