// SPDX-License-Identifier: MIT
// Tests of zip_read_file: archives from real writers (made by
// tests/fixtures/make_zip_fixtures.py) and hostile archives built here.
#include "zip_format.h"
#include "zip_reader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string fixture(const std::string &name) { return std::string(PELZO_BINARY_DIR "/fixtures/zip/") + name; }

// Same content rule as body() in make_zip_fixtures.py.
std::string body(int k, int lines)
{
    std::string out;
    char line[64];
    for (int i = 0; i < lines; ++i) {
        std::snprintf(line, sizeof line, "genre %d line %d \x83\x5c\x95\x5c\r\n", k, i);
        out += line;
    }
    return out;
}

struct Result {
    int rc;
    std::string data;
};

// Reads one member and checks the contract every result shares: outputs
// null/0 on failure, a block NUL-terminated right at *outSize on success.
Result read(const std::string &archive, const char *name)
{
    unsigned char *out = reinterpret_cast<unsigned char *>(1);
    uint32_t size = 12345;
    Result r{zip_read_file(archive.c_str(), name, &out, &size), {}};
    if (r.rc != 0) {
        EXPECT_EQ(out, nullptr) << archive << " " << name;
        EXPECT_EQ(size, 0u) << archive << " " << name;
        return r;
    }
    EXPECT_NE(out, nullptr);
    if (!out) return r;
    EXPECT_EQ(out[size], 0) << "no NUL after the member";
    r.data.assign(reinterpret_cast<char *>(out), size);
    zip_free(out);
    return r;
}

// ---- archives from real writers -------------------------------------------

// Every archive here holds qtext_0..2 = body(k, 3 / 40 / 400). Reading the
// last one proves the walk steps over whatever sits between the members
// (data descriptors, Zip64 fields, extra fields).
class WriterArchive : public ::testing::TestWithParam<const char *> {};

TEST_P(WriterArchive, EveryMemberReadsBackExactly)
{
    const std::string path = fixture(std::string(GetParam()) + ".zip");
    const int lines[] = {3, 40, 400};
    for (int k = 2; k >= 0; --k) {
        const std::string name = "qtext_" + std::to_string(k) + ".txt";
        Result r = read(path, name.c_str());
        ASSERT_EQ(r.rc, 0) << path << " " << name;
        EXPECT_EQ(r.data, body(k, lines[k])) << path << " " << name;
    }
    EXPECT_EQ(read(path, "qtext_3.txt").rc, -1);
    EXPECT_EQ(read(path, "").rc, -1);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, WriterArchive,
                         ::testing::Values("py_stored", "py_deflated", "bsdtar_deflated", "bsdtar_stored",
                                           "py_stream_deflated", "py_stream_stored", "infozip_fd_deflated",
                                           "infozip_fd_stored", "py_zip64"));

TEST(ZipFixtures, EmptyMembersGiveOneZeroByte)
{
    // Stored, deflated (the stream 03 00), and both with deferred sizes.
    for (const char *archive : {"py_stored", "py_deflated", "py_stream_deflated", "py_stream_stored"}) {
        Result r = read(fixture(std::string(archive) + ".zip"), "empty.txt");
        EXPECT_EQ(r.rc, 0) << archive;
        EXPECT_EQ(r.data, "") << archive;
    }
}

TEST(ZipFixtures, Zip64LocalHeadersFromStdin)
{
    // Member "-" comes first, with 0xFFFFFFFF sizes: piped (deflated, Zip64
    // data descriptor) and written to a file (stored, no descriptor).
    for (const char *archive : {"infozip_stdin_deflated.zip", "infozip_stdin_stored.zip"}) {
        Result first = read(fixture(archive), "-");
        EXPECT_EQ(first.rc, 0) << archive;
        EXPECT_EQ(first.data, body(6, 50)) << archive;
        Result later = read(fixture(archive), "qtext_2.txt");
        EXPECT_EQ(later.rc, 0) << archive;
        EXPECT_EQ(later.data, body(2, 400)) << archive;
    }
}

TEST(ZipFixtures, NamesCompareAfterTheLastSlashCaseSensitively)
{
    const std::string path = fixture("infozip_folders.zip");
    Result r = read(path, "qtext_0.txt");
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.data, body(0, 5));
    EXPECT_EQ(read(path, "sets/qtext_0.txt").rc, -1);
    EXPECT_EQ(read(path, "qtext_2.txt").rc, -1);
    EXPECT_EQ(read(path, "QTEXT_2.TXT").data, body(2, 2));
    // a/first/qtext_1.txt comes before b/second/qtext_1.txt.
    EXPECT_EQ(read(path, "qtext_1.txt").data, body(1, 6));
}

