// SPDX-License-Identifier: MIT
// Fuzzes the .pzq readers on a memory stream, as load_pzq_set calls them:
// header, question field, body. Checks that an accepted header never lets a
// genre point outside the question field, and that every decoded record field
// is NUL-terminated inside its array.
#include <cstdint>
#include <cstdio>

#include "fuzz_support.h"
#include "pzq_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FILE *fp = fmemopen(const_cast<uint8_t *>(data), size, "rb");
    fuzz_check(fp != nullptr, "fmemopen failed");
    QUIZ_STATUS status;
    initQuizStatus(&status);
    if (readpzqHeader(&status, fp) != 0 || !genQuestionField(&status)) {
        fclose(fp);
        relQuestionField(&status);
        return 0;
    }
    fuzz_check(status.total >= 0, "accepted header with a negative total");
    const QUESTION_RECORD *begin = status.questionField;
    const QUESTION_RECORD *end = begin + status.total;
    for (const GENRE_HEADER &g : status.genre) {
        fuzz_check(g.count >= 0, "accepted header with a negative count");
        fuzz_check(g.questions >= begin && g.questions + g.count <= end, "genre outside the question field");
        fuzz_check(std::memchr(g.name, '\0', sizeof g.name) != nullptr, "genre name not NUL-terminated");
    }
    if (readpzqBody(&status, fp) == 0) {
        for (int32_t j = 0; j < status.total; ++j) {
            const QUESTION_RECORD &q = status.questionField[j];
            fuzz_check(std::memchr(q.text, '\0', sizeof q.text) != nullptr, "text field not NUL-terminated");
            for (const auto &choice : q.choice)
                fuzz_check(std::memchr(choice, '\0', sizeof choice) != nullptr, "choice field not NUL-terminated");
        }
    }
    fclose(fp);
    relQuestionField(&status);
    return 0;
}
