// SPDX-License-Identifier: MIT
// Allocation failures of the .pzq branch, reached by capping the address
// space of a child process (setrlimit RLIMIT_AS, /proc/self/statm): a Linux
// facility. Left out under AddressSanitizer, whose shadow memory needs more
// address space than any cap here.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

#include "quiz_fixtures.h"
#include "quiz_load.h"

using fixture::Bytes;

#if !defined(__SANITIZE_ADDRESS__)
namespace {

// Runs one load in a child process whose address space is capped `extraMiB`
// above what it already uses, and prints the load's message.
void load_with_memory_cap(const std::string &path, long extraMiB)
{
    FILE *fp = fopen("/proc/self/statm", "r");
    long pages = 0;
    if (fp) {
        if (fscanf(fp, "%ld", &pages) != 1) pages = 0;
        fclose(fp);
    }
    const rlim_t cap = static_cast<rlim_t>(pages) * 4096 + static_cast<rlim_t>(extraMiB) * 1024 * 1024;
    rlimit lim{cap, cap};
    setrlimit(RLIMIT_AS, &lim);
    const bool ok = load_pzq_set(path.c_str());
    fprintf(stderr, "[%s] count=%d\n", g_errorMsg, g_genreCount);
    exit(ok ? 1 : 0);
}

}  // namespace

TEST(PzqMemory, QuestionFieldAllocationFailure)
{
    // Eight full genres need 71 MB of question field; the header alone is
    // enough to reach the allocation.
    const std::string path = fixture::write_file(
        "huge_header.pzq", fixture::pzq_header({32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767}));
    EXPECT_EXIT(load_with_memory_cap(path, 40), ::testing::ExitedWithCode(0),
                ::testing::HasSubstr("[QUIZ_STATUSメモリ確保失敗] count=0"));
    remove(path.c_str());
}

TEST(PzqMemory, ItemArrayAllocationFailureNamesHeaderIndex)
{
    // Genre 1 (1 question) fits; header genre 3 needs 100 MB of items.
    Bytes file = fixture::pzq_header({0, 1, 0, 32767});
    file += fixture::pzq_record(fixture::numbered(1, 0));
    const Bytes rec = fixture::pzq_record(fixture::numbered(3, 0));
    for (int q = 0; q < 32767; ++q) file += rec;
    const std::string path = fixture::write_file("huge_genre.pzq", file);
    EXPECT_EXIT(load_with_memory_cap(path, 50), ::testing::ExitedWithCode(0),
                ::testing::HasSubstr("[メモリ確保失敗 (ジャンル 3)] count=0"));
    remove(path.c_str());
}
#endif