TEST(ZipFixtures, FirstOfDuplicateNamesWins)
{
    Result r = read(fixture("duplicates.zip"), "qtext_3.txt");
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.data, body(3, 2));
}

TEST(ZipFixtures, UnsupportedMethodIsMinusTwoEvenWithALaterPlainCopy)
{
    EXPECT_EQ(read(fixture("method12.zip"), "qtext_0.txt").rc, -2);
    Result after = read(fixture("method12.zip"), "qtext_1.txt");
    EXPECT_EQ(after.rc, 0);
    EXPECT_EQ(after.data, body(1, 2));
}

TEST(ZipFixtures, PrependedStubFailsEveryName)
{
    for (const char *name : {"qtext_0.txt", "qtext_1.txt", "empty.txt"})
        EXPECT_EQ(read(fixture("stub.zip"), name).rc, -1);
}

TEST(ZipFixtures, TruncatedArchiveKeepsOnlyWhollyPresentMembers)
{
    struct Case {
        const char *archive;
        int first, second;
    } cases[] = {
        {"trunc_header0.zip", -1, -1}, {"trunc_data0.zip", -1, -1}, {"trunc_after0.zip", 0, -1},
        {"trunc_header1.zip", 0, -1},  {"trunc_data1.zip", 0, -1},  {"trunc_nocd.zip", 0, 0},
    };
    for (const Case &c : cases) {
        Result first = read(fixture(c.archive), "qtext_0.txt");
        EXPECT_EQ(first.rc, c.first) << c.archive;
        if (first.rc == 0) {
            EXPECT_EQ(first.data, body(0, 3)) << c.archive;
        }
        Result second = read(fixture(c.archive), "qtext_1.txt");
        EXPECT_EQ(second.rc, c.second) << c.archive;
        if (second.rc == 0) {
            EXPECT_EQ(second.data, body(1, 40)) << c.archive;
        }
    }
}

TEST(ZipFixtures, TruncatedArchiveWithDeferredSizesReadsNothing)
{
    // Without the central directory a deferred member's size is unknown, so
    // the walk can neither read it nor step over it.
    for (const char *cut : {"header0", "data0", "after0", "header1", "data1", "nocd"}) {
        const std::string path = fixture(std::string("trunc_dd_") + cut + ".zip");
        for (const char *name : {"qtext_0.txt", "qtext_1.txt", "qtext_2.txt"})
            EXPECT_EQ(read(path, name).rc, -1) << path;
    }
}

// ---- paths that are no archive --------------------------------------------

// Little-endian fields, for archives built by hand.
std::string le16(uint32_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }
std::string le32(uint32_t v) { return le16(v) + le16(v >> 16); }
std::string le64(uint64_t v) { return le32(static_cast<uint32_t>(v)) + le32(static_cast<uint32_t>(v >> 32)); }

std::string out_path(const std::string &name) { return std::string(PELZO_TEST_OUT "/") + name; }

// Names are UTF-8, also on Windows, where fopen would take them in the ANSI
// code page.
std::string write_file(const std::string &name, const std::string &bytes)
{
    const std::string path = out_path(name);
    std::ofstream f(std::filesystem::path(reinterpret_cast<const char8_t *>(path.c_str())), std::ios::binary);
    EXPECT_TRUE(f.good()) << path;
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

TEST(ZipPaths, UnreadableSourcesAreMinusOne)
{
    EXPECT_EQ(read(out_path("no-such-archive.zip"), "qtext_0.txt").rc, -1);
    EXPECT_EQ(read(PELZO_TEST_OUT, "qtext_0.txt").rc, -1);  // a directory
    EXPECT_EQ(read(write_file("zip_empty.zip", ""), "qtext_0.txt").rc, -1);
    EXPECT_EQ(read(write_file("zip_short.zip", le32(kZipLocalSig) + std::string(25, '\0')), "").rc, -1);
    EXPECT_EQ(read(write_file("zip_text.zip", std::string(200, 'x')), "qtext_0.txt").rc, -1);

    unsigned char *out = nullptr;
    uint32_t size = 7;
    EXPECT_EQ(zip_read_file(nullptr, "a", &out, &size), -1);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(zip_read_file(fixture("py_stored.zip").c_str(), nullptr, &out, &size), -1);
    zip_free(nullptr);
}

TEST(ZipPaths, Utf8PathOpens)
{
    const std::string copy = out_path("問題セット_ソ表.zip");
    FILE *src = std::fopen(fixture("py_deflated.zip").c_str(), "rb");
    ASSERT_NE(src, nullptr);
    std::string bytes;
    for (int c; (c = std::fgetc(src)) != EOF;) bytes += static_cast<char>(c);
    std::fclose(src);
    write_file("問題セット_ソ表.zip", bytes);
    EXPECT_EQ(read(copy, "qtext_1.txt").data, body(1, 40));
}

// ---- hostile archives built here ------------------------------------------

std::string raw_deflate(const std::string &plain)
{
    z_stream zs{};
    EXPECT_EQ(deflateInit2(&zs, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&zs, plain.size()), '\0');
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(plain.data()));
    zs.avail_in = static_cast<uInt>(plain.size());
    zs.next_out = reinterpret_cast<Bytef *>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

uint32_t crc_of(const std::string &plain)
{
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef *>(plain.data()), static_cast<uInt>(plain.size())));
}

