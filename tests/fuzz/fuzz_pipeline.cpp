// SPDX-License-Identifier: MIT
// Fuzzes the whole loading pipeline, load_quiz_file, on a temp file. The first
// input byte picks the branch: odd takes a ".pzq" path (binary reader), even a
// ".zip" path (ZIP reader and text members); the rest is the file. Checks the
// pipeline's all-or-nothing contract and releases the table after each input,
// so LeakSanitizer sees no growth.
#include <cstdint>

#include "fuzz_support.h"
#include "quiz_load.h"

namespace {

FuzzFile s_pzq;
FuzzFile s_zip;

void check_loaded()
{
    fuzz_check(g_genreCount >= 1 && g_genreCount <= kMaxGenres, "success with a genre count out of 1..8");
    fuzz_check(g_errorMsg[0] == '\0', "success left an error message");
    for (int i = 0; i < g_genreCount; ++i) fuzz_check_genre(g_genres[i]);
    for (int i = g_genreCount; i < kMaxGenres; ++i)
        fuzz_check(g_genres[i].items == nullptr, "entry past the count holds items");
}

void check_failed()
{
    fuzz_check(g_genreCount == 0, "failure left genres counted");
    fuzz_check(g_errorMsg[0] != '\0', "failure without a message");
    fuzz_check(fuzz_slot_ok(g_errorMsg, sizeof g_errorMsg), "message not a UTF-8 slot");
    for (const GENRE_DATA &g : g_genres) fuzz_check(g.items == nullptr, "failure left an item array");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    std::atexit([] {
        fuzz_file_remove(&s_pzq);
        fuzz_file_remove(&s_zip);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0) return 0;
    const bool binary = data[0] & 1;
    const char *path = binary ? fuzz_file_write(&s_pzq, ".pzq", data + 1, size - 1)
                              : fuzz_file_write(&s_zip, ".zip", data + 1, size - 1);
    if (load_quiz_file(path))
        check_loaded();
    else
        check_failed();
    free_genres();
    return 0;
}
