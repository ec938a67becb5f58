// SPDX-License-Identifier: MIT
// A stored/deflated ZIP writer on zlib: local header, data, and at the end the
// central directory and its end record.
#include "zip_writer.h"

#include <zlib.h>

#include <cstdint>
#include <limits>

#include "zip_format.h"

namespace {

constexpr uint16_t kFlagMaxCompression = 0x0002;  // bits 1-2 = 01: deflated at the best level
constexpr uint16_t kDosTime = 0;  // 00:00:00
constexpr uint16_t kDosDate = (0 << 9) | (1 << 5) | 1;  // 1980-01-01, the earliest DOS date
constexpr uint16_t kMadeByUnix = (3 << 8) | 30;  // host Unix, format version 3.0
constexpr uint32_t kRegularFile0644 = 0100644u << 16;

void put16(std::string &out, uint32_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string &out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

bool raw_deflate(const std::string &in, std::string &out)
{
    z_stream zs{};
    if (deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    out.assign(deflateBound(&zs, static_cast<uLong>(in.size())), '\0');
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.data()));
    zs.avail_in = static_cast<uInt>(in.size());
    zs.next_out = reinterpret_cast<Bytef *>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return rc == Z_STREAM_END;
}

}  // namespace

bool zip_build_archive(const std::vector<ZipWriterMember> &members, bool store, std::string &out)
{
    constexpr uint64_t kMax32 = std::numeric_limits<uint32_t>::max();
    // deflateBound and avail_in are 32-bit on the way in; keep members well inside.
    constexpr uint64_t kMaxMember = std::numeric_limits<uInt>::max() / 2;
    if (members.size() > 0xFFFF) return false;

    out.clear();
    std::string central, body;
    for (const ZipWriterMember &m : members) {
        if (m.name.empty() || m.name.size() > 0xFFFF || m.data.size() > kMaxMember) return false;
        if (m.method < -1 || m.method > 0xFFFF) return false;
        const uint16_t method = m.method >= 0 ? static_cast<uint16_t>(m.method)
                                : store       ? kZipMethodStored
                                              : kZipMethodDeflate;
        const uint16_t flags = method == kZipMethodDeflate ? kFlagMaxCompression : 0;
        const uint16_t needed = method == kZipMethodStored ? 10 : 20;
        if (method != kZipMethodDeflate) {
            body = m.data;
        } else if (!raw_deflate(m.data, body)) {
            return false;
        }
        const auto crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef *>(m.data.data()), static_cast<uInt>(m.data.size())));
        const uint64_t offset = out.size();
        if (offset + kZipLocalHeaderSize + m.name.size() + body.size() > kMax32) return false;

        // The fields from "version needed" to the name's length are the
        // same in the local header and the central directory entry.
        std::string common;
        put16(common, needed);
        put16(common, flags);
        put16(common, method);
        put16(common, kDosTime);
        put16(common, kDosDate);
        put32(common, crc);
        put32(common, static_cast<uint32_t>(body.size()));
        put32(common, static_cast<uint32_t>(m.data.size()));
        put16(common, static_cast<uint32_t>(m.name.size()));

        put32(out, kZipLocalSig);
        out += common;
        put16(out, 0);  // no extra field
        out += m.name;
        out += body;

        put32(central, kZipCentralSig);
        put16(central, kMadeByUnix);
        central += common;
        put16(central, 0);  // extra field
        put16(central, 0);  // comment
        put16(central, 0);  // disk number
        put16(central, 0);  // internal attributes
        put32(central, kRegularFile0644);
        put32(central, static_cast<uint32_t>(offset));
        central += m.name;
    }
    const uint64_t cdOffset = out.size();
    if (cdOffset + central.size() + kZipEndSize > kMax32) return false;
    out += central;
    put32(out, kZipEndSig);
    put16(out, 0);  // this disk
    put16(out, 0);  // disk of the central directory
    put16(out, static_cast<uint32_t>(members.size()));
    put16(out, static_cast<uint32_t>(members.size()));
    put32(out, static_cast<uint32_t>(central.size()));
    put32(out, static_cast<uint32_t>(cdOffset));
    put16(out, 0);  // comment length
    return true;
}
