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

// One member of the archive at zipPath (zip_open, zip_read_member, zip_close).
// 0: *out is a malloc'd block of *outSize bytes plus a NUL (release with
// zip_free). -1: the file, the member or its data cannot be read. -2: the member
// uses a compression method other than stored (0) or deflate (8).
int zip_read_file(const char *zipPath, const char *name, unsigned char **out, uint32_t *outSize);
void zip_free(unsigned char *data);
