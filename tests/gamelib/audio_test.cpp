// SPDX-License-Identifier: MIT
// Audio: WAV decoding, sounds and music on the headless frame clock, the real
// mixer on SDL's silent driver, the no-device fallback, and empty records.

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "gamelib.h"
#include "headless.h"
#include "test_env.h"

namespace {

void put16(std::vector<unsigned char> &b, unsigned v)
{
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}
void put32(std::vector<unsigned char> &b, uint32_t v)
{
    for (int i = 0; i < 4; i++) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

// A RIFF/WAVE file: `format` 1 (PCM) or 3 (float), with `frames` frames of a 440 Hz tone.
std::vector<unsigned char> make_wav(uint32_t frames, unsigned rate = 44100, unsigned channels = 1, unsigned bits = 16,
                                    unsigned format = 1)
{
    uint32_t bytes = frames * channels * (bits / 8);
    std::vector<unsigned char> b;
    for (char c : std::string("RIFF")) b.push_back(static_cast<unsigned char>(c));
    put32(b, 36 + bytes);
    for (char c : std::string("WAVEfmt ")) b.push_back(static_cast<unsigned char>(c));
    put32(b, 16);
    put16(b, format);
    put16(b, channels);
    put32(b, rate);
    put32(b, rate * channels * (bits / 8));
    put16(b, channels * (bits / 8));
    put16(b, bits);
    for (char c : std::string("data")) b.push_back(static_cast<unsigned char>(c));
    put32(b, bytes);
    for (uint32_t i = 0; i < frames; i++) {
        double s = 0.5 * std::sin(2.0 * std::numbers::pi * 440.0 * i / rate);
        for (unsigned c = 0; c < channels; c++) {
            if (bits == 16) {
                put16(b, static_cast<uint16_t>(static_cast<int16_t>(s * 32767)));
            } else if (bits == 8) {
                b.push_back(static_cast<unsigned char>(128 + s * 127));
            } else {
                float f = static_cast<float>(s);
                uint32_t u;
                std::memcpy(&u, &f, 4);
                put32(b, u);
            }
        }
    }
    return b;
}

Sound sound_from_bytes(const std::vector<unsigned char> &wav)
{
    Wave w = LoadWaveFromMemory(".wav", wav.data(), static_cast<int>(wav.size()));
    Sound s = LoadSoundFromWave(w);
    UnloadWave(w);
    return s;
}

// An Ogg Vorbis tone of 440 Hz, made with sox when the tests are built
// (tests/CMakeLists.txt): "tone_1_5.ogg" lasts 1.5 s, "tone_0_4.ogg" 0.4 s.
std::vector<unsigned char> read_ogg(const std::string &name)
{
    std::ifstream in(std::string(PELZO_BINARY_DIR) + "/fixtures/audio/" + name, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void frame()
{
    BeginDrawing();
    EndDrawing();
}

// Frames, from the current one on, in which `playing` answers true; stops at
// the first false or after `limit` frames.
template <class Query>
int frames_playing(Query playing, int limit)
{
    int n = 0;
    while (n < limit && playing()) {
        n++;
        frame();
    }
    return n;
}

}  // namespace

// --- decoding -------------------------------------------------------------------------

TEST(Wave, DecodesPcmAndConvertsOtherSampleFormats)
{
    std::vector<unsigned char> bytes = make_wav(152586);  // 3.46 s at 44,100 Hz
    Wave w = LoadWaveFromMemory(".WAV", bytes.data(), static_cast<int>(bytes.size()));
    ASSERT_NE(w.data, nullptr);
    EXPECT_EQ(w.frameCount, 152586u);
    EXPECT_EQ(w.sampleRate, 44100u);
    EXPECT_EQ(w.sampleSize, 16u);
    EXPECT_EQ(w.channels, 1u);
    EXPECT_EQ(std::memcmp(w.data, bytes.data() + 44, 152586 * 2), 0);
    UnloadWave(w);

    std::vector<unsigned char> stereo8 = make_wav(22050, 22050, 2, 8);
    w = LoadWaveFromMemory(".wav", stereo8.data(), static_cast<int>(stereo8.size()));
    EXPECT_EQ(w.frameCount, 22050u);
    EXPECT_EQ(w.sampleSize, 8u);
    EXPECT_EQ(w.channels, 2u);
    UnloadWave(w);

    std::vector<unsigned char> flt = make_wav(4410, 44100, 1, 32, 3);
    w = LoadWaveFromMemory(".wav", flt.data(), static_cast<int>(flt.size()));
    EXPECT_EQ(w.frameCount, 4410u);
    EXPECT_EQ(w.sampleSize, 16u);  // float samples become 16-bit
    ASSERT_NE(w.data, nullptr);
    // the peak of a 0.5 tone survives the conversion
    int16_t peak = 0;
    for (uint32_t i = 0; i < w.frameCount; i++) peak = std::max(peak, static_cast<const int16_t *>(w.data)[i]);
    EXPECT_NEAR(peak, 16383, 200);
    UnloadWave(w);
}

TEST(Wave, UndecodableBytesGiveEmptyWavesAndSounds)
{
    std::vector<unsigned char> good = make_wav(4410);
    std::vector<unsigned char> junk(200, 0x5A);
    std::vector<unsigned char> truncated(good.begin(), good.begin() + 30);
    std::vector<unsigned char> noData(good.begin(), good.begin() + 44);  // header only, no samples
    noData[40] = noData[41] = noData[42] = noData[43] = 0;
    struct Case {
        const char *type;
        const std::vector<unsigned char> *bytes;
    } cases[] = {{".wav", &junk}, {".wav", &truncated}, {".wav", &noData}, {".ogg", &good}, {nullptr, &good}};
    for (const Case &c : cases) {
        Wave w = LoadWaveFromMemory(c.type, c.bytes->data(), static_cast<int>(c.bytes->size()));
        EXPECT_EQ(w.data, nullptr);
        EXPECT_EQ(w.frameCount, 0u);
        Sound s = LoadSoundFromWave(w);
        EXPECT_EQ(s.data, nullptr);
        UnloadWave(w);
    }
    Wave w = LoadWaveFromMemory(".wav", nullptr, 100);
    EXPECT_EQ(w.data, nullptr);
    w = LoadWaveFromMemory(".wav", good.data(), -5);
    EXPECT_EQ(w.data, nullptr);
}

// --- headless: the frame clock -----------------------------------------------------------

class HeadlessAudio : public ::testing::Test {
protected:
    void SetUp() override
    {
        HeadlessEnable();
        InitWindow(960, 640, "audio test");
        ASSERT_TRUE(IsWindowReady());
        InitAudioDevice();
        ASSERT_TRUE(IsAudioDeviceReady());
    }
    void TearDown() override
    {
        CloseAudioDevice();
        CloseWindow();
        HeadlessDisable();
    }
};

TEST_F(HeadlessAudio, SoundPlaysForItsLengthInFrames)
{
    Sound s = sound_from_bytes(make_wav(152586));  // 3.46 s
    ASSERT_NE(s.data, nullptr);
    EXPECT_FALSE(IsSoundPlaying(s));
    frame();
    PlaySound(s);
    EXPECT_EQ(frames_playing([&] { return IsSoundPlaying(s); }, 1000), 208);  // ceil(3.46 * 60)
    for (int i = 0; i < 30; i++) {
        EXPECT_FALSE(IsSoundPlaying(s));
        frame();
    }
    UnloadSound(s);
}

TEST_F(HeadlessAudio, PlayWhilePlayingRestartsAndStopEndsAtOnce)
{
    Sound s = sound_from_bytes(make_wav(44100));  // 1 s = 60 frames
    PlaySound(s);
    for (int i = 0; i < 40; i++) frame();
    EXPECT_TRUE(IsSoundPlaying(s));
    PlaySound(s);
    EXPECT_EQ(frames_playing([&] { return IsSoundPlaying(s); }, 1000), 60);

    PlaySound(s);
    frame();
    StopSound(s);
    EXPECT_FALSE(IsSoundPlaying(s));
    frame();
    EXPECT_FALSE(IsSoundPlaying(s));
    UnloadSound(s);
}

TEST_F(HeadlessAudio, SoundFromAFileAndMissingFiles)
{
    std::vector<unsigned char> bytes = make_wav(22050);  // 0.5 s
    std::string path = std::string(PELZO_TEST_OUT) + "/half_second.wav";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), bytes.size());
    Sound s = LoadSound(path.c_str());
    ASSERT_NE(s.data, nullptr);
    EXPECT_EQ(s.frameCount, 22050u);
    PlaySound(s);
    EXPECT_EQ(frames_playing([&] { return IsSoundPlaying(s); }, 1000), 30);
    UnloadSound(s);

    std::string junkPath = std::string(PELZO_TEST_OUT) + "/junk.wav";
    std::ofstream(junkPath) << "not a wave file at all";
    EXPECT_EQ(LoadSound(junkPath.c_str()).data, nullptr);
    EXPECT_EQ(LoadSound("/nonexistent/right.wav").data, nullptr);
    EXPECT_EQ(LoadSound(nullptr).data, nullptr);
}

TEST_F(HeadlessAudio, MusicPlaysOnceAndStopsByItselfUnlessLooping)
{
    std::vector<unsigned char> ogg = read_ogg("tone_1_5.ogg");
    ASSERT_FALSE(ogg.empty());
    Music m = LoadMusicStreamFromMemory(".ogg", ogg.data(), static_cast<int>(ogg.size()));
    ASSERT_NE(m.data, nullptr);
    EXPECT_NEAR(m.frameCount, 66150.0, 441.0);
    m.looping = false;
    PlayMusicStream(m);
    int n = frames_playing(
        [&] {
            UpdateMusicStream(m);
            return IsMusicStreamPlaying(m);
        },
        1000);
    EXPECT_EQ(n, static_cast<int>(std::ceil(m.frameCount / 44100.0 * 60 - 1e-6)));
    EXPECT_GE(n, 89);
    EXPECT_LE(n, 91);
    for (int i = 0; i < 120; i++) {
        UpdateMusicStream(m);
        EXPECT_FALSE(IsMusicStreamPlaying(m));
        frame();
    }

    m.looping = true;
    PlayMusicStream(m);
    for (int i = 0; i < 300; i++) frame();
    EXPECT_TRUE(IsMusicStreamPlaying(m));
    StopMusicStream(m);
    EXPECT_FALSE(IsMusicStreamPlaying(m));
    UnloadMusicStream(m);
}

TEST_F(HeadlessAudio, EmptyRecordsAreNeverPlayingAndEveryCallIsHarmless)
{
    Sound s{};
    Music m{};
    PlaySound(s);
    EXPECT_FALSE(IsSoundPlaying(s));
    StopSound(s);
    UnloadSound(s);
    PlayMusicStream(m);
    UpdateMusicStream(m);
    EXPECT_FALSE(IsMusicStreamPlaying(m));
    StopMusicStream(m);
    UnloadMusicStream(m);
    frame();
    EXPECT_FALSE(IsSoundPlaying(s));

    std::vector<unsigned char> junk(64, 1);
    Music bad = LoadMusicStreamFromMemory(".ogg", junk.data(), static_cast<int>(junk.size()));
    EXPECT_EQ(bad.data, nullptr);
    EXPECT_EQ(LoadMusicStream("/nonexistent/countup_10sec.ogg").data, nullptr);
}

// --- the real mixer on SDL's silent driver -------------------------------------------------

class MixerAudio : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitAudioDevice();
        ASSERT_TRUE(IsAudioDeviceReady());
    }
    void TearDown() override { CloseAudioDevice(); }
    template <class Query>
    static double seconds_until_false(Query playing, double limit)
    {
        Uint64 start = SDL_GetPerformanceCounter();
        double t = 0;
        while (playing() && t < limit) {
            SDL_Delay(5);
            t = static_cast<double>(SDL_GetPerformanceCounter() - start) / SDL_GetPerformanceFrequency();
        }
        return t;
    }
};