struct Member {
    std::string name;
    std::string data;  // as stored after the header
    uint16_t method = 0;
    uint32_t compressed = 0, uncompressed = 0;  // true sizes, for the central directory
    uint32_t crc = 0;  // of the plain bytes
    uint16_t flags = 0;
    std::string localExtra;
    std::string descriptor;  // written after the data
    bool deferLocal = false;  // zeros in the local header's size fields
};

Member stored(const std::string &name, const std::string &plain)
{
    Member m;
    m.name = name;
    m.data = plain;
    m.compressed = m.uncompressed = static_cast<uint32_t>(plain.size());
    m.crc = crc_of(plain);
    return m;
}

Member deflated(const std::string &name, const std::string &plain)
{
    Member m;
    m.name = name;
    m.data = raw_deflate(plain);
    m.method = 8;
    m.compressed = static_cast<uint32_t>(m.data.size());
    m.uncompressed = static_cast<uint32_t>(plain.size());
    m.crc = crc_of(plain);
    return m;
}

Member with_descriptor(Member m, bool signature)
{
    m.flags |= 8;
    m.deferLocal = true;
    m.descriptor = (signature ? le32(kZipDescriptorSig) : "") + le32(m.crc) + le32(m.compressed) + le32(m.uncompressed);
    return m;
}

// Local headers, then (unless omitted) the central directory and its end.
std::string archive(const std::vector<Member> &members, bool central = true)
{
    std::string out, cd;
    for (const Member &m : members) {
        const uint32_t offset = static_cast<uint32_t>(out.size());
        const uint32_t c = m.deferLocal ? 0 : m.compressed, u = m.deferLocal ? 0 : m.uncompressed;
        out += le32(kZipLocalSig) + le16(20) + le16(m.flags) + le16(m.method) + le32(0) +
               le32(m.deferLocal ? 0 : m.crc) + le32(c) + le32(u) + le16(static_cast<uint32_t>(m.name.size())) +
               le16(static_cast<uint32_t>(m.localExtra.size())) + m.name + m.localExtra + m.data + m.descriptor;
        cd += le32(kZipCentralSig) + le16(20) + le16(20) + le16(m.flags) + le16(m.method) + le32(0) + le32(m.crc) +
              le32(m.compressed) + le32(m.uncompressed) + le16(static_cast<uint32_t>(m.name.size())) + le16(0) +
              le16(0) + le16(0) + le16(0) + le32(0) + le32(offset) + m.name;
    }
    if (!central) return out;
    const uint32_t cdOffset = static_cast<uint32_t>(out.size());
    const uint32_t n = static_cast<uint32_t>(members.size());
    return out + cd + le32(kZipEndSig) + le16(0) + le16(0) + le16(n) + le16(n) +
           le32(static_cast<uint32_t>(cd.size())) + le32(cdOffset) + le16(0);
}

void patch16(std::string &s, size_t at, uint32_t v) { s.replace(at, 2, le16(v)); }
void patch32(std::string &s, size_t at, uint32_t v) { s.replace(at, 4, le32(v)); }

Result read_bytes(const std::string &bytes, const char *name)
{
    const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
    return read(write_file(std::string("zip_") + info->test_suite_name() + "_" + info->name() + ".zip", bytes), name);
}

