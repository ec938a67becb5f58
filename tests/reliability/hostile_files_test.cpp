// SPDX-License-Identifier: MIT
// Quiz sets that lie: sizes and lengths pointing past the end, members that
// inflate far beyond what they claim, counts the file cannot hold, paths that
// are no file at all, and files of 4 GiB. Each load runs in a child process,
// so a crash or a hang fails the test instead of ending the suite, and the
// child's peak memory shows what the load allocated.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "../quiz/quiz_fixtures.h"
#include "quiz_load.h"
#include "reliability_support.h"
#include "unix_socket.h"

namespace {

using fixture::Bytes;

struct Outcome {
    bool ran = false;  // the child finished and reported
    bool ok = false;
    int genres = 0;
    std::string message;
    long long growth = 0;  // the child's peak resident set above its start
    long long bytesRead = 0;  // what the load read from files
};

// Bytes this process has read from files so far (rchar of /proc/self/io).
long long bytes_read()
{
    long long n = -1;
    if (FILE *fp = fopen("/proc/self/io", "r")) {
        if (fscanf(fp, "rchar: %lld", &n) != 1) n = -1;
        fclose(fp);
    }
    return n;
}

// Loads `path` in a child, which has `seconds` to finish. `dropToNobody` makes
// the child give up root first, so permission bits apply to it.
Outcome load_in_child(const std::string &path, bool dropToNobody = false, int seconds = 120)
{
    const rel::ChildRun run = rel::run_in_child(
        [&path, dropToNobody](int fd) {
            if (dropToNobody && geteuid() == 0) {
                if (setgid(65534) != 0 || setuid(65534) != 0) _exit(4);
            }
            const long long before = bytes_read();
            const bool ok = load_quiz_file(path.c_str());
            const long long read = bytes_read() - before;
            rel::write_text(fd, std::string(ok ? "1" : "0") + std::to_string(g_genreCount) + " " +
                                    std::to_string(read) + "\n" + g_errorMsg);
            free_genres();
        },
        seconds);
    Outcome out;
    EXPECT_TRUE(run.finished) << path << ": the load "
                              << (run.signal ? "was killed by signal " + std::to_string(run.signal) : "did not end");
    EXPECT_EQ(run.exitCode, 0) << path;
    if (!run.finished || run.exitCode != 0 || run.report.size() < 3) return out;
    out.ran = true;
    out.ok = run.report[0] == '1';
    const size_t space = run.report.find(' '), nl = run.report.find('\n');
    out.genres = std::stoi(run.report.substr(1, space - 1));
    out.bytesRead = std::stoll(run.report.substr(space + 1, nl - space - 1));
    out.message = run.report.substr(nl + 1);
    out.growth = run.peakRssBytes - run.startRssBytes;
    return out;
}

// A refused load: the message, and no table.
void expect_refused(const std::string &path, const std::string &message, bool dropToNobody = false, int seconds = 120)
{
    const Outcome o = load_in_child(path, dropToNobody, seconds);
    ASSERT_TRUE(o.ran) << path;
    EXPECT_FALSE(o.ok) << path;
    EXPECT_EQ(o.genres, 0) << path;
    EXPECT_EQ(o.message, message) << path;
}

constexpr char kNoZipMember[] = "有効な問題ファイルが見つかりません";

Bytes good_member(const char *name = "G") { return fixture::lines(fixture::genre_lines(name, 2)); }

// A ZIP of one stored member, qtext_0.txt, as the fixture writer makes it.
Bytes one_member_zip() { return fixture::zip_archive({{"qtext_0.txt", good_member(), 0}}); }

// Offsets in the first local header.
constexpr size_t kCompressedSize = 18, kUncompressedSize = 22, kNameLength = 26, kExtraLength = 28;

void put32(Bytes &b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

TEST(HostileZip, TheUntouchedArchiveLoads)
{
    // The base the damaged copies below are made from.
    const Outcome o = load_in_child(rel::write_file("good.zip", one_member_zip()));
    ASSERT_TRUE(o.ran);
    EXPECT_TRUE(o.ok) << o.message;
    EXPECT_EQ(o.genres, 1);
}

TEST(HostileZip, HeaderFieldsPointingPastTheEndFindNothing)
{
    const Bytes base = one_member_zip();
    struct Damage {
        const char *file;
        size_t field;
        uint32_t value;
        bool wide;
    };
    const Damage damages[] = {
        {"compressed.zip", kCompressedSize, 0x7FFFFFF0u, true},
        {"compressed_max.zip", kCompressedSize, 0xFFFFFFFEu, true},
        {"name.zip", kNameLength, 0xFFFF, false},
        {"extra.zip", kExtraLength, 0xFFFF, false},
        {"both.zip", kNameLength, 0xFFFFFFFFu, true},  // name and extra length together
    };
    for (const Damage &d : damages) {
        Bytes z = base;
        if (d.wide)
            put32(z, d.field, d.value);
        else
            fixture::put16(z, d.field, static_cast<uint16_t>(d.value));
        expect_refused(rel::write_file(d.file, z), kNoZipMember);
    }

    // An earlier member whose size leaps past the end hides the good one.
    Bytes hidden = fixture::zip_archive({{"readme.txt", "hello", 0}, {"qtext_0.txt", good_member(), 0}});
    put32(hidden, kCompressedSize, 0x7FFFFFF0u);
    expect_refused(rel::write_file("leap.zip", hidden), kNoZipMember);

    // A download cut off inside the member's data.
    const Bytes cut = base.substr(0, 30 + 11 + 5);
    expect_refused(rel::write_file("cut.zip", cut), kNoZipMember);
    // ... and inside the fixed header itself.
    expect_refused(rel::write_file("cut_header.zip", base.substr(0, 20)), kNoZipMember);
}

TEST(HostileZip, AMemberClaimingMoreThanSixtyFourMiBIsNotAllocated)
{
    // 65 MiB of one repeated line inflate from about 65 KiB.
    const uint32_t claimed = (65u << 20);
    const Bytes big(claimed, 'A');
    const std::string path = rel::write_file("bomb_claimed.zip", fixture::zip_archive({{"qtext_0.txt", big, 8}}));
    const Outcome o = load_in_child(path);
    ASSERT_TRUE(o.ran);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.message, kNoZipMember);
    EXPECT_LT(o.growth, 32 * rel::kMiB) << "the claimed size was allocated or inflated";
}

TEST(HostileZip, AStreamInflatingFarBeyondItsClaimedSizeStopsThere)
{
    // 512 MiB of zeros deflate to about half a MiB; the header claims 4 KiB.
    z_stream zs{};
    ASSERT_EQ(deflateInit2(&zs, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY), Z_OK);
    std::string chunk(1 << 20, '\0');
    Bytes stream;
    std::string out(1 << 16, '\0');
    for (int i = 0; i < 512; ++i) {
        zs.next_in = reinterpret_cast<Bytef *>(chunk.data());
        zs.avail_in = static_cast<uInt>(chunk.size());
        const int flush = i == 511 ? Z_FINISH : Z_NO_FLUSH;
        do {
            zs.next_out = reinterpret_cast<Bytef *>(out.data());
            zs.avail_out = static_cast<uInt>(out.size());
            deflate(&zs, flush);
            stream.append(out.data(), out.size() - zs.avail_out);
        } while (zs.avail_out == 0);
    }
    deflateEnd(&zs);
    ASSERT_LT(stream.size(), 2u << 20);

    // The archive by hand: the stream as the member's data, 4096 claimed.
    Bytes z;
    fixture::append32(z, kZipLocalSig);
    fixture::append16(z, 20);
    fixture::append16(z, 0);
    fixture::append16(z, 8);
    fixture::append32(z, 0);
    fixture::append32(z, 0);
    fixture::append32(z, static_cast<uint32_t>(stream.size()));
    fixture::append32(z, 4096);
    fixture::append16(z, 11);
    fixture::append16(z, 0);
    z += "qtext_0.txt";
    z += stream;
    const std::string path = rel::write_file("bomb_stream.zip", z);
    const Outcome o = load_in_child(path);
    ASSERT_TRUE(o.ran);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.message, kNoZipMember);
    EXPECT_LT(o.growth, 32 * rel::kMiB);

