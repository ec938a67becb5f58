// SPDX-License-Identifier: MIT
// The game's two code page 932 conversions over a port's decoding table and
// encoder (cp932_table.h).
#include "codepage.h"
#include "codepage_fallback.h"
#include "cp932_table.h"
#include "utf8.h"

#include <cstring>
#include <new>

namespace {

constexpr int kWideUnits = 1024;  // intermediate capacity, terminator included
constexpr char32_t kUndecodable = 0x30FB;  // "・", what the Windows converter writes

bool is_lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool is_trail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

}  // namespace

Cp932Entry cp932_entry_of(char32_t c)
{
    if (c == 0) return 0;
    char bytes[4] = {};
    const size_t n = utf8_encode(c, bytes);
    Cp932Entry e = static_cast<Cp932Entry>(n) << 24;
    for (size_t i = 0; i < n; ++i) e |= static_cast<Cp932Entry>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return e;
}

const Cp932DecodeTable *cp932_decode_table()
{
    static Cp932DecodeTable *table = nullptr;
    static bool tried = false;
    if (tried) return table;
    tried = true;
    auto *t = new (std::nothrow) Cp932DecodeTable{};
    if (t && !cp932_fill_table(t)) {
        delete t;
        t = nullptr;
    }
    table = t;
    return table;
}

int win_sjis_to_utf8(const char *src, char *dst, int dstSize)
{
    if (!src || !dst || dstSize <= 0) return 0;
    const Cp932DecodeTable *table = cp932_decode_table();
    if (!table) {
        if (src[0] == '\0') {
            dst[0] = '\0';
            return 0;
        }
        return codepage_fallback_copy(src, dst, dstSize);
    }

    static const Cp932Entry kDot = cp932_entry_of(kUndecodable);
    const auto *p = reinterpret_cast<const unsigned char *>(src);
    int chars = 0;
    int used = 0;
    bool fits = true;
    while (*p != 0) {
        // One character: a byte that decodes alone, a two-byte sequence, or
        // an undecodable one (a lead byte with a byte of the trail range after
        // it counts as one, anything else as one byte).
        Cp932Entry e = table->single[p[0]];
        int step = 1;
        if (e == 0) {
            if (table->pairs[p[0]] && p[1] != 0 && table->pair[p[0]][p[1]] != 0) {
                e = table->pair[p[0]][p[1]];
                step = 2;
            } else {
                e = kDot;
                step = (is_lead(p[0]) && p[1] != 0 && is_trail(p[1])) ? 2 : 1;
            }
        }
        if (++chars > kWideUnits - 1) return codepage_fallback_copy(src, dst, dstSize);  // the intermediate is full
        if (fits) {
            const int n = static_cast<int>(e >> 24);
            if (used + n > dstSize - 1) {
                // Does not fit: keep the whole characters written so far, but
                // go on counting, since a text too long for the intermediate
                // falls back to the byte copy instead.
                dst[used] = '\0';
                fits = false;
            } else if (used + 4 <= dstSize - 1) {
                // Room for a whole word: store it; its spare bytes are
                // overwritten by what follows or by the terminator.
                const uint32_t bytes = e & 0xFFFFFF;
                memcpy(dst + used, &bytes, 4);
                used += n;
            } else {
                for (int i = 0; i < n; ++i) dst[used + i] = static_cast<char>(e >> (8 * i));
                used += n;
            }
        }
        p += step;
    }
    if (!fits) return 0;
    dst[used] = '\0';
    return used + 1;
}

int win_utf8_to_sjis(const char *src, char *dst, int dstSize)
{
    if (!src || !dst || dstSize <= 0) return 0;

    // UTF-8 -> code points, counting UTF-16 units against the intermediate.
    char32_t wide[kWideUnits] = {};
    const size_t srcLen = strlen(src);
    int count = 0;
    int units = 0;
    bool fits = true;
    for (size_t pos = 0; pos < srcLen;) {
        // An invalid sequence becomes one U+FFFD for its first byte.
        char32_t c = 0xFFFD;
        const size_t n = utf8_decode(src + pos, srcLen - pos, &c);
        pos += n ? n : 1;
        units += c >= 0x10000 ? 2 : 1;
        if (units > kWideUnits - 1) {
            fits = false;
            break;
        }
        wide[count++] = c;
    }

    const int written = fits ? cp932_encode_run(wide, count, dst, dstSize - 1) : -1;
    if (written >= 0) {
        dst[written] = '\0';
        return written + 1;
    }

    // Too long, or does not fit: the raw UTF-8 bytes, cut and zero-filled.
    strncpy(dst, src, static_cast<size_t>(dstSize - 1));
    dst[dstSize - 1] = '\0';
    return 0;
}