TEST(ZipHostile, HeaderLengthsPastTheEndAreMinusOne)
{
    const std::string good = archive({stored("qtext_0.txt", "abc")}, false);
    ASSERT_EQ(read_bytes(good, "qtext_0.txt").data, "abc");

    std::string name = good;
    patch16(name, 26, 0xFFFF);  // name length
    EXPECT_EQ(read_bytes(name, "qtext_0.txt").rc, -1);
    std::string extra = good;
    patch16(extra, 28, 0xFFFF);  // extra length
    EXPECT_EQ(read_bytes(extra, "qtext_0.txt").rc, -1);
    for (uint32_t size : {4u, 0x7FFFFFFFu, 0xFFFFFFFEu}) {
        std::string data = good;
        patch32(data, 18, size);  // compressed size
        patch32(data, 22, size < 100 ? size : 3);
        EXPECT_EQ(read_bytes(data, "qtext_0.txt").rc, -1) << size;
    }
    // A deflated member whose stream runs past the end.
    std::string deflate = archive({deflated("qtext_0.txt", body(0, 50))}, false);
    patch32(deflate, 18, static_cast<uint32_t>(deflate.size()));
    EXPECT_EQ(read_bytes(deflate, "qtext_0.txt").rc, -1);
}

TEST(ZipHostile, StepPastTheEndEndsTheWalk)
{
    std::string s = archive({stored("a.txt", "1"), stored("qtext_0.txt", "2")}, false);
    patch32(s, 18, 0xFFFFFFF0u);  // first member claims to be nearly 4 GiB
    EXPECT_EQ(read_bytes(s, "qtext_0.txt").rc, -1);
}

TEST(ZipHostile, ClaimedSizeAbove64MiBIsRefused)
{
    // 64 MiB of zeros deflates to about 64 KiB: the limit itself is readable.
    const uint32_t limit = 64u << 20;
    const std::string zeros(limit, '\0');
    Member m = deflated("qtext_0.txt", zeros);
    Result atLimit = read_bytes(archive({m}), "qtext_0.txt");
    EXPECT_EQ(atLimit.rc, 0);
    EXPECT_EQ(atLimit.data.size(), limit);

    Member small = deflated("qtext_0.txt", "tiny");
    for (uint32_t claim : {limit + 1, 0xFFFFFFF0u}) {
        small.uncompressed = claim;
        EXPECT_EQ(read_bytes(archive({small}), "qtext_0.txt").rc, -1) << claim;
    }
    Member plain = stored("qtext_0.txt", "tiny");
    plain.uncompressed = limit + 1;
    EXPECT_EQ(read_bytes(archive({plain}), "qtext_0.txt").rc, -1);
}

// A member whose bytes do not match its CRC-32 is unreadable, as a truncated
// one is: one changed byte, a deflate stream that ends before its claimed
// size, a stored member shorter than it claims. The CRC is the central
// directory's, or the local header's where there is no directory.
TEST(ZipIntegrity, BytesThatDoNotMatchTheirCrcAreMinusOne)
{
    const std::string text = "a short answer";
    Member changed = stored("qtext_0.txt", text);
    changed.data[3] ^= 0x01;
    Member shortStream = deflated("qtext_0.txt", text);
    shortStream.uncompressed = 3000;  // the stream ends long before
    Member shortStored = stored("qtext_0.txt", "hello");
    shortStored.uncompressed = 12;  // zero-filled to 12 bytes, which is not what the CRC is of
    for (const Member &m : {changed, shortStream, shortStored}) {
        EXPECT_EQ(read_bytes(archive({m, stored("next.txt", "NEXTNEXT")}), "qtext_0.txt").rc, -1);
        EXPECT_EQ(read_bytes(archive({m}, false), "qtext_0.txt").rc, -1) << "without a central directory";
    }
    // The central directory's CRC counts over the local header's.
    Member good = deflated("qtext_0.txt", text);
    std::string centralWrong = archive({good});
    patch32(centralWrong, centralWrong.find(le32(kZipCentralSig)) + 16, good.crc ^ 1);
    EXPECT_EQ(read_bytes(centralWrong, "qtext_0.txt").rc, -1);
    std::string localWrong = archive({good});
    patch32(localWrong, 14, good.crc ^ 1);
    EXPECT_EQ(read_bytes(localWrong, "qtext_0.txt").data, text);
    EXPECT_EQ(read_bytes(archive({good}, false), "qtext_0.txt").data, text);
}