    // Beside a good member, the bomb counts as absent and the set still loads.
    // The walk steps over the bomb's data by its compressed size to reach
    // qtext_1.txt (whose central directory, made for offset 0, is not used).
    const Bytes withBomb = z + fixture::zip_archive({{"qtext_1.txt", good_member("Kept"), 0}});
    const Outcome mixed = load_in_child(rel::write_file("bomb_and_good.zip", withBomb));
    ASSERT_TRUE(mixed.ran);
    EXPECT_TRUE(mixed.ok) << mixed.message;
    EXPECT_EQ(mixed.genres, 1);
}

TEST(HostilePzq, CountsSummingPastTheFileFailOnTheMissingRecords)
{
    // Header promises 3 + 4 questions; the file holds 5 records.
    Bytes f = fixture::pzq_header({3, 4, 0, 0, 0, 0, 0, 0});
    for (int q = 0; q < 5; ++q) f += fixture::pzq_record(fixture::numbered(0, q));
    expect_refused(rel::write_file("short.pzq", f), "PZQ問題データ読み込み失敗");

    // Every count at its largest in a file with one record: the question
    // field (8 x 32767 records of 274 bytes) is the most the code sets aside.
    Bytes huge = fixture::pzq_header({32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767});
    huge += fixture::pzq_record(fixture::numbered(0, 0));
    const Outcome o = load_in_child(rel::write_file("huge_counts.pzq", huge));
    ASSERT_TRUE(o.ran);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.message, "PZQ問題データ読み込み失敗");
    EXPECT_LT(o.growth, 8LL * 32767 * 274 + 16 * rel::kMiB);
}

