// SPDX-License-Identifier: MIT
// Code page 932 <-> UTF-8 in the browser: the decoding table and the encoder
// behind the shared conversions of cp932_table.cpp, and the whole-text
// conversions, over tables generated from glibc iconv "CP932" at build time
// (cp932_data.h). The results are the Linux port's, byte for byte.
#include "codepage.h"
#include "cp932_data.h"
#include "cp932_table.h"
#include "utf8.h"

namespace {

constexpr char kSjisDefault = '?';  // the default character of code page 932

// The code page 932 bytes of code point c (see cp932_data.h), or kCp932NoForm.
uint16_t form_of(char32_t c) { return c <= 0xFFFF ? kCp932Encode[c] : kCp932NoForm; }

// Appends the bytes of code point c to *out; false when code page 932 has no
// form for it.
bool encode_char(char32_t c, std::string *out)
{
    const uint16_t bytes = form_of(c);
    if (bytes == kCp932NoForm) return false;
    if (bytes > 0xFF) out->push_back(static_cast<char>(bytes >> 8));
    out->push_back(static_cast<char>(bytes & 0xFF));
    return true;
}

}  // namespace

bool cp932_fill_table(Cp932DecodeTable *t)
{
    for (int b = 1; b < 256; ++b) t->single[b] = cp932_entry_of(kCp932Single[b]);
    for (int i = 0; i < kCp932LeadCount; ++i) {
        const int lead = kCp932Leads[i];
        t->pairs[lead] = true;
        for (int c = 1; c < 256; ++c) t->pair[lead][c] = cp932_entry_of(kCp932Pair[i][c]);
    }
    return true;
}

int cp932_encode_run(const char32_t *wide, int count, char *out, int outCap)
{
    int used = 0;
    for (int i = 0; i < count; ++i) {
        const uint16_t bytes = form_of(wide[i]);
        if (bytes == kCp932NoForm) {
            // A character code page 932 lacks: the default character.
            if (used + 1 > outCap) return -1;
            out[used++] = kSjisDefault;
        } else if (bytes > 0xFF) {
            if (used + 2 > outCap) return -1;
            out[used++] = static_cast<char>(bytes >> 8);
            out[used++] = static_cast<char>(bytes & 0xFF);
        } else {
            if (used + 1 > outCap) return -1;
            out[used++] = static_cast<char>(bytes);
        }
    }
    return used;
}

bool cp932_encode(std::string_view utf8, std::string *sjis)
{
    sjis->clear();
    for (size_t pos = 0; pos < utf8.size();) {
        char32_t c = 0;
        const size_t n = utf8_decode(utf8.data() + pos, utf8.size() - pos, &c);
        if (n == 0 || !encode_char(c, sjis)) return false;
        pos += n;
    }
    return true;
}

bool cp932_decode(std::string_view sjis, std::string *utf8)
{
    utf8->clear();
    const Cp932DecodeTable *table = cp932_decode_table();
    if (!table) return false;
    for (size_t pos = 0; pos < sjis.size();) {
        const auto b = static_cast<unsigned char>(sjis[pos]);
        if (b == 0) {  // NUL stands for itself, as in iconv
            utf8->push_back('\0');
            pos += 1;
            continue;
        }
        Cp932Entry e = table->single[b];
        size_t step = 1;
        if (e == 0 && pos + 1 < sjis.size() && table->pairs[b]) {
            e = table->pair[b][static_cast<unsigned char>(sjis[pos + 1])];
            step = 2;
        }
        if (e == 0) return false;
        for (int i = 0; i < static_cast<int>(e >> 24); ++i) utf8->push_back(static_cast<char>(e >> (8 * i)));
        pos += step;
    }
    return true;
}