// An encrypted member holds ciphertext: unreadable, stored or deflated, by
// the traditional flag or as WinZip AES (method 99).
TEST(ZipIntegrity, EncryptedMembersAreMinusOne)
{
    Member flagged = stored("qtext_0.txt", "ciphertext as text");
    flagged.flags = 1;
    Member flaggedDeflate = deflated("qtext_0.txt", "ciphertext as text");
    flaggedDeflate.flags = 1;
    Member aes = stored("qtext_0.txt", "ciphertext as text");
    aes.method = 99;
    for (const Member &m : {flagged, flaggedDeflate, aes}) EXPECT_EQ(read_bytes(archive({m}), "qtext_0.txt").rc, -1);
}

TEST(ZipHostile, DamagedDeflateStreamsAreMinusOne)
{
    const std::string plain = body(0, 200);
    Member cut = deflated("qtext_0.txt", plain);
    cut.data.resize(cut.data.size() / 2);
    cut.compressed = static_cast<uint32_t>(cut.data.size());
    EXPECT_EQ(read_bytes(archive({cut}), "qtext_0.txt").rc, -1);

    Member garbage = deflated("qtext_0.txt", plain);
    garbage.data = std::string(garbage.data.size(), '\xFF');
    EXPECT_EQ(read_bytes(archive({garbage}), "qtext_0.txt").rc, -1);

    Member tooLong = deflated("qtext_0.txt", plain);
    tooLong.uncompressed = static_cast<uint32_t>(plain.size() - 1);  // output would overflow the block
    EXPECT_EQ(read_bytes(archive({tooLong}), "qtext_0.txt").rc, -1);
}

TEST(ZipHostile, ExtraFieldsOfAnyShapeAreSkipped)
{
    Member m = deflated("qtext_1.txt", body(1, 9));
    // A malformed Zip64 field claiming more bytes than the extra area holds,
    // then filler.
    m.localExtra = le16(0x0001) + le16(0xFFF0) + std::string(1000, '\x01');
    Result r = read_bytes(archive({stored("a.txt", "x"), m}), "qtext_1.txt");
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.data, body(1, 9));
}

TEST(ZipHostile, LongNamesAreCutTo255BytesBeforeComparing)
{
    const std::string fits = std::string(243, 'd') + "/qtext_0.txt";  // 255 bytes
    const std::string cut = std::string(244, 'd') + "/qtext_0.txt";  // 256: loses its last 't'
    ASSERT_EQ(fits.size(), 255u);
    EXPECT_EQ(read_bytes(archive({stored(fits, "A")}), "qtext_0.txt").data, "A");
    EXPECT_EQ(read_bytes(archive({stored(cut, "B")}), "qtext_0.txt").rc, -1);
    EXPECT_EQ(read_bytes(archive({stored(cut, "B")}), "qtext_0.tx").data, "B");
}

TEST(ZipDeferred, DescriptorsWithAndWithoutSignatureAreSteppedOver)
{
    for (bool signature : {true, false}) {
        const std::string s =
            archive({with_descriptor(deflated("qtext_0.txt", body(0, 30)), signature),
                     with_descriptor(stored("qtext_1.txt", body(1, 3)), signature), stored("qtext_2.txt", body(2, 2))});
        EXPECT_EQ(read_bytes(s, "qtext_0.txt").data, body(0, 30)) << signature;
        EXPECT_EQ(read_bytes(s, "qtext_1.txt").data, body(1, 3)) << signature;
        EXPECT_EQ(read_bytes(s, "qtext_2.txt").data, body(2, 2)) << signature;
    }
}

TEST(ZipDeferred, MissingOrDamagedCentralDirectoryIsMinusOne)
{
    const std::vector<Member> members = {with_descriptor(stored("qtext_0.txt", "abc"), true),
                                         stored("qtext_1.txt", "def")};
    EXPECT_EQ(read_bytes(archive(members, false), "qtext_0.txt").rc, -1);
    EXPECT_EQ(read_bytes(archive(members, false), "qtext_1.txt").rc, -1);

    std::string s = archive(members);
    const size_t end = s.size() - 22;
    std::string outside = s;
    patch32(outside, end + 16, 0x7FFFFFF0u);  // directory offset past the end
    EXPECT_EQ(read_bytes(outside, "qtext_0.txt").rc, -1);
    std::string badSize = s;
    const size_t firstCd = s.find(le32(kZipCentralSig));
    ASSERT_NE(firstCd, std::string::npos);
    patch32(badSize, firstCd + 20, 0x00FFFFFFu);  // central compressed size past the end
    EXPECT_EQ(read_bytes(badSize, "qtext_0.txt").rc, -1);
    std::string comment = s;
    patch16(comment, end + 20, 500);  // comment longer than what follows: no end record
    EXPECT_EQ(read_bytes(comment, "qtext_0.txt").rc, -1);
}

