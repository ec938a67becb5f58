// SPDX-License-Identifier: MIT
// The embedded assets read back through the OS layer's resource lookup (the
// compiled-in table on Linux, the executable's RT_RCDATA resources on
// Windows), and the fallback files copied beside the executables. Every format
// is parsed here from its bytes (PNG chunks, RIFF chunks, Ogg pages), so the
// checks do not rest on the game library that later decodes them.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "resource_ids.h"
#include "win_helper.h"

namespace {

constexpr int kRate = 44100;

struct Expected {
    ResourceId id;
    const char *fileName;
};

constexpr std::array<Expected, 7> kAssets = {{
    {kResLogo, "logo.png"},
    {kResIcon, "icon.png"},
    {kResOpening, "openning_8bit.wav"},
    {kResPlayStart, "playstart_8bit.wav"},
    {kResCountup, "countup_10sec.ogg"},
    {kResCorrect, "right.wav"},
    {kResWrong, "wrong.wav"},
}};

std::vector<unsigned char> read_file(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// The bytes of embedded resource `id`; empty when it is absent.
std::vector<unsigned char> resource_bytes(int id)
{
    uint32_t size = 0;
    const auto *p = static_cast<const unsigned char *>(win_load_resource(id, &size));
    if (!p) return {};
    return {p, p + size};
}

// The bytes of an asset: the resource when the build embeds that file,
// otherwise the file in assets/, so the file checks also run in a
// resource-less build and in the page's, which embeds its sounds as Ogg.
std::vector<unsigned char> asset_bytes(int id, const char *fileName)
{
    std::vector<unsigned char> bytes;
    if (std::string(resource_file_name(static_cast<ResourceId>(id))) == fileName) bytes = resource_bytes(id);
    if (!bytes.empty()) return bytes;
    return read_file(std::string(PELZO_SOURCE_DIR) + "/assets/" + fileName);
}

uint32_t be32(const unsigned char *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
uint32_t le32(const unsigned char *p)
{
    return p[0] | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t le16(const unsigned char *p) { return uint16_t(p[0] | p[1] << 8); }

// ---------------------------------------------------------------- PNG

struct Png {
    uint32_t width = 0, height = 0;
    int depth = 0, colourType = 0;
    std::vector<unsigned char> rgba;  // filled for 8-bit RGBA only
    std::string error;

    const unsigned char *px(uint32_t x, uint32_t y) const { return &rgba[(size_t(y) * width + x) * 4]; }
};

unsigned char paeth(int a, int b, int c)
{
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return (unsigned char)a;
    return (unsigned char)(pb <= pc ? b : c);
}

// Walks the chunks, checks every CRC, and for 8-bit RGBA inflates the IDAT
// stream and undoes the row filters.
Png parse_png(std::span<const unsigned char> d)
{
    Png png;
    static const unsigned char sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (d.size() < 33 || std::memcmp(d.data(), sig, 8) != 0) {
        png.error = "no PNG signature";
        return png;
    }
    std::vector<unsigned char> idat;
    bool sawEnd = false;
    size_t pos = 8;
    while (pos + 12 <= d.size() && !sawEnd) {
        uint32_t len = be32(&d[pos]);
        if (len > d.size() - pos - 12) {
            png.error = "chunk runs past the end";
            return png;
        }
        const unsigned char *type = &d[pos + 4];
        const unsigned char *body = &d[pos + 8];
        uLong crc = crc32(0, type, len + 4);
        if (crc != be32(body + len)) {
            png.error = "bad CRC in chunk " + std::string(reinterpret_cast<const char *>(type), 4);
            return png;
        }
        if (pos == 8) {
            if (std::memcmp(type, "IHDR", 4) != 0 || len != 13) {
                png.error = "first chunk is not a 13-byte IHDR";
                return png;
            }
            png.width = be32(body);
            png.height = be32(body + 4);
            png.depth = body[8];
            png.colourType = body[9];
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            idat.insert(idat.end(), body, body + len);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            sawEnd = true;
        }
        pos += 12 + len;
    }
    if (!sawEnd) {
        png.error = "no IEND chunk";
        return png;
    }
    if (png.depth != 8 || png.colourType != 6 || png.width == 0 || png.width > 4096 || png.height > 4096) {
        return png;
    }
    const size_t stride = size_t(png.width) * 4;
    std::vector<unsigned char> raw((stride + 1) * png.height);
    uLongf rawLen = raw.size();
    if (uncompress(raw.data(), &rawLen, idat.data(), idat.size()) != Z_OK || rawLen != raw.size()) {
        png.error = "IDAT does not inflate to the image size";
        return png;
    }
    png.rgba.resize(stride * png.height);
    for (uint32_t y = 0; y < png.height; y++) {
        const unsigned char *in = &raw[y * (stride + 1)];
        unsigned char *out = &png.rgba[y * stride];
        const unsigned char *up = y > 0 ? out - stride : nullptr;
        for (size_t i = 0; i < stride; i++) {
            int a = i >= 4 ? out[i - 4] : 0;
            int b = up ? up[i] : 0;
            int c = (up && i >= 4) ? up[i - 4] : 0;
            int v = in[1 + i];
            switch (in[0]) {
            case 0: break;
            case 1: v += a; break;
            case 2: v += b; break;
            case 3: v += (a + b) / 2; break;
            case 4: v += paeth(a, b, c); break;
            default: png.error = "unknown row filter"; return png;
            }
            out[i] = (unsigned char)v;
        }
    }
    return png;
}

bool is_colour(const unsigned char *p, int r, int g, int b)
{
    return std::abs(p[0] - r) <= 6 && std::abs(p[1] - g) <= 6 && std::abs(p[2] - b) <= 6 && p[3] >= 250;
}

int count_colour(const Png &png, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, int r, int g, int b)
{
    int n = 0;
    for (uint32_t y = y0; y < y1; y++)
        for (uint32_t x = x0; x < x1; x++) n += is_colour(png.px(x, y), r, g, b);
    return n;
}

// Parses asset `id` into *png and checks that it is an 8-bit RGBA PNG of
// width x height whose pixels all inflated.
void parse_rgba_png(int id, const char *fileName, uint32_t width, uint32_t height, Png *png)
{
    *png = parse_png(asset_bytes(id, fileName));
    ASSERT_EQ(png->error, "");
    EXPECT_EQ(png->width, width);
    EXPECT_EQ(png->height, height);
    EXPECT_EQ(png->depth, 8);
    EXPECT_EQ(png->colourType, 6);
    ASSERT_EQ(png->rgba.size(), size_t(width) * height * 4);
}

TEST(AssetImages, LogoIsA462By132RgbaPngInThePalette)
{
    Png png;
    ASSERT_NO_FATAL_FAILURE(parse_rgba_png(2, "logo.png", 462, 132, &png));

    // Rounded plate: the corners are see-through, the rim accent blue.
    EXPECT_EQ(png.px(0, 0)[3], 0);
    EXPECT_EQ(png.px(461, 131)[3], 0);
    EXPECT_TRUE(is_colour(png.px(1, 66), 90, 200, 255));
    // The yellow "?" badge on the left.
    EXPECT_TRUE(is_colour(png.px(62, 90), 255, 220, 60));
    // "Pelzo" in white, "Win" in accent blue, inside the plate.
    EXPECT_GT(count_colour(png, 120, 15, 310, 95, 255, 255, 255), 1500);
    EXPECT_GT(count_colour(png, 310, 15, 450, 95, 90, 200, 255), 1000);
}

TEST(AssetImages, IconIsA64By64RgbaPng)
{
    Png png;
    ASSERT_NO_FATAL_FAILURE(parse_rgba_png(3, "icon.png", 64, 64, &png));
    EXPECT_EQ(png.px(0, 0)[3], 0);
    EXPECT_TRUE(is_colour(png.px(12, 32), 255, 220, 60));
}

TEST(AssetImages, PngParserRejectsDamage)
{
    // The checks above are only as good as the parser: a flipped byte, a cut
    // file and a foreign file must each be refused.
    std::vector<unsigned char> good = asset_bytes(kResIcon, "icon.png");
    ASSERT_EQ(parse_png(good).error, "");

    std::vector<unsigned char> flipped = good;
    flipped[60] ^= 0x10;  // inside the IDAT data
    EXPECT_NE(parse_png(flipped).error, "");

    std::vector<unsigned char> cut(good.begin(), good.begin() + long(good.size() / 2));
    EXPECT_NE(parse_png(cut).error, "");

    std::vector<unsigned char> wav = asset_bytes(kResCorrect, "right.wav");
    EXPECT_NE(parse_png(wav).error, "");
}

TEST(AssetImages, IcoHoldsFourSizesOfTheIcon)
{
    std::vector<unsigned char> d = read_file(std::string(PELZO_SOURCE_DIR) + "/assets/pelzo_win.ico");
    ASSERT_GE(d.size(), 6u);
    EXPECT_EQ(le16(&d[0]), 0);
    EXPECT_EQ(le16(&d[2]), 1);  // icon, not cursor
    int count = le16(&d[4]);
    ASSERT_EQ(count, 4);
    ASSERT_GE(d.size(), 6u + 16u * count);
    std::vector<int> sizes;
    for (int i = 0; i < count; i++) {
        const unsigned char *e = &d[6 + 16 * i];
        EXPECT_EQ(e[0], e[1]) << "image " << i << " is not square";
        uint32_t bytes = le32(e + 8), offset = le32(e + 12);
        EXPECT_LE(uint64_t(offset) + bytes, d.size()) << "image " << i << " runs past the end";
        sizes.push_back(e[0]);
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48, 64}));
}

// ---------------------------------------------------------------- WAV

struct Wav {
    int format = 0, channels = 0, bits = 0, blockAlign = 0;
    uint32_t rate = 0, byteRate = 0;
    const unsigned char *data = nullptr;
    uint32_t dataSize = 0;
    std::string error;
};

Wav parse_wav(std::span<const unsigned char> d)
{
    Wav w;
    if (d.size() < 12 || std::memcmp(d.data(), "RIFF", 4) != 0 || std::memcmp(&d[8], "WAVE", 4) != 0) {
        w.error = "not RIFF/WAVE";
        return w;
    }
    if (le32(&d[4]) != d.size() - 8) w.error = "RIFF size does not match the file";
    size_t pos = 12;
    bool fmt = false;
    while (pos + 8 <= d.size()) {
        uint32_t len = le32(&d[pos + 4]);
        if (len > d.size() - pos - 8) {
            w.error = "chunk runs past the end";
            return w;
        }
        const unsigned char *body = &d[pos + 8];
        if (std::memcmp(&d[pos], "fmt ", 4) == 0 && len >= 16) {
            w.format = le16(body);
            w.channels = le16(body + 2);
            w.rate = le32(body + 4);
            w.byteRate = le32(body + 8);
            w.blockAlign = le16(body + 12);
            w.bits = le16(body + 14);
            fmt = true;
        } else if (std::memcmp(&d[pos], "data", 4) == 0) {
            w.data = body;
            w.dataSize = len;
        }
        pos += 8 + len + (len & 1);
    }
    if (!fmt || !w.data) w.error = "fmt or data chunk missing";
    return w;
}

struct Level {
    double peakDb;
    double rmsDb;
};

// Peak and RMS level in dBFS of the samples from `first` to the end.
Level level_of(const Wav &w, uint32_t first = 0)
{
    double peak = 0, sum = 0;
    uint32_t n = w.dataSize / 2;
    for (uint32_t i = first; i < n; i++) {
        double v = int16_t(le16(w.data + 2 * i)) / 32768.0;
        peak = std::max(peak, std::fabs(v));
        sum += v * v;
    }
    uint32_t count = n > first ? n - first : 1;
    return {20 * std::log10(std::max(peak, 1e-9)), 10 * std::log10(std::max(sum / count, 1e-18))};
}

struct WavCase {
    ResourceId id;
    const char *fileName;
    double seconds;
};

void PrintTo(const WavCase &c, std::ostream *os) { *os << c.fileName; }

class AssetSounds : public testing::TestWithParam<WavCase> {};

TEST_P(AssetSounds, IsMono16BitPcmAt44100OfTheRightLength)
{
    const WavCase &c = GetParam();
    std::vector<unsigned char> bytes = asset_bytes(c.id, c.fileName);
    Wav w = parse_wav(bytes);
    ASSERT_EQ(w.error, "");
    EXPECT_EQ(w.format, 1);  // PCM
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.rate, uint32_t(kRate));
    EXPECT_EQ(w.bits, 16);
    EXPECT_EQ(w.blockAlign, 2);
    EXPECT_EQ(w.byteRate, uint32_t(kRate * 2));
    EXPECT_NEAR(w.dataSize / 2.0 / kRate, c.seconds, 0.010);

    // Loud but not clipped, and not a near-silent file.
    Level l = level_of(w);
    EXPECT_LE(l.peakDb, -0.3);
    EXPECT_GE(l.peakDb, -3.0);
    EXPECT_GE(l.rmsDb, -30.0);
    // Faded out by the end: a sound cut while loud clicks when it stops.
    uint32_t samples = w.dataSize / 2;
    uint32_t lastTenMs = kRate / 100;
    ASSERT_GT(samples, lastTenMs);
    EXPECT_LE(level_of(w, samples - lastTenMs).peakDb, -40.0);
}

INSTANTIATE_TEST_SUITE_P(All, AssetSounds,
                         testing::Values(WavCase{kResOpening, "openning_8bit.wav", 7.46},
                                         WavCase{kResPlayStart, "playstart_8bit.wav", 3.46},
                                         WavCase{kResCorrect, "right.wav", 0.92},
                                         WavCase{kResWrong, "wrong.wav", 0.91}),
                         [](const testing::TestParamInfo<WavCase> &i) { return "id" + std::to_string(i.param.id); });

TEST(AssetSoundParser, RejectsDamage)
{
    std::vector<unsigned char> good = asset_bytes(kResCorrect, "right.wav");
    ASSERT_EQ(parse_wav(good).error, "");

    std::vector<unsigned char> cut(good.begin(), good.begin() + 1000);
    EXPECT_NE(parse_wav(cut).error, "");

    std::vector<unsigned char> noData(good.begin(), good.begin() + 36);  // header, fmt, no data chunk
    noData[4] = 28;
    noData[5] = noData[6] = noData[7] = 0;
    EXPECT_NE(parse_wav(noData).error, "");

    EXPECT_NE(parse_wav(asset_bytes(kResIcon, "icon.png")).error, "");
}

TEST(AssetSoundLevel, MeasuresPeakAndRms)
{
    // A full-scale square wave: 0 dBFS peak and rms; half scale: -6 dB.
    std::vector<unsigned char> data;
    for (int i = 0; i < 100; i++) {
        int16_t v = (i % 2) ? 16384 : -16384;
        data.push_back(uint8_t(v & 0xff));
        data.push_back(uint8_t((v >> 8) & 0xff));
    }
    Wav w;
    w.data = data.data();
    w.dataSize = uint32_t(data.size());
    Level l = level_of(w);
    EXPECT_NEAR(l.peakDb, -6.02, 0.01);
    EXPECT_NEAR(l.rmsDb, -6.02, 0.01);
    // Only the tail: the last ten samples at a quarter scale.
    for (int i = 90; i < 100; i++) {
        data[2 * i] = 0x00;
        data[2 * i + 1] = (i % 2) ? 0x20 : 0xe0;  // +8192 / -8192
    }
    EXPECT_NEAR(level_of(w, 90).peakDb, -12.04, 0.01);
    EXPECT_NEAR(level_of(w, 0).peakDb, -6.02, 0.01);
}

// ---------------------------------------------------------------- Ogg

// The Ogg page checksum: CRC-32, polynomial 0x04c11db7, not reflected, zero start.
uint32_t ogg_crc(const unsigned char *p, size_t n)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t r = i << 24;
            for (int k = 0; k < 8; k++) r = (r & 0x80000000u) ? (r << 1) ^ 0x04c11db7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    uint32_t crc = 0;
    for (size_t i = 0; i < n; i++) crc = (crc << 8) ^ table[((crc >> 24) ^ p[i]) & 0xff];
    return crc;
}

