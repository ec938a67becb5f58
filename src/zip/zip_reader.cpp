// SPDX-License-Identifier: MIT
// zip_reader: the local-header walk over an archive read whole into memory.
//
// Every offset is 64-bit and every field read goes through `fits`, so header
// fields of any value can only end the walk, never move a read outside the
// image. The central directory is consulted only for members whose local
// header defers its sizes (flag bit 3, or 0xFFFFFFFF with a Zip64 field).
#include "zip_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "sys.h"
#include "zip_format.h"

namespace {

// A claimed uncompressed size above this is refused rather than allocated: a
// quiz member is a few hundred KiB at most, and the field is untrusted.
constexpr uint64_t kMaxMemberSize = 64ull << 20;
// The archive's size is a 32-bit quantity; larger files are not read at all.
constexpr uint64_t kMaxArchiveSize = 0xFFFFFFFFull;

struct FreeDeleter {
    void operator()(void *p) const { std::free(p); }
};
using Block = std::unique_ptr<unsigned char, FreeDeleter>;

struct FileCloser {
    void operator()(FILE *f) const { std::fclose(f); }
};

struct Image {
    const unsigned char *bytes;
    uint64_t size;
};

bool fits(const Image &img, uint64_t offset, uint64_t length)
{
    return offset <= img.size && length <= img.size - offset;
}

uint16_t rd16(const unsigned char *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t rd32(const unsigned char *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
uint64_t rd64(const unsigned char *p) { return rd32(p) | static_cast<uint64_t>(rd32(p + 4)) << 32; }

// Reads the whole regular file at `path`; null when it cannot be opened or
// read in full, when it is larger than an archive can be, and when it does not
// begin with a whole local header: the walk would find nothing in it, and a
// file of up to 4 GiB is not worth reading to learn that.
Block read_archive(const char *path, uint64_t *size)
{
    uint64_t length = 0;
    std::unique_ptr<FILE, FileCloser> f(sys_open_regular(path, &length, nullptr));
    if (!f || length > kMaxArchiveSize || length < kZipLocalHeaderSize) return nullptr;
    unsigned char head[4];
    if (std::fread(head, 1, 4, f.get()) != 4 || rd32(head) != kZipLocalSig) return nullptr;
    Block data(static_cast<unsigned char *>(std::malloc(static_cast<size_t>(length))));
    if (!data) return nullptr;
    std::memcpy(data.get(), head, 4);
    const size_t rest = static_cast<size_t>(length) - 4;
    if (std::fread(data.get() + 4, 1, rest, f.get()) != rest) return nullptr;
    *size = length;
    return data;
}

// Finds the extra field `id` within [start, start + length); its payload
// offset and length go to *payload / *payloadLength.
bool find_extra(const Image &img, uint64_t start, uint64_t length, uint16_t id, uint64_t *payload,
                uint16_t *payloadLength)
{
    uint64_t p = start;
    const uint64_t end = start + length;
    while (p + 4 <= end && fits(img, p, 4)) {
        uint16_t fieldId = rd16(img.bytes + p);
        uint16_t fieldLength = rd16(img.bytes + p + 2);
        if (p + 4 + fieldLength > end || !fits(img, p + 4, fieldLength)) return false;
        if (fieldId == id) {
            *payload = p + 4;
            *payloadLength = fieldLength;
            return true;
        }
        p += 4 + fieldLength;
    }
    return false;
}

struct CentralEntry {
    uint64_t localOffset;
    uint64_t compressed;
    uint64_t uncompressed;
    uint32_t crc;
};

// The offset of the end-of-central-directory record: the last one whose
// comment stays inside the image. False when there is none (an archive cut
// short, or no archive).
bool find_end_record(const Image &img, uint64_t *at)
{
    if (img.size < kZipEndSize) return false;
    const uint64_t lowest = img.size - kZipEndSize > 0xFFFF ? img.size - kZipEndSize - 0xFFFF : 0;
    for (uint64_t e = img.size - kZipEndSize + 1; e-- > lowest;) {
        const unsigned char *end = img.bytes + e;
        if (rd32(end) != kZipEndSig || !fits(img, e + kZipEndSize, rd16(end + 20))) continue;
        *at = e;
        return true;
    }
    return false;
}

// The end record's "number of this disk": above 0 in the last part of an
// archive split over several files.
uint32_t end_record_disk(const Image &img)
{
    uint64_t e = 0;
    return find_end_record(img, &e) ? rd16(img.bytes + e + 4) : 0;
}

// Locates the central directory through the end record (and its Zip64 twin
// when the end record's fields are saturated).
bool find_central_directory(const Image &img, uint64_t *offset, uint64_t *length, uint64_t *entries)
{
    uint64_t e = 0;
    if (find_end_record(img, &e)) {
        const unsigned char *end = img.bytes + e;
        *entries = rd16(end + 10);
        *length = rd32(end + 12);
        *offset = rd32(end + 16);
        const bool saturated = *entries == 0xFFFF || *length == kZipDeferred32 || *offset == kZipDeferred32;
        if (saturated && e >= kZipEnd64LocatorSize && rd32(end - kZipEnd64LocatorSize) == kZipEnd64LocatorSig) {
            uint64_t at = rd64(end - kZipEnd64LocatorSize + 8);
            if (fits(img, at, kZipEnd64Size) && rd32(img.bytes + at) == kZipEnd64Sig) {
                *entries = rd64(img.bytes + at + 32);
                *length = rd64(img.bytes + at + 40);
                *offset = rd64(img.bytes + at + 48);
            }
        }
        return fits(img, *offset, *length);
    }
    return false;
}

// Every central-directory entry's local-header offset and sizes, sorted by
// offset. Stops quietly at the first entry that is damaged or leaves the image.
std::vector<CentralEntry> read_central_directory(const Image &img)
{
    std::vector<CentralEntry> table;
    uint64_t offset = 0, length = 0, entries = 0;
    if (!find_central_directory(img, &offset, &length, &entries)) return table;
    table.reserve(std::min<uint64_t>(entries, length / kZipCentralHeaderSize));
    uint64_t p = offset;
    for (uint64_t i = 0; i < entries; ++i) {
        if (!fits(img, p, kZipCentralHeaderSize) || rd32(img.bytes + p) != kZipCentralSig) break;
        const unsigned char *h = img.bytes + p;
        const uint16_t n = rd16(h + 28), m = rd16(h + 30), k = rd16(h + 32);
        if (!fits(img, p + kZipCentralHeaderSize, uint64_t{n} + m + k)) break;
        CentralEntry entry{rd32(h + 42), rd32(h + 20), rd32(h + 24), rd32(h + 16)};
        uint64_t z = 0;
        uint16_t zLength = 0;
        if (find_extra(img, p + kZipCentralHeaderSize + n, m, kZip64ExtraId, &z, &zLength)) {
            // The Zip64 field holds, in this order, exactly the values whose
            // 32-bit fields are saturated.
            uint64_t *slots[3] = {&entry.uncompressed, &entry.compressed, &entry.localOffset};
            uint16_t used = 0;
            for (uint64_t *slot : slots) {
                if (*slot != kZipDeferred32) continue;
                if (used + 8 > zLength) break;
                *slot = rd64(img.bytes + z + used);
                used += 8;
            }
        }
        table.push_back(entry);
        p += kZipCentralHeaderSize + n + m + k;
    }
    std::sort(table.begin(), table.end(),
              [](const CentralEntry &a, const CentralEntry &b) { return a.localOffset < b.localOffset; });
    return table;
}

const CentralEntry *find_central_entry(const std::vector<CentralEntry> &table, uint64_t localOffset)
{
    auto it = std::lower_bound(table.begin(), table.end(), localOffset,
                               [](const CentralEntry &e, uint64_t off) { return e.localOffset < off; });
    return it != table.end() && it->localOffset == localOffset ? &*it : nullptr;
}

// Length of the data descriptor at `at`: an optional signature, the CRC, then
// two sizes of 4 bytes, or 8 when the local header carries a Zip64 field.
uint64_t descriptor_length(const Image &img, uint64_t at, bool zip64)
{
    const bool signature = fits(img, at, 4) && rd32(img.bytes + at) == kZipDescriptorSig;
    return (signature ? 4 : 0) + 4 + (zip64 ? 16 : 8);
}

// Inflates raw deflate into `block` of `capacity` bytes (already zero-filled).
bool inflate_member(const unsigned char *data, uint64_t length, unsigned char *block, uint64_t capacity)
{
    z_stream zs;
    std::memset(&zs, 0, sizeof zs);
    zs.next_in = const_cast<Bytef *>(data);
    zs.avail_in = static_cast<uInt>(length);
    zs.next_out = block;
    zs.avail_out = static_cast<uInt>(capacity);
    if (inflateInit2_(&zs, -15, ZLIB_VERSION, static_cast<int>(sizeof(z_stream))) != Z_OK) return false;
    const int result = inflate(&zs, Z_FINISH);
    inflateEnd(&zs);
    return result == Z_STREAM_END;
}

// The sizes a local header's Zip64 field holds, in this order, for its
// saturated 32-bit fields.
void zip64_local_sizes(const Image &img, uint64_t z, uint16_t zLength, uint64_t *uncompressed, uint64_t *compressed)
{
    uint16_t used = 0;
    for (uint64_t *slot : {uncompressed, compressed}) {
        if (*slot != kZipDeferred32) continue;
        if (used + 8 > zLength) return;
        *slot = rd64(img.bytes + z + used);
        used += 8;
    }
}

// The central directory of an image, read on first need (for deferred sizes,
// and for the CRC of a member that is read).
class CentralCache {
public:
    explicit CentralCache(const Image &img) : img_(img) {}
    const CentralEntry *entry(uint64_t localOffset)
    {
        if (!read_) {
            try {
                table_ = read_central_directory(img_);
            } catch (const std::bad_alloc &) {
                table_.clear();
            }
            read_ = true;
        }
        return find_central_entry(table_, localOffset);
    }

private:
    const Image &img_;
    std::vector<CentralEntry> table_;
    bool read_ = false;
};

// One local header as the walk reads it.
struct LocalEntry {
    uint64_t pos = 0, dataPos = 0;
    uint16_t flags = 0, method = 0;
    uint64_t compressed = 0, uncompressed = 0;
    uint32_t localCrc = 0;
    bool zip64 = false;
    const char *sizesFrom = "the local header";
    const unsigned char *name = nullptr;
    uint16_t nameLength = 0;
};

enum class HeaderRead { Ok, NotAHeader, HeaderCut, SizesUnknown };

// Reads the local header at pos, with its sizes from wherever they are: the
// header, the central directory (deferred to a data descriptor, or 0xFFFFFFFF
// with a Zip64 field), or the header's own Zip64 field when there is no
// central directory.
HeaderRead read_header(const Image &img, uint64_t pos, CentralCache &central, LocalEntry *e)
{
    if (!fits(img, pos, kZipLocalHeaderSize)) return HeaderRead::HeaderCut;
    const unsigned char *h = img.bytes + pos;
    if (rd32(h) != kZipLocalSig) return HeaderRead::NotAHeader;
    e->pos = pos;
    e->flags = rd16(h + 6);
    e->method = rd16(h + 8);
    e->localCrc = rd32(h + 14);
    e->compressed = rd32(h + 18);
    e->uncompressed = rd32(h + 22);
    e->nameLength = rd16(h + 26);
    const uint16_t extra = rd16(h + 28);
    if (!fits(img, pos + kZipLocalHeaderSize, uint64_t{e->nameLength} + extra)) return HeaderRead::HeaderCut;
    e->name = h + kZipLocalHeaderSize;
    e->dataPos = pos + kZipLocalHeaderSize + e->nameLength + extra;
    uint64_t z = 0;
    uint16_t zLength = 0;
    e->zip64 = find_extra(img, pos + kZipLocalHeaderSize + e->nameLength, extra, kZip64ExtraId, &z, &zLength);
    if ((e->flags & kZipFlagDescriptor) || e->compressed == kZipDeferred32 || e->uncompressed == kZipDeferred32) {
        if (const CentralEntry *c = central.entry(pos)) {
            e->compressed = c->compressed;
            e->uncompressed = c->uncompressed;
            e->sizesFrom = "the central directory";
        } else if (e->zip64 && !(e->flags & kZipFlagDescriptor)) {
            // No central directory (an archive cut before it): the sizes are
            // in the member's own Zip64 field.
            zip64_local_sizes(img, z, zLength, &e->uncompressed, &e->compressed);
            if (e->compressed == kZipDeferred32 || e->uncompressed == kZipDeferred32) return HeaderRead::SizesUnknown;
            e->sizesFrom = "its Zip64 field";
        } else {
            return HeaderRead::SizesUnknown;
        }
    }
    return HeaderRead::Ok;
}

// The name a member is found by: the stored name cut to 255 bytes, after its
// last '/'.
std::string base_name(const LocalEntry &e)
{
    char entryName[256] = {};
    std::memcpy(entryName, e.name, std::min<uint16_t>(e.nameLength, 255));
    const char *slash = std::strrchr(entryName, '/');
    return slash ? slash + 1 : entryName;
}

// The CRC-32 of `length` bytes, fed to zlib in pieces its length type holds.
uLong crc_of(uLong sum, const unsigned char *bytes, uint64_t length)
{
    for (uint64_t done = 0; done < length;) {
        const uInt chunk = static_cast<uInt>(std::min<uint64_t>(length - done, 1u << 30));
        sum = crc32(sum, bytes + done, chunk);
        done += chunk;
    }
    return sum;
}

// `sum` extended by `count` zero bytes, without the bytes: the CRC of the
// zeros is built by doubling and joined on. count is at most kMaxMemberSize.
uLong crc_with_zeros(uLong sum, uint64_t count)
{
    static const unsigned char kZero = 0;
    uLong zeros = crc32(0, &kZero, 1);  // the CRC of `run` zero bytes
    uint64_t run = 1;
    for (; count; count >>= 1) {
        if (count & 1) sum = crc32_combine(sum, zeros, static_cast<z_off_t>(run));
        if (count > 1) {
            zeros = crc32_combine(zeros, zeros, static_cast<z_off_t>(run));
            run *= 2;
        }
    }
    return sum;
}

// What inflating a deflated member into a block of its claimed size gives,
// found without the block: the stream is inflated piece by piece into a
// small buffer and only its CRC kept, the bytes it does not produce counted
// as zeros. Damaged when it does not end, or produces more than it claims.
ZipMemberState judge_deflated(const unsigned char *data, uint64_t length, uint64_t claimed, uLong *sum)
{
    z_stream zs;
    std::memset(&zs, 0, sizeof zs);
    zs.next_in = const_cast<Bytef *>(data);
    zs.avail_in = static_cast<uInt>(length);
    if (inflateInit2_(&zs, -15, ZLIB_VERSION, static_cast<int>(sizeof(z_stream))) != Z_OK)
        return ZipMemberState::Damaged;
    unsigned char piece[1 << 14];
    uint64_t produced = 0;
    int result = Z_OK;
    while (result == Z_OK) {
        zs.next_out = piece;
        zs.avail_out = sizeof piece;
        result = inflate(&zs, Z_NO_FLUSH);
        const uint64_t n = sizeof piece - zs.avail_out;
        produced += n;
        if (produced > claimed) break;
        *sum = crc32(*sum, piece, static_cast<uInt>(n));
    }
    inflateEnd(&zs);
    if (result != Z_STREAM_END || produced > claimed) return ZipMemberState::Damaged;
    *sum = crc_with_zeros(*sum, claimed - produced);
    return ZipMemberState::Readable;
}

// What reading the member of a local header gives; with `out`, the member
// itself goes there (a block of its size plus a NUL) when it is readable.
// Without, the member is judged alone and nothing of its claimed size is
// allocated: a header may claim 64 MiB for a member of no bytes at all.
ZipMemberState extract(const Image &img, const LocalEntry &e, CentralCache &central, Block *out, uint32_t *crc)
{
    // The CRC of the central directory, or of the local header where there
    // is none.
    const CentralEntry *c = central.entry(e.pos);
    *crc = c ? c->crc : e.localCrc;
    // An encrypted member holds ciphertext, never text.
    if ((e.flags & kZipFlagEncrypted) || e.method == kZipMethodAes) return ZipMemberState::Encrypted;
    if (e.method != kZipMethodStored && e.method != kZipMethodDeflate) return ZipMemberState::Unsupported;
    if (!fits(img, e.dataPos, e.compressed)) return ZipMemberState::DataPastEnd;
    if (e.uncompressed > kMaxMemberSize) return ZipMemberState::TooLarge;
    const unsigned char *data = img.bytes + e.dataPos;
    // A stored member shorter than it claims reads as its bytes followed by
    // zeros (instead of the bytes of whatever follows it), and then fails
    // its CRC. A changed byte makes the member unreadable, as a truncated one is.
    uLong sum = crc32(0, nullptr, 0);
    if (!out) {
        if (e.method == kZipMethodStored) {
            const uint64_t kept = std::min(e.compressed, e.uncompressed);
            sum = crc_with_zeros(crc_of(sum, data, kept), e.uncompressed - kept);
        } else if (judge_deflated(data, e.compressed, e.uncompressed, &sum) != ZipMemberState::Readable) {
            return ZipMemberState::Damaged;
        }
        return static_cast<uint32_t>(sum) == *crc ? ZipMemberState::Readable : ZipMemberState::BadCrc;
    }
    Block block(static_cast<unsigned char *>(std::calloc(e.uncompressed + 1, 1)));
    if (!block) return ZipMemberState::TooLarge;
    if (e.method == kZipMethodStored) {
        std::memcpy(block.get(), data, std::min(e.compressed, e.uncompressed));
    } else if (!inflate_member(data, e.compressed, block.get(), e.uncompressed)) {
        return ZipMemberState::Damaged;
    }
    if (static_cast<uint32_t>(crc_of(sum, block.get(), e.uncompressed)) != *crc) return ZipMemberState::BadCrc;
    block.get()[e.uncompressed] = 0;
    *out = std::move(block);
    return ZipMemberState::Readable;
}

// Where the header after `e` starts, or false when its data leaves the image.
// (A size from a Zip64 field can be large enough to wrap the position round
// to an earlier header and loop for ever.)
bool next_header(const Image &img, const LocalEntry &e, uint64_t *next)
{
    if (!fits(img, e.dataPos, e.compressed)) return false;
    *next = e.dataPos + e.compressed;
    if (e.flags & kZipFlagDescriptor) *next += descriptor_length(img, *next, e.zip64);
    return true;
}

// The first member found by `name`: its base name, or with `fullPath` its
// whole stored name.
int read_member(const Image &img, const char *name, bool fullPath, unsigned char **out, uint32_t *outSize)
{
    CentralCache central(img);
    uint64_t pos = 0;
    LocalEntry e;
    while (pos + kZipLocalHeaderSize <= img.size && read_header(img, pos, central, &e) == HeaderRead::Ok) {
        const bool match = fullPath ? std::string_view(reinterpret_cast<const char *>(e.name), e.nameLength) == name
                                    : base_name(e) == name;
        if (!match) {
            if (!next_header(img, e, &pos)) return -1;
            continue;
        }
        // The first matching member decides the result.
        Block block;
        uint32_t crc = 0;
        const ZipMemberState state = extract(img, e, central, &block, &crc);
        if (state == ZipMemberState::Unsupported) return -2;
        if (state != ZipMemberState::Readable) return -1;
        *out = block.release();
        *outSize = static_cast<uint32_t>(e.uncompressed);
        return 0;
    }
    return -1;
}

}  // namespace

int zip_open(const char *zipPath, ZipArchive *archive)
{
    if (!archive) return -1;
    *archive = ZipArchive{};
    if (!zipPath) return -1;
    uint64_t size = 0;
    Block bytes = read_archive(zipPath, &size);
    if (!bytes) return -1;
    archive->bytes = bytes.release();
    archive->size = size;
    return 0;
}

void zip_close(ZipArchive *archive)
{
    if (!archive) return;
    std::free(archive->bytes);
    *archive = ZipArchive{};
}

ZipWalk zip_walk(const ZipArchive *archive, const std::vector<std::string> *judged)
{
    if (!archive || !archive->bytes) return ZipWalk{};
    return zip_walk_bytes(archive->bytes, archive->size, judged);
}

ZipWalk zip_walk_bytes(const unsigned char *bytes, uint64_t size, const std::vector<std::string> *judged)
{
    ZipWalk walk;
    if (!bytes) return walk;
    const Image img{bytes, size};
    for (uint64_t at = 0; at + 4 <= img.size; ++at) {
        if (rd32(img.bytes + at) == kZipLocalSig) {
            walk.firstHeaderAt = at;
            break;
        }
    }
    uint64_t offset = 0, length = 0, entries = 0;
    walk.hasCentralDirectory = find_central_directory(img, &offset, &length, &entries);
    walk.thisDisk = end_record_disk(img);
    walk.splitMarker = img.size >= 4 && rd32(img.bytes) == kZipDescriptorSig;
    CentralCache central(img);
    uint64_t pos = 0;
    LocalEntry e;
    for (;;) {
        walk.stoppedAt = pos;
        if (pos >= img.size) {
            walk.end = ZipWalkEnd::EndOfFile;
            break;
        }
        const HeaderRead r = read_header(img, pos, central, &e);
        if (r != HeaderRead::Ok) {
            walk.end = r == HeaderRead::NotAHeader  ? ZipWalkEnd::NoHeader
                       : r == HeaderRead::HeaderCut ? ZipWalkEnd::HeaderCut
                                                    : ZipWalkEnd::SizesUnknown;
            break;
        }
        ZipMemberReport m;
        m.name.assign(reinterpret_cast<const char *>(e.name), e.nameLength);
        m.baseName = base_name(e);
        m.offset = e.pos;
        m.method = e.method;
        m.flags = e.flags;
        m.compressed = e.compressed;
        m.uncompressed = e.uncompressed;
        m.sizesFrom = e.sizesFrom;
        // Of the names asked for, the first member of each is the one a read
        // takes; the others are never read, so they are not judged either.
        m.judged = !judged || (std::find(judged->begin(), judged->end(), m.baseName) != judged->end() &&
                               std::none_of(walk.members.begin(), walk.members.end(),
                                            [&](const ZipMemberReport &o) { return o.baseName == m.baseName; }));
        if (m.judged) m.state = extract(img, e, central, nullptr, &m.crc);
        walk.members.push_back(std::move(m));
        if (!next_header(img, e, &pos)) {
            walk.end = ZipWalkEnd::DataPastEnd;
            break;
        }
    }
    return walk;
}

int zip_read_member(const ZipArchive *archive, const char *name, unsigned char **out, uint32_t *outSize)
{
    if (out) *out = nullptr;
    if (outSize) *outSize = 0;
    if (!archive || !archive->bytes || !name || !out || !outSize) return -1;
    return read_member(Image{archive->bytes, archive->size}, name, false, out, outSize);
}

int zip_read_member_path(const ZipArchive *archive, const char *path, unsigned char **out, uint32_t *outSize)
{
    if (out) *out = nullptr;
    if (outSize) *outSize = 0;
    if (!archive || !archive->bytes || !path || !out || !outSize) return -1;
    return read_member(Image{archive->bytes, archive->size}, path, true, out, outSize);
}

int zip_read_file(const char *zipPath, const char *name, unsigned char **out, uint32_t *outSize)
{
    if (out) *out = nullptr;
    if (outSize) *outSize = 0;
    if (!zipPath || !name || !out || !outSize) return -1;
    ZipArchive archive;
    if (zip_open(zipPath, &archive) != 0) return -1;
    const int result = zip_read_member(&archive, name, out, outSize);
    zip_close(&archive);
    return result;
}

void zip_free(unsigned char *data) { std::free(data); }

bool zip_starts_like_archive(const void *bytes, size_t size)
{
    return size >= 4 && rd32(static_cast<const unsigned char *>(bytes)) == kZipLocalSig;
}