TEST(HostilePzq, NegativeCountsAreRefusedAtTheHeader)
{
    const std::array<int, 8> counts[] = {
        {-1, 2, 0, 0, 0, 0, 0, 0},
        {5, -5, 0, 0, 0, 0, 0, 0},  // sums to zero
        {3, 0, 0, 0, 0, 0, 0, -32768},
        {-32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768},
    };
    int n = 0;
    for (const auto &c : counts) {
        Bytes f = fixture::pzq_header(c);
        // Records enough for every positive count, so only the sign is wrong.
        for (int q = 0; q < 8; ++q) f += fixture::pzq_record(fixture::numbered(0, q));
        expect_refused(rel::write_file("negative" + std::to_string(n++) + ".pzq", f), "PZQヘッダ読み込み失敗");
    }
}

TEST(HostilePaths, ADirectoryIsNoQuizFile)
{
    const std::string dir = rel::out_dir();
    const std::string pzqDir = dir + "sets.pzq";
    const std::string zipDir = dir + "sets.zip";
    mkdir(pzqDir.c_str(), 0755);
    mkdir(zipDir.c_str(), 0755);
    expect_refused(pzqDir, "PZQファイルを開けません");
    expect_refused(zipDir, kNoZipMember);
    expect_refused(dir, kNoZipMember);  // no extension at all, trailing slash
}

// A FIFO with no writer, a socket and a device are no quiz files: refused at
// once, never read (a FIFO would block the game for good, /dev/zero never ends).
TEST(HostilePaths, SpecialFilesAreRefusedWithoutBlocking)
{
    const std::string dir = rel::out_dir();
    std::vector<std::string> specials;
    for (const char *ext : {".pzq", ".zip"}) {
        const std::string fifo = dir + "fifo" + ext, sock = test_socket::bind_unix_socket(std::string("socket") + ext),
                          dev = dir + "zero" + ext;
        unlink(fifo.c_str());
        ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0) << fifo;
        ASSERT_FALSE(sock.empty());
        unlink(dev.c_str());
        ASSERT_EQ(symlink("/dev/zero", dev.c_str()), 0) << dev;
        for (const std::string &p : {fifo, sock, dev}) specials.push_back(p);
    }
    specials.push_back("/dev/zero");  // no extension: the ZIP branch
    for (const std::string &p : specials)
        expect_refused(p, is_pzq_path(p.c_str()) ? "PZQファイルを開けません" : kNoZipMember, false, 10);
}

TEST(HostilePaths, AMissingFileGivesEachBranchItsMessage)
{
    const std::string dir = rel::out_dir();
    expect_refused(dir + "absent.pzq", "PZQファイルを開けません");
    expect_refused(dir + "absent.PZQ", "PZQファイルを開けません");
    expect_refused(dir + "absent.zip", kNoZipMember);
    expect_refused(dir + "no/such/folder/set.pzq", "PZQファイルを開けません");
    expect_refused(dir + "no/such/folder/set.zip", kNoZipMember);
}

TEST(HostilePaths, AFileThatCannotBeReadIsRefused)
{
    // As root, permission bits stop nothing: the child gives up root first.
    const std::string pzq = rel::write_file("locked.pzq", fixture::pzq_file({2, 0, 0, 0, 0, 0, 0, 0}));
    const std::string zip = rel::write_file("locked.zip", one_member_zip());
    // Readable, both load (also after giving up root, so the folders are open to it).
    for (const std::string &p : {pzq, zip}) {
        const Outcome o = load_in_child(p, true);
        ASSERT_TRUE(o.ran);
        EXPECT_TRUE(o.ok) << p << ": " << o.message;
    }
    ASSERT_EQ(chmod(pzq.c_str(), 0), 0);
    ASSERT_EQ(chmod(zip.c_str(), 0), 0);
    expect_refused(pzq, "PZQファイルを開けません", true);
    expect_refused(zip, kNoZipMember, true);
    chmod(pzq.c_str(), 0644);
    chmod(zip.c_str(), 0644);
}

