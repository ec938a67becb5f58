// SPDX-License-Identifier: MIT
// zip_writer: builds a plain ZIP archive in memory.
//
// Every member gets a local header carrying its real sizes and CRC-32 (no data
// descriptors, no Zip64, no extra fields), then the central directory and the
// end record follow, so readers that walk local headers and readers that start
// from the central directory both find everything. Members are stored, or
// raw-deflated by zlib at its best compression. Every member carries the same
// fixed time stamp, so the same input always gives the same bytes.
// Never writes to disk; refuses names or sizes a plain ZIP cannot hold.
// pelzo-quiz pack writes sets with it, and the tests and benchmarks build
// their archives with it.
#pragma once

#include <string>
#include <vector>

struct ZipWriterMember {
    std::string name;  // ASCII, at most 65,535 bytes
    std::string data;  // the member's own bytes
    // -1: as the archive is built (stored, or deflated). 0 or 8: stored or
    // deflated, whatever the archive. Any other number: `data` is written as
    // the member's compressed bytes under that method, for archives a reader
    // must refuse (its CRC is then of `data`).
    int method = -1;
};

// True and the whole archive in `out`; false when a member is too large for
// a ZIP without Zip64 (4 GiB) or too many members (65,535) or deflate fails.
bool zip_build_archive(const std::vector<ZipWriterMember> &members, bool store, std::string &out);
