// Code page 932 <-> UTF-8 on glibc iconv "CP932".
//
// Both directions pass through a fixed intermediate of 1024 UTF-16 units (a
// text of at most 1023 characters plus its terminator), as the Windows
// converters do; a longer text falls back to a raw byte copy. The intermediate
// is held as UTF-32 code points here, counting two units for a character
// outside the BMP. The UTF-8 side is encoded and decoded by hand, so a result
// that does not fit can be cut at a character boundary.
#include "codepage.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <iconv.h>

namespace {

constexpr int kWideUnits = 1024;           // intermediate capacity, terminator included
constexpr char32_t kUndecodable = 0x30FB;  // "・", what the Windows converter writes
constexpr char kSjisDefault = '?';         // the default character of code page 932

// Converters opened once, on first use, and kept for the life of the process.
// (iconv_t)-1 after a failed open: the conversion then falls back as if the
// text could not be converted.
iconv_t g_toWide = nullptr;
iconv_t g_toSjis = nullptr;

iconv_t open_once(iconv_t *cd, const char *to, const char *from)
{
    if (*cd == nullptr) *cd = iconv_open(to, from);
    return *cd;
}

bool is_lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool is_trail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

int utf8_len(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

void put_utf8(char32_t c, char *out)
{
    const int n = utf8_len(c);
    if (n == 1) {
        out[0] = static_cast<char>(c);
    } else if (n == 2) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
    } else if (n == 3) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out[0] = static_cast<char>(0xF0 | (c >> 18));
        out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[3] = static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 sequence at s (len bytes left, len >= 1). Returns the bytes
// used; *c receives U+FFFD for an invalid or overlong sequence, which then
// consumes one byte.
int get_utf8(const unsigned char *s, size_t len, char32_t *c)
{
    const unsigned char b = s[0];
    int n;
    char32_t v;
    char32_t min;
    if (b < 0x80) { *c = b; return 1; }
    if (b >= 0xC2 && b <= 0xDF) { n = 2; v = b & 0x1F; min = 0x80; }
    else if (b >= 0xE0 && b <= 0xEF) { n = 3; v = b & 0x0F; min = 0x800; }
    else if (b >= 0xF0 && b <= 0xF4) { n = 4; v = b & 0x07; min = 0x10000; }
    else { *c = 0xFFFD; return 1; }
    if (len < static_cast<size_t>(n)) { *c = 0xFFFD; return 1; }
    for (int i = 1; i < n; ++i) {
        if ((s[i] & 0xC0) != 0x80) { *c = 0xFFFD; return 1; }
        v = (v << 6) | (s[i] & 0x3F);
    }
    if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) { *c = 0xFFFD; return 1; }
    *c = v;
    return n;
}

// Raw byte copy of a text too long for the intermediate: at most dstSize - 1
// bytes, then a NUL. Returns the bytes copied.
int fallback_copy(const char *src, char *dst, int dstSize)
{
    if (dstSize <= 0) return 0;
    int n = 0;
    while (n < dstSize - 1 && src[n] != '\0') {
        dst[n] = src[n];
        ++n;
    }
    dst[n] = '\0';
    return n;
}

// Shift-JIS -> code points in wide[], at most kWideUnits - 1 of them. Returns
// the count, or -1 when the text holds more characters than that (or the
// converter is unavailable).
int sjis_to_wide(const char *src, char32_t *wide)
{
    iconv_t cd = open_once(&g_toWide, "UTF-32LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return -1;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);

    const size_t srcLen = strlen(src);
    char *in = const_cast<char *>(src);
    size_t inLeft = srcLen;
    char *out = reinterpret_cast<char *>(wide);
    size_t outLeft = (kWideUnits - 1) * sizeof(char32_t);

    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) return -1;
        // EILSEQ or EINVAL: an undecodable character at `in`. A lead byte with
        // a byte of the trail range after it is one character; anything else
        // is one byte.
        if (outLeft < sizeof(char32_t)) return -1;
        const auto *p = reinterpret_cast<const unsigned char *>(in);
        const size_t skip = (inLeft >= 2 && is_lead(p[0]) && is_trail(p[1])) ? 2 : 1;
        const char32_t dot = kUndecodable;
        memcpy(out, &dot, sizeof dot);  // UTF-32LE on a little-endian host
        out += sizeof dot;
        outLeft -= sizeof dot;
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return static_cast<int>((out - reinterpret_cast<char *>(wide)) / sizeof(char32_t));
}

}  // namespace

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "UTF-32LE is read as native char32_t");

int win_sjis_to_utf8(const char *src, char *dst, int dstSize)
{
    if (!src || !dst || dstSize <= 0) return 0;
    char32_t wide[kWideUnits];
    const int count = sjis_to_wide(src, wide);
    if (count < 0) {
        if (src[0] == '\0') {
            dst[0] = '\0';
            return 0;
        }
        return fallback_copy(src, dst, dstSize);
    }

    int used = 0;
    for (int i = 0; i < count; ++i) {
        const int n = utf8_len(wide[i]);
        if (used + n > dstSize - 1) {
            // Does not fit: keep the whole characters written so far.
            dst[used] = '\0';
            return 0;
        }
        put_utf8(wide[i], dst + used);
        used += n;
    }
    dst[used] = '\0';
    return used + 1;
}

int win_utf8_to_sjis(const char *src, char *dst, int dstSize)
{
    if (!src || !dst || dstSize <= 0) return 0;

    // UTF-8 -> code points, counting UTF-16 units against the intermediate.
    char32_t wide[kWideUnits] = {};
    const auto *s = reinterpret_cast<const unsigned char *>(src);
    const size_t srcLen = strlen(src);
    int count = 0;
    int units = 0;
    bool fits = true;
    for (size_t pos = 0; pos < srcLen;) {
        char32_t c;
        pos += static_cast<size_t>(get_utf8(s + pos, srcLen - pos, &c));
        units += c >= 0x10000 ? 2 : 1;
        if (units > kWideUnits - 1) {
            fits = false;
            break;
        }
        wide[count++] = c;
    }

    iconv_t cd = fits ? open_once(&g_toSjis, "CP932", "UTF-32LE") : reinterpret_cast<iconv_t>(-1);
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
