// Test fixtures made by code: a .pzq writer, a small ZIP writer (stored,
// deflated or any method number), and file helpers. Shared by the quiz and
// tool tests.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fixture {

using Bytes = std::string;

inline void put16(Bytes &b, size_t at, uint16_t v)
{
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}

inline void append16(Bytes &b, uint16_t v) { b += static_cast<char>(v & 0xFF); b += static_cast<char>(v >> 8); }
inline void append32(Bytes &b, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// One question in plain Shift-JIS: text, then choice 0 (right) to 4.
struct PzqQuestion {
    std::string text;
    std::array<std::string, 5> choice;
};

// Stores a plain Shift-JIS text the way a .pzq field does: bit 7 flipped,
// padded with plain spaces to `width`.
inline Bytes encode_field(const std::string &plain, size_t width)
{
    Bytes out(width, ' ');
    for (size_t i = 0; i < plain.size() && i < width; ++i)
        out[i] = static_cast<char>(static_cast<unsigned char>(plain[i]) + 0x80);
    return out;
}

inline Bytes pzq_header(const std::array<int, 8> &counts, const std::array<std::string, 8> &names = {},
                        const char *magic = "PELZOQDT", int magicRecord = 0)
{
    Bytes h(2048, '\0');
    for (int i = 0; i < 8; ++i) {
        h.replace(static_cast<size_t>(i) * 256, names[i].size() < 16 ? names[i].size() : 16, names[i].substr(0, 16));
        put16(h, static_cast<size_t>(i) * 256 + 18, static_cast<uint16_t>(static_cast<int16_t>(counts[i])));
    }
    h.replace(static_cast<size_t>(magicRecord) * 256 + 34, 8, std::string(magic, 8));
    return h;
}

inline Bytes pzq_record(const PzqQuestion &q)
{
    Bytes r = encode_field(q.text, 116);
    for (const std::string &c : q.choice) r += encode_field(c, 28);
    r += Bytes(256 - r.size(), '\0');
    return r;
}

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

inline Bytes raw_deflate(const Bytes &in)
{
    z_stream zs{};
    deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&zs, in.size()), '\0');
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.data()));
    zs.avail_in = static_cast<uInt>(in.size());
    zs.next_out = reinterpret_cast<Bytef *>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

// A ZIP archive with sizes in the local headers and a central directory.
inline Bytes zip_archive(const std::vector<ZipMember> &members)
{
    Bytes out, central;
    for (const ZipMember &m : members) {
        const Bytes body = m.method == 8 ? raw_deflate(m.data) : m.data;
        const uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef *>(m.data.data()), static_cast<uInt>(m.data.size())));
        const uint32_t offset = static_cast<uint32_t>(out.size());
        append32(out, 0x04034B50);
        append16(out, 20);
        append16(out, 0);
        append16(out, static_cast<uint16_t>(m.method));
        append32(out, 0);
        append32(out, crc);
        append32(out, static_cast<uint32_t>(body.size()));
        append32(out, static_cast<uint32_t>(m.data.size()));
        append16(out, static_cast<uint16_t>(m.name.size()));
        append16(out, 0);
        out += m.name;
        out += body;

        append32(central, 0x02014B50);
        append16(central, 20);
        append16(central, 20);
        append16(central, 0);
        append16(central, static_cast<uint16_t>(m.method));
        append32(central, 0);
        append32(central, crc);
        append32(central, static_cast<uint32_t>(body.size()));
        append32(central, static_cast<uint32_t>(m.data.size()));
        append16(central, static_cast<uint16_t>(m.name.size()));
        append16(central, 0);
        append16(central, 0);
        append16(central, 0);
        append16(central, 0);
        append32(central, 0);
        append32(central, offset);
        central += m.name;
    }
    const uint32_t cdOffset = static_cast<uint32_t>(out.size());
    out += central;
    append32(out, 0x06054B50);
    append16(out, 0);
    append16(out, 0);
    append16(out, static_cast<uint16_t>(members.size()));
    append16(out, static_cast<uint16_t>(members.size()));
    append32(out, static_cast<uint32_t>(central.size()));
    append32(out, cdOffset);
    append16(out, 0);
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
