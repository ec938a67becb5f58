// SPDX-License-Identifier: MIT
#include "quiz_data.h"

#include <cstdlib>
#include <cstring>

#include "codepage.h"

GENRE_DATA g_genres[kMaxGenres];
int32_t g_genreCount = 0;
char g_errorMsg[kErrorMsgSize];

QUIZ_STATUS *initQuizStatus(QUIZ_STATUS *status)
{
    if (!status) return nullptr;
    status->total = 0;
    status->questionField = nullptr;
    for (GENRE_HEADER &g : status->genre) {
        g.count = 0;
        g.questions = nullptr;
        memset(g.name, 0, sizeof g.name);
    }
    return status;
}

QUIZ_STATUS *genQuestionField(QUIZ_STATUS *status)
{
    if (!status) return nullptr;
    if (status->total < 0) return nullptr;
    // calloc(0, ...) may return null; an empty field is still a success.
    size_t n = static_cast<size_t>(status->total);
    void *block = calloc(n > 0 ? n : 1, sizeof(QUESTION_RECORD));
    if (!block) return nullptr;
    status->questionField = static_cast<QUESTION_RECORD *>(block);
    int64_t offset = 0;
    for (GENRE_HEADER &g : status->genre) {
        // Offsets stay inside [0, total]: negative counts are refused by the
        // reader before the field is made, so the sum never runs past the end.
        g.questions = status->questionField + offset;
        offset += g.count;
    }
    return status;
}

QUIZ_STATUS *relQuestionField(QUIZ_STATUS *status)
{
    if (!status) return nullptr;
    for (GENRE_HEADER &g : status->genre) g.questions = nullptr;
    free(status->questionField);
    status->questionField = nullptr;
    return status;
}

void free_genres()
{
    for (int i = 0; i < g_genreCount && i < kMaxGenres; ++i) {
        free(g_genres[i].items);
        g_genres[i].items = nullptr;
    }
    g_genreCount = 0;
}

void convert_sjis_into(const char *sjis, char *slot)
{
    win_sjis_to_utf8(sjis, slot, kTextSize);
    const size_t len = strnlen(slot, kTextSize - 1);
    memset(slot + len, 0, kTextSize - len);
}

void copy_text(char *dst, const char *src, int dstSize)
{
    if (dstSize <= 0) return;
    strncpy(dst, src, static_cast<size_t>(dstSize));
    dst[dstSize - 1] = '\0';
}