TEST(ZipDeferred, Zip64EndRecordAndSizesInTheCentralExtra)
{
    // Local and central sizes both 0xFFFFFFFF, the real ones in the central
    // Zip64 field; the end record's offset saturated, the real one in the
    // Zip64 end record.
    const std::string plain = body(3, 20);
    Member m = deflated("qtext_3.txt", plain);
    const std::string local = le32(kZipLocalSig) + le16(45) + le16(0) + le16(8) + le32(0) + le32(m.crc) +
                              le32(0xFFFFFFFF) + le32(0xFFFFFFFF) + le16(11) + le16(20) + m.name + le16(1) + le16(16) +
                              le64(0) + le64(0) + m.data;
    const std::string cd = le32(kZipCentralSig) + le16(45) + le16(45) + le16(0) + le16(8) + le32(0) + le32(m.crc) +
                           le32(0xFFFFFFFF) + le32(0xFFFFFFFF) + le16(11) + le16(20) + le16(0) + le16(0) + le16(0) +
                           le32(0) + le32(0) + m.name + le16(1) + le16(16) + le64(plain.size()) + le64(m.data.size());
    const uint64_t cdOffset = local.size(), end64 = local.size() + cd.size();
    const std::string zip64End = le32(kZipEnd64Sig) + le64(44) + le16(45) + le16(45) + le32(0) + le32(0) + le64(1) +
                                 le64(1) + le64(cd.size()) + le64(cdOffset);
    const std::string locator = le32(kZipEnd64LocatorSig) + le32(0) + le64(end64) + le32(1);
    const std::string end = le32(kZipEndSig) + le16(0) + le16(0) + le16(0xFFFF) + le16(0xFFFF) + le32(0xFFFFFFFF) +
                            le32(0xFFFFFFFF) + le16(0);
    Result r = read_bytes(local + cd + zip64End + locator + end, "qtext_3.txt");
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.data, plain);
}

// An archive cut before its central directory: a member whose local sizes
// are 0xFFFFFFFF has them in its own Zip64 field.
TEST(ZipDeferred, Zip64SizesInTheLocalFieldServeWithoutACentralDirectory)
{
    const std::string plain = body(2, 20);
    Member m = deflated("qtext_2.txt", plain);
    m.localExtra = le16(1) + le16(16) + le64(plain.size()) + le64(m.data.size());
    const std::string next = archive({stored("qtext_5.txt", "after")}, false);
    std::string local = archive({m}, false);
    patch32(local, 18, 0xFFFFFFFF);
    patch32(local, 22, 0xFFFFFFFF);
    EXPECT_EQ(read_bytes(local + next, "qtext_2.txt").data, plain);
    EXPECT_EQ(read_bytes(local + next, "qtext_5.txt").data, "after") << "the walk steps over it by those sizes";
    // A Zip64 field short of the sizes leaves them unknown.
    std::string cut = local;
    patch16(cut, 30 + m.name.size() + 2, 8);
    EXPECT_EQ(read_bytes(cut, "qtext_2.txt").rc, -1);
}

TEST(ZipDeferred, CentralSizeThatWrapsThePositionEndsTheWalk)
{
    // A deferred member whose Zip64 compressed size, added to its data offset
    // (31) and its 12-byte descriptor, comes back round to offset 0: the walk
    // must end instead of revisiting the first header for ever.
    const std::string name = "a";
    const std::string local = le32(kZipLocalSig) + le16(20) + le16(8) + le16(0) + le32(0) + le32(0) + le32(0) +
                              le32(0) + le16(1) + le16(0) + name + "xyz";
    const uint64_t wrap = 0 - uint64_t{30 + 1 + 12};
    const std::string cd = le32(kZipCentralSig) + le16(20) + le16(20) + le16(8) + le16(0) + le32(0) + le32(0) +
                           le32(0xFFFFFFFF) + le32(3) + le16(1) + le16(12) + le16(0) + le16(0) + le16(0) + le32(0) +
                           le32(0) + name + le16(1) + le16(8) + le64(wrap);
    const std::string end = le32(kZipEndSig) + le16(0) + le16(0) + le16(1) + le16(1) +
                            le32(static_cast<uint32_t>(cd.size())) + le32(static_cast<uint32_t>(local.size())) +
                            le16(0);
    EXPECT_EQ(read_bytes(local + cd + end, "qtext_0.txt").rc, -1);
    EXPECT_EQ(read_bytes(local + cd + end, "a").rc, -1);  // the matching member's data is not there either
}

