// SPDX-License-Identifier: MIT
// Fuzzes both code-page conversions on the input as a C string, into
// destination blocks of exactly the size passed, so AddressSanitizer sees any
// write past them. Sizes: the game's 512, a small one taken from the input
// length (cuts mid-character), and a large one that lets long texts reach the
// raw-copy fallback.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codepage.h"
#include "fuzz_support.h"

namespace {

// One conversion into a heap block of exactly dstSize bytes, filled with 0x7F
// first so that a missing terminator shows. The text must end inside the
// block; the block is freed with the object.
struct Converted {
    char *dst;
    int result;
    size_t len;  // of the text, up to its NUL

    Converted(int (*convert)(const char *, char *, int), const char *src, int dstSize, const char *unterminated)
        : dst(static_cast<char *>(std::malloc(static_cast<size_t>(dstSize))))
    {
        std::memset(dst, 0x7F, static_cast<size_t>(dstSize));
        result = convert(src, dst, dstSize);
        const void *nul = std::memchr(dst, '\0', static_cast<size_t>(dstSize));
        fuzz_check(nul != nullptr, unterminated);
        len = static_cast<size_t>(static_cast<const char *>(nul) - dst);
    }
    ~Converted() { std::free(dst); }
    Converted(const Converted &) = delete;
    Converted &operator=(const Converted &) = delete;
};

void sjis_to_utf8(const char *src, int dstSize)
{
    const Converted c(win_sjis_to_utf8, src, dstSize, "Shift-JIS -> UTF-8 left dst unterminated");
    fuzz_check(c.result >= 0 && c.result <= dstSize, "Shift-JIS -> UTF-8 result out of range");
    // The raw-copy fallback returns the bytes copied (no NUL counted); every
    // converted result, whole or cut, is well-formed UTF-8.
    const bool rawCopy = c.result > 0 && static_cast<size_t>(c.result) == c.len;
    if (!rawCopy) {
        fuzz_check(c.result == 0 || static_cast<size_t>(c.result) == c.len + 1,
                   "Shift-JIS -> UTF-8 count is not length + 1");
        fuzz_check(fuzz_is_utf8(c.dst, c.len), "Shift-JIS -> UTF-8 result is not UTF-8");
    }
}

void utf8_to_sjis(const char *src, int dstSize)
{
    const Converted c(win_utf8_to_sjis, src, dstSize, "UTF-8 -> Shift-JIS left dst unterminated");
    fuzz_check(c.result == 0 || static_cast<size_t>(c.result) == c.len + 1,
               "UTF-8 -> Shift-JIS count is not length + 1");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<char> src(data, data + size);
    src.push_back('\0');
    const int small = 1 + static_cast<int>(size % 17);
    for (int dstSize : {512, small, 4096}) {
        sjis_to_utf8(src.data(), dstSize);
        utf8_to_sjis(src.data(), dstSize);
    }
    return 0;
}
