// SPDX-License-Identifier: MIT
// Fuzzes parse_qtext_member on raw member bytes. A parsed genre must hold at
// least one question and only NUL-terminated, well-formed UTF-8 texts; a
// refused one must hold no allocation (LeakSanitizer would see it).
#include <cstdint>
#include <cstdlib>

#include "fuzz_support.h"
#include "quiz_load.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0xFFFFFFFFu) return 0;
    GENRE_DATA genre{};
    if (!parse_qtext_member(data, static_cast<uint32_t>(size), &genre)) {
        fuzz_check(genre.items == nullptr, "refused member left an item array");
        return 0;
    }
    fuzz_check_genre(genre);
    std::free(genre.items);
    return 0;
}
