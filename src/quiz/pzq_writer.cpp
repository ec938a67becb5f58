// SPDX-License-Identifier: MIT
// The .pzq writer: header records and question records, as pzq_format.h lays
// them out.
#include <cstring>

#include "pzq_format.h"

bool pzq_is_magic(const char *magic)
{
    return memcmp(magic, kPzqMagic, kPzqMagicSize) == 0 || memcmp(magic, kPzqMagicOther, kPzqMagicSize) == 0;
}

std::string pzq_write_header(const std::array<int, kMaxGenres> &counts,
                             const std::array<std::string, kMaxGenres> &names)
{
    std::string out(kPzqHeaderSize, '\0');
    for (size_t g = 0; g < kMaxGenres; ++g) {
        const size_t record = g * kPzqRecordSize;
        out.replace(record, std::min<size_t>(names[g].size(), kPzqNameSize), names[g].substr(0, kPzqNameSize));
        const auto count = static_cast<uint16_t>(static_cast<int16_t>(counts[g]));
        out[record + kPzqCountOffset] = static_cast<char>(count & 0xFF);
        out[record + kPzqCountOffset + 1] = static_cast<char>(count >> 8);
    }
    out.replace(kPzqMagicOffset, kPzqMagicSize, kPzqMagic);
    return out;
}

std::string pzq_write_field(const std::string &plain, int width)
{
    std::string out(static_cast<size_t>(width), ' ');
    for (size_t i = 0; i < plain.size() && i < out.size(); ++i)
        out[i] = static_cast<char>(static_cast<unsigned char>(plain[i]) + 0x80);
    return out;
}

std::string pzq_write_record(const std::string &text, const std::array<std::string, kChoices> &choices)
{
    std::string out = pzq_write_field(text, kPzqTextWidth);
    for (const std::string &c : choices) out += pzq_write_field(c, kPzqChoiceWidth);
    return out;  // 116 + 5 x 28: exactly one record
}
