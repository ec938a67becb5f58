// SPDX-License-Identifier: MIT
// Helpers shared by the platform tests: a headless window with audio, small
// WAV and icon files written on the spot, and checks on the game's sounds.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "gamelib.h"
#include "headless.h"
#include "sounds.h"

// Whether this executable carries the full resource table (builds with
// PELZO_EMBED_ASSETS=OFF link an empty one).
inline bool assets_embedded()
{
#ifdef PELZO_ASSETS_EMBEDDED
    return true;
#else
    return false;
#endif
}

#define SKIP_WITHOUT_EMBEDDED_ASSETS()                                           \
    do {                                                                         \
        if (!assets_embedded()) GTEST_SKIP() << "built without embedded assets"; \
    } while (0)

// A headless window (and audio device) for the length of one test.
class HeadlessWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        HeadlessEnable();
        InitWindow(960, 640, "platform test");
        InitAudioDevice();
    }
    void TearDown() override
    {
        CloseAudioDevice();
        CloseWindow();
        HeadlessDisable();
    }
};

// Plays `s` and runs one frame, in which the mixer takes it up; whether it
// is playing then.
inline bool plays_after_a_frame(const Sound &s)
{
    PlaySound(s);
    BeginDrawing();
    EndDrawing();
    return IsSoundPlaying(s);
}

// What load_all_sounds leaves when every sound was found: each effect and
// jingle of the length in `frames`, and the music loaded and set not to loop.
struct SoundFrames {
    unsigned int correct, wrong, opening, playStart;
};

inline void expect_all_sounds_loaded(const SoundFrames &frames)
{
    EXPECT_EQ(g_sfxCorrect.frameCount, frames.correct);
    EXPECT_EQ(g_sfxWrong.frameCount, frames.wrong);
    EXPECT_EQ(g_sndOpening.frameCount, frames.opening);
    EXPECT_EQ(g_sndPlayStart.frameCount, frames.playStart);
    EXPECT_NE(g_bgmCountup.data, nullptr);
    EXPECT_FALSE(g_bgmCountup.looping);
}

inline void put_u16(std::vector<unsigned char> &out, unsigned v)
{
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}

inline void put_u32(std::vector<unsigned char> &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>((v >> (8 * i)) & 0xFF));
}

// A 16-bit mono PCM WAV of `frames` samples of a quiet square wave.
inline std::vector<unsigned char> make_wav(uint32_t frames, uint32_t rate = 44100)
{
    std::vector<unsigned char> out;
    const uint32_t dataBytes = frames * 2;
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put_u32(out, 36 + dataBytes);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put_u32(out, 16);
    put_u16(out, 1);  // PCM
    put_u16(out, 1);  // mono
    put_u32(out, rate);
    put_u32(out, rate * 2);  // byte rate
    put_u16(out, 2);  // block align
    put_u16(out, 16);  // bits per sample
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put_u32(out, dataBytes);
    for (uint32_t i = 0; i < frames; ++i) put_u16(out, ((i / 50) % 2) ? 0x0800u : 0xF800u);
    return out;
}

// A 16 x 16 icon file holding one 32-bit BGRA bitmap (the classic ICO layout).
inline std::vector<unsigned char> make_ico()
{
    const int w = 16, h = 16;
    std::vector<unsigned char> bmp;
    put_u32(bmp, 40);
    put_u32(bmp, w);
    put_u32(bmp, h * 2);  // colour rows plus mask rows
    put_u16(bmp, 1);
    put_u16(bmp, 32);
    put_u32(bmp, 0);
    put_u32(bmp, 0);
    put_u32(bmp, 0);
    put_u32(bmp, 0);
    put_u32(bmp, 0);
    put_u32(bmp, 0);
    for (int i = 0; i < w * h; ++i) bmp.insert(bmp.end(), {0xFF, 0xC8, 0x5A, 0xFF});  // accent blue, opaque
    for (int row = 0; row < h; ++row) put_u32(bmp, 0);  // AND mask: 16 bits padded to 32, all visible

    std::vector<unsigned char> out;
    put_u16(out, 0);
    put_u16(out, 1);  // icon
    put_u16(out, 1);  // one image
    out.push_back(w);
    out.push_back(h);
    out.push_back(0);  // no palette
    out.push_back(0);
    put_u16(out, 1);
    put_u16(out, 32);
    put_u32(out, static_cast<uint32_t>(bmp.size()));
    put_u32(out, 6 + 16);
    out.insert(out.end(), bmp.begin(), bmp.end());
    return out;
}

inline bool write_file(const std::string &path, const std::vector<unsigned char> &bytes)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

inline std::vector<unsigned char> read_file(const std::string &path)
{
    std::vector<unsigned char> bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) return bytes;
    unsigned char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    fclose(f);
    return bytes;
}

// Removes a file when the scope ends, also when an assertion returns early.
struct ScopedFile {
    std::string path;
    explicit ScopedFile(std::string p) : path(std::move(p)) {}
    ~ScopedFile() { std::remove(path.c_str()); }
    ScopedFile(const ScopedFile &) = delete;
    ScopedFile &operator=(const ScopedFile &) = delete;
};