TEST(ZipDeferred, ManyDeferredMembersReachTheLast)
{
    std::vector<Member> members;
    for (int i = 0; i < 3000; ++i) members.push_back(with_descriptor(stored("m" + std::to_string(i), "x"), true));
    members.push_back(with_descriptor(deflated("qtext_7.txt", body(7, 4)), true));
    EXPECT_EQ(read_bytes(archive(members), "qtext_7.txt").data, body(7, 4));
}

// A member written by a streaming Zip64 writer: sizes deferred to a Zip64
// data descriptor (24 bytes), zeros in its local Zip64 field, the true sizes
// in the central directory's. The walk must take those, and step over the
// long descriptor to the member after it.
TEST(ZipDeferred, Zip64MemberWithADescriptorTakesItsSizesFromTheCentralDirectory)
{
    const std::string plain = body(4, 12);
    const Member m = deflated("qtext_4.txt", plain);
    const Member after = stored("qtext_6.txt", "after");
    const std::string local = le32(kZipLocalSig) + le16(45) + le16(8) + le16(8) + le32(0) + le32(0) + le32(0xFFFFFFFF) +
                              le32(0xFFFFFFFF) + le16(11) + le16(20) + m.name + le16(1) + le16(16) + le64(0) + le64(0) +
                              m.data + le32(kZipDescriptorSig) + le32(m.crc) + le64(m.data.size()) + le64(plain.size());
    const std::string second = archive({after}, false);
    const std::string cd = le32(kZipCentralSig) + le16(45) + le16(45) + le16(8) + le16(8) + le32(0) + le32(m.crc) +
                           le32(0xFFFFFFFF) + le32(0xFFFFFFFF) + le16(11) + le16(20) + le16(0) + le16(0) + le16(0) +
                           le32(0) + le32(0) + m.name + le16(1) + le16(16) + le64(plain.size()) + le64(m.data.size()) +
                           le32(kZipCentralSig) + le16(20) + le16(20) + le16(0) + le16(0) + le32(0) + le32(after.crc) +
                           le32(5) + le32(5) + le16(11) + le16(0) + le16(0) + le16(0) + le16(0) + le32(0) +
                           le32(static_cast<uint32_t>(local.size())) + after.name;
    const std::string end = le32(kZipEndSig) + le16(0) + le16(0) + le16(2) + le16(2) +
                            le32(static_cast<uint32_t>(cd.size())) +
                            le32(static_cast<uint32_t>(local.size() + second.size())) + le16(0);
    const std::string zip = local + second + cd + end;
    EXPECT_EQ(read_bytes(zip, "qtext_4.txt").data, plain);
    EXPECT_EQ(read_bytes(zip, "qtext_6.txt").data, "after");
    const ZipWalk walk = zip_walk_bytes(reinterpret_cast<const unsigned char *>(zip.data()), zip.size());
    ASSERT_EQ(walk.members.size(), 2u);
    EXPECT_STREQ(walk.members[0].sizesFrom, "the central directory");
    EXPECT_EQ(walk.members[0].uncompressed, plain.size());
    EXPECT_EQ(walk.members[0].state, ZipMemberState::Readable);
    // Cut before the central directory, the zeros of its Zip64 field are no
    // sizes: the walk ends at it.
    const ZipWalk cut = zip_walk_bytes(reinterpret_cast<const unsigned char *>(local.data()), local.size());
    EXPECT_EQ(cut.end, ZipWalkEnd::SizesUnknown);
    EXPECT_TRUE(cut.members.empty());
}