struct Ogg {
    int channels = 0;
    uint32_t rate = 0;
    int64_t lastGranule = -1;
    int pages = 0;
    std::string error;
};

// Walks every page from the first byte to the last: capture pattern, version,
// checksum, begin and end of stream flags. The first packet must be the
// Vorbis identification header.
Ogg parse_ogg(std::span<const unsigned char> d)
{
    Ogg o;
    size_t pos = 0;
    uint32_t serial = 0;
    bool eos = false;
    while (pos < d.size()) {
        if (eos) {
            o.error = "bytes after the end-of-stream page";
            return o;
        }
        if (d.size() - pos < 27 || std::memcmp(&d[pos], "OggS", 4) != 0 || d[pos + 4] != 0) {
            o.error = "no page at byte " + std::to_string(pos);
            return o;
        }
        int flags = d[pos + 5];
        int segs = d[pos + 26];
        if (d.size() - pos < size_t(27 + segs)) {
            o.error = "segment table cut";
            return o;
        }
        size_t bodyLen = 0;
        for (int i = 0; i < segs; i++) bodyLen += d[pos + 27 + i];
        size_t pageLen = 27 + segs + bodyLen;
        if (d.size() - pos < pageLen) {
            o.error = "page body cut";
            return o;
        }
        std::vector<unsigned char> page(d.begin() + long(pos), d.begin() + long(pos + pageLen));
        uint32_t stored = le32(&page[22]);
        std::memset(&page[22], 0, 4);
        if (ogg_crc(page.data(), page.size()) != stored) {
            o.error = "bad checksum on page " + std::to_string(o.pages);
            return o;
        }
        uint32_t pageSerial = le32(&d[pos + 14]);
        if (o.pages == 0) {
            const unsigned char *id = &d[pos + 27 + segs];
            if (!(flags & 2) || bodyLen < 30 || std::memcmp(id, "\x01vorbis", 7) != 0 || le32(id + 7) != 0) {
                o.error = "first page is not a Vorbis identification header";
                return o;
            }
            o.channels = id[11];
            o.rate = le32(id + 12);
            serial = pageSerial;
        } else if (pageSerial != serial) {
            o.error = "a second logical stream";
            return o;
        }
        int64_t granule = int64_t(uint64_t(le32(&d[pos + 6])) | uint64_t(le32(&d[pos + 10])) << 32);
        if (granule != -1) o.lastGranule = granule;
        eos = flags & 4;
        o.pages++;
        pos += pageLen;
    }
    if (!eos) o.error = "no end-of-stream page";
    return o;
}

