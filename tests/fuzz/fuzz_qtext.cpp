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
    fuzz_check(genre.items != nullptr && genre.count >= 1, "parsed genre without questions");
    fuzz_check(fuzz_slot_ok(genre.name, sizeof genre.name), "genre name not a UTF-8 slot");
    for (int32_t q = 0; q < genre.count; ++q) {
        const QUIZ_ITEM &item = genre.items[q];
        fuzz_check(fuzz_slot_ok(item.text, sizeof item.text), "question text not a UTF-8 slot");
        for (const auto &choice : item.choice)
            fuzz_check(fuzz_slot_ok(choice, sizeof choice), "choice not a UTF-8 slot");
    }
    std::free(genre.items);
    return 0;
}
