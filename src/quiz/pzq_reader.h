// SPDX-License-Identifier: MIT
// pzq_reader: the binary quiz file (.pzq) readers.
//
// The layout is pzq_format.h's. readpzqHeader reads exactly the 2048 header bytes;
// readpzqBody reads exactly `total` question records and nothing after them.
// Texts stay Shift-JIS here; load_pzq_set (quiz_load.h) converts them.
// Both readers return 0 on success and -1 on failure, and never read past the
// records they were asked for.
#pragma once

#include <cstdio>

#include "pzq_format.h"
#include "quiz_data.h"

// A .pzq file's bytes in memory, read from `at` on.
struct PzqBytes {
    const unsigned char *data = nullptr;
    size_t size = 0;
    size_t at = 0;
};

// Reads the eight header records into a status fresh from initQuizStatus.
// Fails on a short file, a record 0 without either magic, or a negative count
// (a count below zero would point genres outside the question field).
int readpzqHeader(QUIZ_STATUS *status, FILE *fp);
int readpzqHeader(QUIZ_STATUS *status, PzqBytes *in);

// Reads and decodes `total` question records into the question field.
int readpzqBody(QUIZ_STATUS *status, FILE *fp);
int readpzqBody(QUIZ_STATUS *status, PzqBytes *in);

// Decodes one byte-encoded, space-padded field of `width` stored bytes into
// out (capacity at least width + 1): bit 7 flipped back, trailing padding
// dropped, a double-byte character never split at a stored space.
void decodePzqField(const unsigned char *stored, int width, char *out);
