// Code page 932 <-> UTF-8 on glibc iconv "CP932".
//
// Both directions behave as if they passed through a fixed intermediate of
// 1024 UTF-16 units (a text of at most 1023 characters plus its terminator),
// as the Windows converters do; a longer text falls back to a raw byte copy.
// The UTF-8 side is encoded and decoded by hand, so a result that does not fit
// can be cut at a character boundary.
//
// Shift-JIS -> UTF-8 runs once per text of a quiz set, over a million times
// for the largest one, so it does not call iconv per text: iconv decodes every
// single byte and every two-byte sequence once, on first use, into a table,
// and the texts are then decoded and encoded in one pass over that table.
// The table holds exactly what iconv answers, so the results are iconv's.
#include "codepage.h"
#include "codepage_fallback.h"
#include "utf8.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <new>
#include <string>

namespace {

constexpr int kWideUnits = 1024;  // intermediate capacity, terminator included
constexpr char32_t kUndecodable = 0x30FB;  // "・", what the Windows converter writes
constexpr char kSjisDefault = '?';  // the default character of code page 932

// Converters opened once, on first use, and kept for the life of the process.
// (iconv_t)-1 after a failed open: the conversion then falls back as if the
// text could not be converted.
iconv_t s_toWide = nullptr;
iconv_t s_toSjis = nullptr;

iconv_t open_once(iconv_t *cd, const char *to, const char *from)
{
    if (*cd == nullptr) *cd = iconv_open(to, from);
    return *cd;
}

bool is_lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool is_trail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// What iconv makes of each byte sequence of code page 932, as UTF-8: a single
// byte alone, or a lead byte with the byte after it. Built once.
// An entry is the UTF-8 bytes in its low three bytes, in order, and their
// count in the top byte; 0 when the bytes do not decode that way. Code page
// 932 decodes into the BMP only, so three bytes always do.
using DecodeEntry = uint32_t;
struct DecodeTable {
    DecodeEntry single[256];
    bool pairs[256];  // some two-byte sequence starts with this byte
    DecodeEntry pair[256][256];  // [first][second]
};

// iconv's answer for exactly the bytes in[0..n): the one code point they make
// together, or 0 (also for code points outside the BMP, which code page 932
// has none of).
char32_t decode_with_iconv(iconv_t cd, const unsigned char *in, size_t n)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char buf[4];
    memcpy(buf, in, n);
    char *inp = buf;
    size_t inLeft = n;
    char32_t out[2] = {0, 0};
    char *outp = reinterpret_cast<char *>(out);
    size_t outLeft = sizeof out;
    if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) return 0;
    if (outLeft != sizeof out - sizeof(char32_t)) return 0;  // not exactly one character
    return out[0] > 0 && out[0] <= 0xFFFF ? out[0] : 0;
}

DecodeEntry entry_of(char32_t c)
{
    if (c == 0) return 0;
    char bytes[4] = {};
    const size_t n = utf8_encode(c, bytes);
    DecodeEntry e = static_cast<DecodeEntry>(n) << 24;
    for (size_t i = 0; i < n; ++i) e |= static_cast<DecodeEntry>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return e;
}

// Null when iconv has no "CP932" converter.
const DecodeTable *decode_table()
{
    static DecodeTable *table = nullptr;
    static bool tried = false;
    if (tried) return table;
    tried = true;
    iconv_t cd = open_once(&s_toWide, "UTF-32LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
    auto *t = new (std::nothrow) DecodeTable{};
    if (!t) return nullptr;
    for (int b = 1; b < 256; ++b) {
        const unsigned char one[1] = {static_cast<unsigned char>(b)};
        t->single[b] = entry_of(decode_with_iconv(cd, one, 1));
        // A byte that decodes alone followed by another is two characters,
        // never a pair: only bytes that do not decode alone can lead.
        if (t->single[b] != 0) continue;
        for (int c = 1; c < 256; ++c) {
            const unsigned char two[2] = {static_cast<unsigned char>(b), static_cast<unsigned char>(c)};
            t->pair[b][c] = entry_of(decode_with_iconv(cd, two, 2));
            if (t->pair[b][c] != 0) t->pairs[b] = true;
        }
    }
    table = t;
    return table;
}

}  // namespace

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "UTF-32LE is read as native char32_t");

int win_sjis_to_utf8(const char *src, char *dst, int dstSize)
{
    if (!src || !dst || dstSize <= 0) return 0;
    const DecodeTable *table = decode_table();
    if (!table) {
        if (src[0] == '\0') {
            dst[0] = '\0';
            return 0;
        }
        return codepage_fallback_copy(src, dst, dstSize);
    }

    static const DecodeEntry kDot = entry_of(kUndecodable);
    const auto *p = reinterpret_cast<const unsigned char *>(src);
    int chars = 0;
    int used = 0;
    bool fits = true;
    while (*p != 0) {
        // One character: a byte that decodes alone, a two-byte sequence, or
        // an undecodable one (a lead byte with a byte of the trail range after
        // it counts as one, anything else as one byte).
        DecodeEntry e = table->single[p[0]];
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

    iconv_t cd = fits ? open_once(&s_toSjis, "CP932", "UTF-32LE") : reinterpret_cast<iconv_t>(-1);
    if (cd != reinterpret_cast<iconv_t>(-1)) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char *in = reinterpret_cast<char *>(wide);
        size_t inLeft = static_cast<size_t>(count) * sizeof(char32_t);
        char *out = dst;
        size_t outLeft = static_cast<size_t>(dstSize - 1);
        bool ok = true;
        while (inLeft > 0) {
            if (iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1)) break;
            if (errno != EILSEQ || outLeft < 1) {
                ok = false;
                break;
            }
            // A character code page 932 lacks: the default character.
            *out++ = kSjisDefault;
            --outLeft;
            in += sizeof(char32_t);
            inLeft -= sizeof(char32_t);
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
        if (ok) {
            *out = '\0';
            return static_cast<int>(out - dst) + 1;
        }
    }

    // Too long, or does not fit: the raw UTF-8 bytes, cut and zero-filled.
    strncpy(dst, src, static_cast<size_t>(dstSize - 1));
    dst[dstSize - 1] = '\0';
    return 0;
}

namespace {

iconv_t s_encodeStrict = nullptr;
iconv_t s_decodeStrict = nullptr;

// One whole conversion; false on any character the converter refuses.
bool convert_whole(iconv_t cd, std::string_view in, std::string *out)
{
    out->clear();
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string buf(in.size() * 4 + 16, '\0');
    char *src = const_cast<char *>(in.data());
    size_t srcLeft = in.size();
    char *dst = buf.data();
    size_t dstLeft = buf.size();
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1) ||
        iconv(cd, nullptr, nullptr, &dst, &dstLeft) == static_cast<size_t>(-1))
        return false;
    out->assign(buf.data(), static_cast<size_t>(dst - buf.data()));
    return true;
}

}  // namespace

bool cp932_encode(std::string_view utf8, std::string *sjis)
{
    return convert_whole(open_once(&s_encodeStrict, "CP932", "UTF-8"), utf8, sjis);
}

bool cp932_decode(std::string_view sjis, std::string *utf8)
{
    return convert_whole(open_once(&s_decodeStrict, "UTF-8", "CP932"), sjis, utf8);
}
