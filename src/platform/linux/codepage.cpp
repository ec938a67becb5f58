// SPDX-License-Identifier: MIT
// Code page 932 <-> UTF-8 on glibc iconv "CP932": the decoding table and the
// encoder behind the shared conversions of cp932_table.cpp, and the whole-text
// conversions of the authors' tool.
//
// Shift-JIS -> UTF-8 runs once per text of a quiz set, over a million times
// for the largest one, so it does not call iconv per text: iconv decodes every
// single byte and every two-byte sequence once, on first use, into a table,
// and the texts are then decoded in one pass over that table. The table holds
// exactly what iconv answers, so the results are iconv's.
#include "codepage.h"
#include "cp932_iconv.h"
#include "cp932_table.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <string>

namespace {

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

}  // namespace

// False when iconv has no "CP932" converter.
bool cp932_fill_table(Cp932DecodeTable *t)
{
    iconv_t cd = open_once(&s_toWide, "UTF-32LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    for (int b = 1; b < 256; ++b) {
        const unsigned char one[1] = {static_cast<unsigned char>(b)};
        t->single[b] = cp932_entry_of(cp932_iconv_decode(cd, one, 1));
        // A byte that decodes alone followed by another is two characters,
        // never a pair: only bytes that do not decode alone can lead.
        if (t->single[b] != 0) continue;
        for (int c = 1; c < 256; ++c) {
            const unsigned char two[2] = {static_cast<unsigned char>(b), static_cast<unsigned char>(c)};
            t->pair[b][c] = cp932_entry_of(cp932_iconv_decode(cd, two, 2));
            if (t->pair[b][c] != 0) t->pairs[b] = true;
        }
    }
    return true;
}

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "UTF-32LE is read as native char32_t");

int cp932_encode_run(const char32_t *wide, int count, char *out, int outCap)
{
    iconv_t cd = open_once(&s_toSjis, "CP932", "UTF-32LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) return -1;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char *in = reinterpret_cast<char *>(const_cast<char32_t *>(wide));
    size_t inLeft = static_cast<size_t>(count) * sizeof(char32_t);
    char *dst = out;
    size_t outLeft = static_cast<size_t>(outCap);
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno != EILSEQ || outLeft < 1) return -1;
        // A character code page 932 lacks: the default character.
        *dst++ = kSjisDefault;
        --outLeft;
        in += sizeof(char32_t);
        inLeft -= sizeof(char32_t);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return static_cast<int>(dst - out);
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
