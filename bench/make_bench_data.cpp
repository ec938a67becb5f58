// SPDX-License-Identifier: MIT
// make_bench_data: writes the benchmark quiz sets, which are too large to
// commit, with the game's own .pzq and ZIP writers.
//
//   make_bench_data OUT.pzq     the largest binary set: 8 genres of 32,767
//                               questions (67 MB), every field filled
//   make_bench_data --zip DIR   DIR/zip8x170_stored.zip and _deflated.zip:
//                               8 text members of 170 questions, every line
//                               170 kanji (the most a 511-byte UTF-8 slot holds)
//
// The texts walk through every kanji of code page 932 with a stride, so the
// first megabyte of glyph text (all the font rebuild takes) holds nearly all
// of them: the rebuild rasterises thousands of distinct glyphs.
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "codepage.h"
#include "pzq_format.h"
#include "quiz_load.h"
#include "utf8.h"
#include "zip_writer.h"

namespace {

constexpr int kPzqCount = kPzqMaxQuestions;
constexpr int kZipCount = 170;
constexpr int kStride = 37;  // characters from one text's start to the next

// Every double-byte code page 932 code that decodes to a CJK ideograph
// (U+4E00..U+9FFF), in code order.
std::vector<std::string> kanji_codes()
{
    std::vector<std::string> codes;
    for (int lead = 0x88; lead <= 0xFC; ++lead) {
        if ((lead > 0x9F && lead < 0xE0) || (lead > 0xEE && lead < 0xFA)) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            const std::string raw{static_cast<char>(lead), static_cast<char>(trail)};
            std::string utf8;
            char32_t cp = 0;
            if (!cp932_decode(raw, &utf8) || utf8_decode(utf8.data(), utf8.size(), &cp) != utf8.size()) continue;
            if (cp >= 0x4E00 && cp <= 0x9FFF) codes.push_back(raw);
        }
    }
    return codes;
}

// `chars` kanji in a row from character `from` on, wrapping round the list.
std::string kanji_run(const std::vector<std::string> &codes, size_t from, int chars)
{
    std::string out;
    for (int k = 0; k < chars; ++k) out += codes[(from + static_cast<size_t>(k)) % codes.size()];
    return out;
}

std::string genre_name(int g)
{
    std::string sjis;
    cp932_encode("漢字ジャンル" + std::to_string(g), &sjis);
    return sjis;
}

// Writes `data` to `path` through a temporary file, so a cut-off run never
// leaves a file that looks finished.
bool write_whole(const std::string &path, const std::string &data)
{
    const std::string tmp = path + ".tmp";
    FILE *f = fopen(tmp.c_str(), "wb");
    if (!f) return false;
    const bool ok = fwrite(data.data(), 1, data.size(), f) == data.size();
    if (fclose(f) != 0 || !ok || rename(tmp.c_str(), path.c_str()) != 0) {
        remove(tmp.c_str());
        return false;
    }
    return true;
}

bool write_pzq(const std::string &path)
{
    const std::vector<std::string> codes = kanji_codes();
    std::array<int, kMaxGenres> counts;
    std::array<std::string, kMaxGenres> names;
    for (int g = 0; g < kMaxGenres; ++g) {
        counts[g] = kPzqCount;
        names[g] = genre_name(g);
    }
    std::string out = pzq_write_header(counts, names);
    out.reserve(static_cast<size_t>(kPzqLargestFile));
    // A record is 128 double-byte characters: 58 in the question, 14 in each
    // choice, every field full. Record j starts kStride * j characters on.
    constexpr int kQuestionChars = kPzqTextWidth / 2, kChoiceChars = kPzqChoiceWidth / 2;
    for (size_t j = 0; j < static_cast<size_t>(kMaxGenres) * kPzqCount; ++j) {
        const size_t from = j * kStride;
        std::array<std::string, 5> choices;
        for (size_t c = 0; c < 5; ++c)
            choices[c] = kanji_run(codes, from + kQuestionChars + c * kChoiceChars, kChoiceChars);
        out += pzq_write_record(kanji_run(codes, from, kQuestionChars), choices);
    }
    return write_whole(path, out);
}

bool write_zips(const std::string &folder)
{
    const std::vector<std::string> codes = kanji_codes();
    std::vector<ZipWriterMember> members;
    size_t pos = 0;
    for (int g = 0; g < kMaxGenres; ++g) {
        std::string text = genre_name(g) + "\r\n";
        for (int line = 0; line < kZipCount * 6; ++line, pos += kStride) text += kanji_run(codes, pos, 170) + "\r\n";
        members.push_back({genre_member_name(g), text});
    }
    for (const bool store : {true, false}) {
        std::string zip;
        if (!zip_build_archive(members, store, zip)) return false;
        if (!write_whole(folder + (store ? "/zip8x170_stored.zip" : "/zip8x170_deflated.zip"), zip)) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char **argv)
{
    bool ok;
    if (argc == 3 && strcmp(argv[1], "--zip") == 0) {
        ok = write_zips(argv[2]);
    } else if (argc == 2) {
        ok = write_pzq(argv[1]);
    } else {
        fputs("usage: make_bench_data OUT.pzq | make_bench_data --zip DIR\n", stderr);
        return 2;
    }
    if (!ok) fprintf(stderr, "make_bench_data: could not write %s\n", argv[argc - 1]);
    return ok ? 0 : 1;
}