// 2,000 stored members of no bytes, each claiming 64 MiB: judged from their
// bytes and the zeros they lack, never at the size they claim (which took
// minutes). A short member whose CRC does cover the zeros reads as the
// reader reads it, and with names given only the first of each is judged.
TEST(ZipWalk, MembersShorterThanTheyClaimAreJudgedWithoutTheirClaimedSize)
{
    const uint32_t claim = 64u << 20;
    std::vector<Member> members;
    auto padded = [](Member m, uint32_t claimed) {
        m.crc = crc_of(m.method ? std::string("xy") + std::string(claimed - 2, '\0')
                                : m.data + std::string(claimed - m.data.size(), '\0'));
        m.uncompressed = claimed;
        return m;
    };
    members.push_back(padded(stored("qtext_0.txt", "ab"), 1u << 20));
    members.push_back(padded(deflated("qtext_1.txt", "xy"), 1000));
    Member wrong = padded(stored("qtext_2.txt", "ab"), 1000);
    wrong.crc ^= 1;
    members.push_back(wrong);
    for (int i = 0; i < 2000; ++i) {
        Member m = stored("pad" + std::to_string(i) + ".txt", "");
        m.uncompressed = claim;
        members.push_back(m);
    }
    members.push_back(padded(stored("qtext_0.txt", "cd"), 1000));  // a later copy: never read
    const std::string zip = archive(members);
    const auto *bytes = reinterpret_cast<const unsigned char *>(zip.data());

    const auto start = std::chrono::steady_clock::now();
    const ZipWalk all = zip_walk_bytes(bytes, zip.size());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    ASSERT_EQ(all.members.size(), members.size());
    const ZipMemberState expected[] = {ZipMemberState::Readable, ZipMemberState::Readable, ZipMemberState::BadCrc,
                                       ZipMemberState::BadCrc};
    for (size_t k = 0; k < 4; ++k) EXPECT_EQ(all.members[k].state, expected[k]) << k;
    EXPECT_EQ(all.members.back().state, ZipMemberState::Readable);
    const Result first = read_bytes(zip, "qtext_0.txt");
    EXPECT_EQ(first.data, "ab" + std::string((1u << 20) - 2, '\0'));

    const std::vector<std::string> names = {"qtext_0.txt", "qtext_2.txt"};
    const ZipWalk some = zip_walk_bytes(bytes, zip.size(), &names);
    ASSERT_EQ(some.members.size(), members.size());
    for (size_t k = 0; k < some.members.size(); ++k) EXPECT_EQ(some.members[k].judged, k == 0 || k == 2) << k;
    EXPECT_EQ(some.members[2].state, ZipMemberState::BadCrc);
}

}  // namespace

// ---- the committed sample set ---------------------------------------------

// The sample ZIP must stay loadable as the game expects: deflated Shift-JIS
// members qtext_0.. with no gap, each a whole genre of at least 15 questions
// with lines the text reader takes unsplit.
TEST(ZipSample, SampleArchiveHoldsWholeShiftJisGenres)
{
    const std::string path = PELZO_SOURCE_DIR "/data/samples/sample.zip";
    FILE *f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr) << path;
    unsigned char head[10] = {};
    EXPECT_EQ(std::fread(head, 1, sizeof head, f), sizeof head);
    std::fclose(f);
    EXPECT_EQ(head[8], 8) << "first member is not deflated";

    int genres = 0;
    for (; genres < 8; ++genres) {
        const std::string name = "qtext_" + std::to_string(genres) + ".txt";
        Result r = read(path, name.c_str());
        if (r.rc != 0) break;
        EXPECT_NE(r.data.substr(0, 3), "\xEF\xBB\xBF") << name << " starts with a UTF-8 byte-order mark";
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t nl; (nl = r.data.find('\n', start)) != std::string::npos; start = nl + 1) {
            std::string line = r.data.substr(start, nl - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        if (start < r.data.size()) lines.push_back(r.data.substr(start));
        ASSERT_GE(lines.size(), 1u + 6 * 15) << name;
        EXPECT_EQ((lines.size() - 1) % 6, 0u) << name;
        bool shiftJis = false;
        for (const std::string &line : lines) {
            EXPECT_FALSE(line.empty()) << name;
            EXPECT_LE(line.size(), 511u) << name;
            // A byte 0x81-0x9F right after ASCII (or at the line start) is a
            // Shift-JIS lead byte; in UTF-8 such bytes only follow other
            // bytes of 0x80 and up.
            unsigned char previous = 0;
            for (unsigned char c : line) {
                shiftJis |= c >= 0x81 && c <= 0x9F && previous < 0x80;
                previous = c;
            }
        }
        EXPECT_TRUE(shiftJis) << name << " holds no Shift-JIS double-byte text";
    }
    EXPECT_GE(genres, 3);
}
