// SPDX-License-Identifier: MIT
// quiz_data: the playable question table and the binary file's working records.
//
// g_genres[0 .. g_genreCount-1] are the loaded genres, UTF-8 throughout. Each
// owns one heap block of `count` QUIZ_ITEMs. Only the loading pipeline writes
// the table; everything else reads it. Entries at or past g_genreCount are
// ignored and never hold live pointers after a load.
//
// QUIZ_STATUS is one binary (.pzq) file as read: its eight genre headers and one
// block of decoded, still Shift-JIS question records. It lives only during one
// load (see pzq_reader.h).
#pragma once

#include <cstdint>

constexpr int kMaxGenres = 8;
constexpr int kTextSize = 512;  // every text slot: at most 511 bytes plus NUL
constexpr int kChoices = 5;  // a question's choices: the right answer, then four wrong ones
constexpr int kLinesPerQuestion = 1 + kChoices;  // a question's lines in a genre text: it, then its choices

struct QUIZ_ITEM {
    char text[kTextSize];
    char choice[kChoices][kTextSize];  // choice[0] is the right answer
};
static_assert(sizeof(QUIZ_ITEM) == 3072);

struct GENRE_DATA {
    char name[kTextSize];
    QUIZ_ITEM *items;  // count items, owned by the entry; null when empty
    int32_t count;
};

struct QUESTION_RECORD {
    char text[119];
    char choice[kChoices][31];
};
static_assert(sizeof(QUESTION_RECORD) == 274);

struct GENRE_HEADER {
    int32_t count;
    QUESTION_RECORD *questions;  // first record of this genre inside questionField
    char name[24];  // 16 raw Shift-JIS bytes, always NUL-terminated
};

struct QUIZ_STATUS {
    int32_t total;
    QUESTION_RECORD *questionField;
    GENRE_HEADER genre[kMaxGenres];
};

extern GENRE_DATA g_genres[kMaxGenres];
extern int32_t g_genreCount;

// Message of the last failed load, UTF-8; empty when the last load succeeded
// (or none was made).
constexpr int kErrorMsgSize = 256;
extern char g_errorMsg[kErrorMsgSize];

// Zeroes the status (total 0, no field, eight empty headers). Null in, null out.
QUIZ_STATUS *initQuizStatus(QUIZ_STATUS *status);
// Allocates total zero-filled records and points each genre at its first one.
// Returns null (field stays null) when the block cannot be had; total 0 is a
// valid empty block.
QUIZ_STATUS *genQuestionField(QUIZ_STATUS *status);
// Clears the eight genre pointers and frees the field.
QUIZ_STATUS *relQuestionField(QUIZ_STATUS *status);

// Frees the items of the first g_genreCount entries and sets the count to 0.
void free_genres();

// Copies src into a fixed text slot of dstSize bytes, always NUL-terminated.
void copy_text(char *dst, const char *src, int dstSize);
// Converts Shift-JIS text straight into a 512-byte UTF-8 slot and zero-fills
// the rest of it: the same bytes as converting into a buffer and strncpy-ing
// that over.
void convert_sjis_into(const char *sjis, char *slot);
