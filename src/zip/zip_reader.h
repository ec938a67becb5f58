// zip_reader: reads one named member out of a ZIP archive file.
//
// zip_read_file walks the archive's local headers from its first byte and
// returns the first member whose name, after its last '/', equals `name`.
// Stored and deflated members are read; sizes deferred to a data descriptor or
// a Zip64 field are taken from the central directory. Never reads outside the
// archive image, whatever its header fields claim. A member claiming more than
// 64 MiB is refused; bytes a short deflate stream did not produce are zeros.
// The whole archive is read into memory once per call and released before it
// returns; a file that does not begin with a local header is refused before
// it is read. No state is kept between calls.
#pragma once

#include <cstdint>

// 0: *out is a malloc'd block of *outSize bytes plus a NUL (release with
// zip_free). -1: the file, the member or its data cannot be read. -2: the member
// uses a compression method other than stored (0) or deflate (8).
int zip_read_file(const char *zipPath, const char *name, unsigned char **out, uint32_t *outSize);
void zip_free(unsigned char *data);
