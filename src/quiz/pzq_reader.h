// pzq_reader: the binary quiz file (.pzq) readers.
//
// A .pzq file is eight 256-byte genre header records (record 0 carries the
// magic "PELZOQDT" or "PELZOQDX") followed by the question records of every
// genre in header order. readpzqHeader reads exactly the 2048 header bytes;
// readpzqBody reads exactly `total` question records and nothing after them.
// Texts stay Shift-JIS here; load_pzq_set (quiz_load.h) converts them.
// Both readers return 0 on success and -1 on failure, and never read past the
// records they were asked for.
#pragma once

#include <cstdio>

#include "quiz_data.h"

constexpr int kPzqRecordSize = 256;
constexpr int kPzqHeaderSize = kMaxGenres * kPzqRecordSize;  // 2048
constexpr int kPzqNameSize = 16;
constexpr int kPzqCountOffset = 18;
constexpr int kPzqMagicOffset = 34;
constexpr int kPzqMagicSize = 8;
constexpr int kPzqTextWidth = 116;
constexpr int kPzqChoiceWidth = 28;

// Reads the eight header records into a status fresh from initQuizStatus.
// Fails on a short file, a record 0 without either magic, or a negative count
// (a count below zero would point genres outside the question field).
int readpzqHeader(QUIZ_STATUS *status, FILE *fp);

// Reads and decodes `total` question records into the question field.
int readpzqBody(QUIZ_STATUS *status, FILE *fp);

// Decodes one byte-encoded, space-padded field of `width` stored bytes into
// out (capacity at least width + 1): bit 7 flipped back, trailing padding
// dropped, a double-byte character never split at a stored space.
void decodePzqField(const unsigned char *stored, int width, char *out);
