// SPDX-License-Identifier: MIT
// zip_reader: reads named members out of a ZIP archive file.
//
// zip_open reads the archive whole into memory, once; zip_read_member then
// walks its local headers from the first byte and returns the first member
// whose name, after its last '/', equals `name`. Stored and deflated members
// are read; sizes deferred to a data descriptor or a Zip64 field are taken
// from the central directory. Never reads outside the archive image, whatever
// its header fields claim. A member claiming more than 64 MiB is refused;
// bytes a short deflate stream did not produce are zeros. Only a regular file
// of at most 4 GiB is read, and one that does not begin with a local header
// is refused before it is read. No state is kept between calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An archive file's bytes, read once. Release with zip_close.
struct ZipArchive {
    unsigned char *bytes = nullptr;
    uint64_t size = 0;
};

// 0: the archive is in *archive. -1: the file cannot be read as an archive
// (missing, not a regular file, larger than 4 GiB, not beginning with a local
// header); *archive is then empty.
int zip_open(const char *zipPath, ZipArchive *archive);
void zip_close(ZipArchive *archive);

// zip_read_file's results for a member of an open archive.
int zip_read_member(const ZipArchive *archive, const char *name, unsigned char **out, uint32_t *outSize);
// The same for the first member whose whole stored name is `path`
// ("xl/worksheets/sheet1.xml"), for formats that name their parts by path;
// the game's sets are read by base name.
int zip_read_member_path(const ZipArchive *archive, const char *path, unsigned char **out, uint32_t *outSize);

// One member of the archive at zipPath (zip_open, zip_read_member, zip_close).
// 0: *out is a malloc'd block of *outSize bytes plus a NUL (release with
// zip_free). -1: the file, the member or its data cannot be read. -2: the member
// uses a compression method other than stored (0) or deflate (8).
int zip_read_file(const char *zipPath, const char *name, unsigned char **out, uint32_t *outSize);
void zip_free(unsigned char *data);

// What reading a member gives, as the reader decides it.
enum class ZipMemberState {
    Readable,  // stored or deflated, and its bytes match their CRC-32
    Unsupported,  // another compression method (zip_read_member gives -2)
    Encrypted,  // flag bit 0, or WinZip AES (method 99)
    DataPastEnd,  // its data reaches past the end of the file
    TooLarge,  // claims more than 64 MiB
    Damaged,  // its deflate stream does not inflate
    BadCrc,  // its bytes do not match their CRC-32
};

// One local header the reader's walk visited.
struct ZipMemberReport {
    std::string name;  // as stored
    std::string baseName;  // what it is found by: cut to 255 bytes, after the last '/'
    uint64_t offset = 0;  // of its local header
    uint16_t method = 0, flags = 0;
    uint64_t compressed = 0, uncompressed = 0;  // the sizes the walk used
    const char *sizesFrom = "";  // "the local header", "the central directory" or "its Zip64 field"
    uint32_t crc = 0;  // the CRC-32 its bytes must match
    ZipMemberState state = ZipMemberState::Readable;  // when judged
    bool judged = true;  // crc and state were found: the member was one the walk was asked about
};

// Why the walk ended where it did.
enum class ZipWalkEnd {
    EndOfFile,  // at the end of the file, right after a member
    NoHeader,  // at bytes that are no local header (the central directory, or no archive at all)
    HeaderCut,  // at a local header that the end of the file cuts
    SizesUnknown,  // at a member whose sizes are deferred and found nowhere
    DataPastEnd,  // after a member whose data reaches past the end of the file
};

// The reader's walk over the whole archive: every local header it visits, in
// file order, with what reading each member gives, so that an explanation of
// a load can never disagree with the load.
struct ZipWalk {
    std::vector<ZipMemberReport> members;
    ZipWalkEnd end = ZipWalkEnd::NoHeader;
    uint64_t stoppedAt = 0;  // the offset where the walk ended
    bool hasCentralDirectory = false;  // an end-of-central-directory record leads to one
    uint32_t thisDisk = 0;  // the end record's disk number: above 0 in the last part of a split archive
    bool splitMarker = false;  // the file begins with the marker of a split archive's first part
    uint64_t firstHeaderAt = UINT64_MAX;  // the first offset holding a local header's signature, if any
};
// With `judged`, only the first member of each of those base names is
// judged (the one a read by that name takes); without, every member is.
// Judging never allocates a member's claimed size: a stored member is
// checked on the archive's bytes, a deflated one inflated piece by piece.
ZipWalk zip_walk(const ZipArchive *archive, const std::vector<std::string> *judged = nullptr);
// The same walk over any bytes, also ones that are no archive (it then ends at
// once, and firstHeaderAt tells where an archive might start).
ZipWalk zip_walk_bytes(const unsigned char *bytes, uint64_t size, const std::vector<std::string> *judged = nullptr);

// True when `bytes` begin with a member's local header signature, as every
// archive the game reads does.
bool zip_starts_like_archive(const void *bytes, size_t size);