TEST(HostilePaths, AnEmptyFileIsRefused)
{
    expect_refused(rel::write_file("empty.pzq", ""), "PZQヘッダ読み込み失敗");
    expect_refused(rel::write_file("empty.zip", ""), kNoZipMember);
    expect_refused(rel::write_file("empty", ""), kNoZipMember);
}

// A sparse file of `size` bytes of zeros, with `head` written at its start.
std::string sparse_file(const std::string &name, long long size, const Bytes &head = {})
{
    const std::string path = rel::out_dir() + name;
    const int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    EXPECT_GE(fd, 0) << path;
    if (fd < 0) return path;
    EXPECT_EQ(ftruncate(fd, static_cast<off_t>(size)), 0) << path;
    if (!head.empty()) {
        EXPECT_EQ(pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
    }
    close(fd);
    return path;
}

class HostileHuge : public ::testing::Test {
protected:
    void TearDown() override
    {
        // Four sparse GiB hold no disk, but are not left lying about.
        for (const std::string &p : files_) unlink(p.c_str());
    }
    std::string make(const std::string &name, long long size, const Bytes &head = {})
    {
        files_.push_back(sparse_file(name, size, head));
        return files_.back();
    }
    std::vector<std::string> files_;
};

constexpr long long k4GiB = 4LL << 30;

TEST_F(HostileHuge, AFourGiBPzqFailsAtItsHeaderWithoutReadingOn)
{
    const Outcome o = load_in_child(make("huge.pzq", k4GiB + 4096));
    ASSERT_TRUE(o.ran);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.message, "PZQヘッダ読み込み失敗");
    EXPECT_LT(o.growth, 16 * rel::kMiB);

    // A true header whose counts reach past a few records, then 4 GiB of
    // zeros: the body reads only the records the counts ask for.
    Bytes head = fixture::pzq_header({32767, 0, 0, 0, 0, 0, 0, 0});
    const Outcome body = load_in_child(make("huge_body.pzq", k4GiB + 4096, head));
    ASSERT_TRUE(body.ran);
    EXPECT_TRUE(body.ok) << body.message;  // 32767 all-zero records decode as texts
    EXPECT_EQ(body.genres, 1);
    // The question field and the items of 32767 questions, not the file.
    EXPECT_LT(body.growth, 32767LL * (274 + 3072) + 32 * rel::kMiB);
}

// An archive is read once per load, not once per member it looks for: a
// 256 MiB archive whose one member has another name reads 256 MiB, not eight
// times that.
TEST_F(HostileHuge, AnArchiveIsReadOncePerLoad)
{
    constexpr long long kSize = 256LL << 20;
    Bytes head = fixture::zip_archive({{"other.txt", "x", 0}}).substr(0, 30 + 9);
    put32(head, kCompressedSize, static_cast<uint32_t>(kSize - 40));
    put32(head, kUncompressedSize, static_cast<uint32_t>(kSize - 40));
    const Outcome o = load_in_child(make("once.zip", kSize, head));
    ASSERT_TRUE(o.ran);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.message, kNoZipMember);
    EXPECT_GE(o.bytesRead, kSize);
    EXPECT_LT(o.bytesRead, 2 * kSize) << "the archive was read more than once";
}

TEST_F(HostileHuge, AFourGiBArchiveIsRefusedWithoutBeingReadIntoMemory)
{
    // Past the 32-bit size the archive is refused outright.
    const Outcome over = load_in_child(make("huge.zip", k4GiB + 4096));
    ASSERT_TRUE(over.ran);
    EXPECT_FALSE(over.ok);
    EXPECT_EQ(over.message, kNoZipMember);
    EXPECT_LT(over.growth, 16 * rel::kMiB);

    // Just inside it, a file that does not start with a local header is no
    // archive either, and must not be read whole (eight times) to find out.
    const Outcome inside = load_in_child(make("huge_inside.zip", k4GiB - 1));
    ASSERT_TRUE(inside.ran);
    EXPECT_FALSE(inside.ok);
    EXPECT_EQ(inside.message, kNoZipMember);
    EXPECT_LT(inside.growth, 16 * rel::kMiB);
}

}  // namespace