TEST_F(MixerAudio, SoundPlaysOnOneChannelAndEnds)
{
    Sound s = sound_from_bytes(make_wav(13230));  // 0.3 s
    ASSERT_NE(s.data, nullptr);
    PlaySound(s);
    EXPECT_TRUE(IsSoundPlaying(s));
    PlaySound(s);  // a restart, not a second voice
    EXPECT_EQ(Mix_Playing(-1), 1);
    double t = seconds_until_false([&] { return IsSoundPlaying(s); }, 5.0);
    EXPECT_GT(t, 0.2);
    EXPECT_LT(t, 5.0);
    EXPECT_FALSE(IsSoundPlaying(s));

    PlaySound(s);
    StopSound(s);
    EXPECT_FALSE(IsSoundPlaying(s));
    EXPECT_EQ(Mix_Playing(-1), 0);

    // Another sound reusing the channel does not make this one "playing".
    Sound other = sound_from_bytes(make_wav(44100));
    PlaySound(s);
    seconds_until_false([&] { return IsSoundPlaying(s); }, 5.0);
    PlaySound(other);
    EXPECT_FALSE(IsSoundPlaying(s));
    EXPECT_TRUE(IsSoundPlaying(other));
    UnloadSound(other);
    UnloadSound(s);
}

TEST_F(MixerAudio, MusicFromMemoryPlaysOnceThenStops)
{
    std::vector<unsigned char> ogg = read_ogg("tone_0_4.ogg");
    Music m = LoadMusicStreamFromMemory(".ogg", ogg.data(), static_cast<int>(ogg.size()));
    ASSERT_NE(m.data, nullptr);
    m.looping = false;
    PlayMusicStream(m);
    EXPECT_TRUE(IsMusicStreamPlaying(m));
    double t = seconds_until_false(
        [&] {
            UpdateMusicStream(m);
            return IsMusicStreamPlaying(m);
        },
        5.0);
    EXPECT_GT(t, 0.25);
    EXPECT_LT(t, 5.0);
    EXPECT_FALSE(IsMusicStreamPlaying(m));

    m.looping = true;
    PlayMusicStream(m);
    SDL_Delay(700);
    EXPECT_TRUE(IsMusicStreamPlaying(m));
    StopMusicStream(m);
    EXPECT_FALSE(IsMusicStreamPlaying(m));
    UnloadMusicStream(m);
}

TEST(AudioDevice, FallsBackToTheSilentDriverWhenNoDeviceOpens)
{
    const char *before = std::getenv("SDL_AUDIODRIVER");
    std::string saved = before ? before : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    InitAudioDevice();
    EXPECT_TRUE(IsAudioDeviceReady());
    EXPECT_STREQ(SDL_getenv("SDL_AUDIODRIVER"), "dummy");
    Sound s = sound_from_bytes(make_wav(4410));
    EXPECT_NE(s.data, nullptr);
    PlaySound(s);
    EXPECT_TRUE(IsSoundPlaying(s));
    CloseAudioDevice();
    EXPECT_FALSE(IsAudioDeviceReady());
    // Records outliving the device are silent and still safe to use and release.
    EXPECT_FALSE(IsSoundPlaying(s));
    PlaySound(s);
    UnloadSound(s);
    UnloadSound(s);
    if (before) setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
}
