// SPDX-License-Identifier: MIT
// Test fixtures made by code: a .pzq writer, ZIP archives from the game's
// own writer (stored, deflated or any method number), and file helpers.
// Shared by the quiz and tool tests.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pzq_format.h"
#include "zip_format.h"
#include "zip_writer.h"

namespace fixture {

using Bytes = std::string;

inline void put16(Bytes &b, size_t at, uint16_t v)
{
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}

inline void append16(Bytes &b, uint16_t v)
{
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>(v >> 8);
}
inline void append32(Bytes &b, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline Bytes le32(uint32_t v)
{
    Bytes b;
    append32(b, v);
    return b;
}

// One question in plain Shift-JIS: text, then choice 0 (right) to 4.
struct PzqQuestion {
    std::string text;
    std::array<std::string, 5> choice;
};

// Stores a plain Shift-JIS text the way a .pzq field does: bit 7 flipped,
// padded with plain spaces to `width`.
inline Bytes encode_field(const std::string &plain, size_t width) { return pzq_write_field(plain, int(width)); }

// The game's header records; the magic may be moved to another record (or
// be another text) to make headers the reader must refuse.
inline Bytes pzq_header(const std::array<int, 8> &counts, const std::array<std::string, 8> &names = {},
                        const char *magic = kPzqMagic, int magicRecord = 0)
{
    Bytes h = pzq_write_header(counts, names);
    h.replace(kPzqMagicOffset, kPzqMagicSize, std::string(kPzqMagicSize, '\0'));
    h.replace(static_cast<size_t>(magicRecord) * kPzqRecordSize + kPzqMagicOffset, kPzqMagicSize,
              std::string(magic, kPzqMagicSize));
    return h;
}

inline Bytes pzq_record(const PzqQuestion &q) { return pzq_write_record(q.text, q.choice); }

// A question whose texts name the genre and the question: "g1q3", "g1q3a0", ...
inline PzqQuestion numbered(int genre, int q)
{
    PzqQuestion out;
    out.text = "g" + std::to_string(genre) + "q" + std::to_string(q);
    for (int c = 0; c < 5; ++c) out.choice[c] = out.text + "a" + std::to_string(c);
    return out;
}

// A whole file: header with these counts, then numbered questions for every
// genre in header order.
inline Bytes pzq_file(const std::array<int, 8> &counts, const std::array<std::string, 8> &names = {})
{
    Bytes f = pzq_header(counts, names);
    for (int g = 0; g < 8; ++g)
        for (int q = 0; q < counts[g]; ++q) f += pzq_record(numbered(g, q));
    return f;
}

struct ZipMember {
    std::string name;
    Bytes data;
    int method = 0;  // 0 stored, 8 deflated, anything else written as stored bytes
};

// A ZIP archive with sizes and CRCs in the local headers and a central
// directory, as the game's own writer makes it.
inline Bytes zip_archive(const std::vector<ZipMember> &members)
{
    std::vector<ZipWriterMember> written;
    for (const ZipMember &m : members) written.push_back({m.name, m.data, m.method});
    Bytes out;
    EXPECT_TRUE(zip_build_archive(written, true, out));
    return out;
}

// Joins lines with a line ending, each line (the last one too) terminated.
inline Bytes lines(const std::vector<std::string> &ls, const char *eol = "\n")
{
    Bytes out;
    for (const std::string &l : ls) out += l + eol;
    return out;
}

// A genre member of q questions in plain ASCII: "G", then "Qk", "Rk", "Wk1".."Wk4".
inline std::vector<std::string> genre_lines(const std::string &name, int q)
{
    std::vector<std::string> out{name};
    for (int k = 0; k < q; ++k) {
        const std::string n = std::to_string(k);
        out.insert(out.end(), {"Q" + n, "R" + n, "W" + n + "1", "W" + n + "2", "W" + n + "3", "W" + n + "4"});
    }
    return out;
}

// A path in this test's own folder under the test output, so tests running in
// parallel processes never share a file.
inline std::string out_path(const std::string &name)
{
    const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string dir = std::string(PELZO_TEST_OUT) + "/quiz";
    std::filesystem::create_directory(dir);
    if (info) {
        dir += "/" + std::string(info->test_suite_name()) + "." + info->name();
        std::filesystem::create_directory(dir);
    }
    return dir + "/" + name;
}

// The path as the programs take it: UTF-8 on both systems (fopen would read it
// in the ANSI code page on Windows).
inline std::filesystem::path fs_path(const std::string &utf8)
{
    return std::filesystem::path(reinterpret_cast<const char8_t *>(utf8.c_str()));
}

// Writes `content` to out_path(name); a name may hold folders, which are made.
inline std::string write_file(const std::string &name, const Bytes &content)
{
    const std::string path = out_path(name);
    std::error_code ignored;
    std::filesystem::create_directories(fs_path(path).parent_path(), ignored);
    std::ofstream out(fs_path(path), std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return path;
}

}  // namespace fixture