TEST(AssetMusic, IsMonoVorbisAt44100Of1047Seconds)
{
    std::vector<unsigned char> bytes = asset_bytes(kResCountup, "countup_10sec.ogg");
    Ogg o = parse_ogg(bytes);
    ASSERT_EQ(o.error, "");
    EXPECT_EQ(o.channels, 1);
    EXPECT_EQ(o.rate, uint32_t(kRate));
    EXPECT_GE(o.pages, 3);  // identification, comments and setup, then audio
    EXPECT_NEAR(double(o.lastGranule) / kRate, 10.47, 0.010);
}

TEST(AssetMusic, OggParserRejectsDamage)
{
    std::vector<unsigned char> good = asset_bytes(kResCountup, "countup_10sec.ogg");
    ASSERT_EQ(parse_ogg(good).error, "");

    std::vector<unsigned char> flipped = good;
    flipped[good.size() / 2] ^= 0x01;
    EXPECT_NE(parse_ogg(flipped).error, "");

    std::vector<unsigned char> cut(good.begin(), good.end() - 100);
    EXPECT_NE(parse_ogg(cut).error, "");

    std::vector<unsigned char> twice = good;
    twice.insert(twice.end(), good.begin(), good.end());
    EXPECT_NE(parse_ogg(twice).error, "");

    EXPECT_NE(parse_ogg(asset_bytes(kResCorrect, "right.wav")).error, "");
}

