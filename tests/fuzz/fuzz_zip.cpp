// SPDX-License-Identifier: MIT
// Fuzzes zip_read_file on an archive image written to a temp file. Two member
// names are asked for, so both the walk that skips members and the one that
// decodes a match see every input. Besides the sanitizers, it checks the
// reader's result contract, and that the walk pelzo-quiz explains loads with
// (zip_walk_bytes) reports for each name exactly what the read gave.
#include <cstdint>

#include "fuzz_support.h"
#include "zip_reader.h"

namespace {

FuzzFile s_file;

void read_one(const char *path, const char *name, const ZipWalk &walk)
{
    unsigned char *out = reinterpret_cast<unsigned char *>(1);  // must be overwritten
    uint32_t outSize = 0xDEADBEEFu;
    const int r = zip_read_file(path, name, &out, &outSize);
    const ZipMemberReport *reported = nullptr;
    for (const ZipMemberReport &m : walk.members) {
        if (m.baseName == name) {
            reported = &m;
            break;
        }
    }
    const int expected = !reported                                        ? -1
                         : reported->state == ZipMemberState::Readable    ? 0
                         : reported->state == ZipMemberState::Unsupported ? -2
                                                                          : -1;
    fuzz_check(r == expected, "the walk's report and the read disagree");
    fuzz_check(r == 0 || r == -1 || r == -2, "result other than 0, -1, -2");
    if (r == 0) {
        fuzz_check(out != nullptr, "success without a block");
        fuzz_check(outSize <= (64u << 20), "member larger than the 64 MiB limit");
        fuzz_check(out[outSize] == 0, "block not NUL-terminated");
    } else {
        fuzz_check(out == nullptr && outSize == 0, "failure left an output behind");
    }
    zip_free(out);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    std::atexit([] { fuzz_file_remove(&s_file); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *path = fuzz_file_write(&s_file, ".zip", data, size);
    const ZipWalk walk = zip_walk_bytes(data, size);
    read_one(path, "qtext_0.txt", walk);
    read_one(path, "qtext_1.txt", walk);
    return 0;
}