// ---------------------------------------------------------------- the table

#ifndef PELZO_ASSETS_EMBEDDED
#error "PELZO_ASSETS_EMBEDDED comes with the pelzo_assets library"
#endif

#if PELZO_ASSETS_EMBEDDED
TEST(AssetTable, HoldsIds2To8WithTheFilesOfAssets)
{
    for (const Expected &e : kAssets) {
        SCOPED_TRACE(e.fileName);
        // Byte for byte what assets/ holds: a stale, cut or misplaced
        // resource fails here.
        std::vector<unsigned char> file = read_file(std::string(PELZO_SOURCE_DIR) + "/assets/" + e.fileName);
        ASSERT_FALSE(file.empty());
        const std::string embedded = resource_file_name(e.id);
        if (embedded != e.fileName) {
            // The page's sound, encoded from the WAV: a whole Ogg stream of its name.
            std::string stem(e.fileName);
            ASSERT_TRUE(stem.ends_with(".wav"));
            EXPECT_EQ(embedded, stem.substr(0, stem.size() - 4) + ".ogg");
            EXPECT_EQ(parse_ogg(resource_bytes(e.id)).error, "");
            continue;
        }
        EXPECT_TRUE(resource_bytes(e.id) == file);
    }
    for (int id : {-1, 0, 1, 9, 10, 100}) {
        EXPECT_TRUE(resource_bytes(id).empty()) << "id " << id;
    }
}
#else
TEST(AssetTable, IsEmptyWhenBuiltWithoutAssets)
{
    for (const Expected &e : kAssets) EXPECT_TRUE(resource_bytes(e.id).empty()) << e.fileName;
}
#endif

TEST(AssetTable, FallbackFilesSitBesideTheExecutables)
{
    for (const char *name :
         {"pelzo_win.ico", "right.wav", "wrong.wav", "openning_8bit.wav", "playstart_8bit.wav", "countup_10sec.ogg"}) {
        SCOPED_TRACE(name);
        std::vector<unsigned char> copy = read_file(std::string(PELZO_BINARY_DIR) + "/" + name);
        std::vector<unsigned char> source = read_file(std::string(PELZO_SOURCE_DIR) + "/assets/" + name);
        ASSERT_FALSE(source.empty());
        ASSERT_EQ(copy.size(), source.size());
        EXPECT_TRUE(copy == source) << "the copy differs from assets/";
    }
}

}  // namespace
