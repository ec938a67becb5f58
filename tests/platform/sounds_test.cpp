// SPDX-License-Identifier: MIT
// Sounds and music: resource first, the file beside the executable when the
// resource is absent, empty records when neither serves.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>

#include "platform_test_util.h"
#include "port.h"
#include "resource_ids.h"
#include "sounds.h"
#include "win_helper.h"

namespace {

// A resource id that is not in the table.
constexpr int kAbsentId = 99;

// A file beside the test executable, removed when the test ends. The name is
// unique per process, so tests running side by side do not meet.
struct BesideExecutable : ScopedFile {
    std::string name;
    BesideExecutable(const std::string &base, const std::vector<unsigned char> &bytes)
        : ScopedFile(std::string(GetApplicationDirectory()) + base + "_" + std::to_string(getpid())),
          name(base + "_" + std::to_string(getpid()))
    {
        EXPECT_TRUE(write_file(path, bytes)) << path;
    }
};

std::vector<unsigned char> countup_ogg()
{
    return read_file(std::string(PELZO_SOURCE_DIR) + "/assets/countup_10sec.ogg");
}

std::vector<unsigned char> resource_bytes(int id)
{
    uint32_t size = 0;
    auto *p = static_cast<const unsigned char *>(win_load_resource(id, &size));
    if (!p) return {};
    return std::vector<unsigned char>(p, p + size);
}

bool is_empty(const Sound &s) { return s.data == nullptr && s.frameCount == 0; }

// Starts `m` and lets the stream take one update; whether it is playing then.
bool starts_playing(const Music &m)
{
    PlayMusicStream(m);
    UpdateMusicStream(m);
    return IsMusicStreamPlaying(m);
}

}  // namespace

class SoundsTest : public HeadlessWindowTest {};

TEST_F(SoundsTest, TheResourceIsUsedAndTheFileIsNeverRead)
{
    if (kBrowserPort)
        GTEST_SKIP() << "a page has no folder of its own for fallback sound files; its sounds are embedded";
    BesideExecutable file("beside_3000.wav", make_wav(3000));
    const std::vector<unsigned char> res = make_wav(1000);
    Sound fromBytes = load_sound_from(res.data(), uint32_t(res.size()), file.name.c_str());
    EXPECT_EQ(fromBytes.frameCount, 1000u);
    EXPECT_EQ(fromBytes.sampleRate, 44100u);
    UnloadSound(fromBytes);

    // The same through the table: resource 7 wins over a longer file.
    SKIP_WITHOUT_EMBEDDED_ASSETS();
    Sound direct = load_sound_from(nullptr, 0, file.name.c_str());
    ASSERT_EQ(direct.frameCount, 3000u);
    UnloadSound(direct);
    Sound viaId = load_sound_res(kResCorrect, file.name.c_str());
    ASSERT_NE(viaId.data, nullptr);
    EXPECT_NE(viaId.frameCount, 3000u);
    UnloadSound(viaId);
}

TEST_F(SoundsTest, AnAbsentOrEmptyResourceFallsBackToTheFileBesideTheExecutable)
{
    if (kBrowserPort)
        GTEST_SKIP() << "a page has no folder of its own for fallback sound files; its sounds are embedded";
    BesideExecutable file("beside_2205.wav", make_wav(2205));
    Sound viaId = load_sound_res(kAbsentId, file.name.c_str());
    EXPECT_EQ(viaId.frameCount, 2205u);
    EXPECT_EQ(viaId.sampleRate, 44100u);
    UnloadSound(viaId);

    // A present pointer with size 0, or a size that is negative as a signed
    // 32-bit number, does not count as a resource.
    const std::vector<unsigned char> res = make_wav(1000);
    for (uint32_t size : {0u, 0x80000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(size);
        Sound s = load_sound_from(res.data(), size, file.name.c_str());
        EXPECT_EQ(s.frameCount, 2205u);
        UnloadSound(s);
    }
}

TEST_F(SoundsTest, NeitherResourceNorFileGivesASilentEmptySound)
{
    const std::string missing = "no_such_sound_" + std::to_string(getpid()) + ".wav";
    Sound s = load_sound_res(kAbsentId, missing.c_str());
    EXPECT_TRUE(is_empty(s));
    Sound noName = load_sound_from(nullptr, 0, nullptr);
    EXPECT_TRUE(is_empty(noName));
    Sound emptyName = load_sound_from(nullptr, 0, "");
    EXPECT_TRUE(is_empty(emptyName));

    // An empty record is never playing, whatever is asked of it.
    EXPECT_FALSE(plays_after_a_frame(s));
    StopSound(s);
    UnloadSound(s);

    Music m = load_music_from(nullptr, 0, missing.c_str());
    EXPECT_EQ(m.data, nullptr);
    EXPECT_FALSE(m.looping);
    EXPECT_FALSE(starts_playing(m));
    UnloadMusicStream(m);
}

TEST_F(SoundsTest, AnUndecodableResourceGivesAnEmptySoundWithoutTryingTheFile)
{
    BesideExecutable file("beside_for_bad.wav", make_wav(1500));
    const std::vector<unsigned char> junk = {'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0x7F, 'W', 'A', 'V', 'E', 1, 2, 3};
    Sound s = load_sound_from(junk.data(), uint32_t(junk.size()), file.name.c_str());
    EXPECT_TRUE(is_empty(s));
    UnloadSound(s);

    // WAV bytes cut short after the header.
    std::vector<unsigned char> cut = make_wav(1000);
    cut.resize(30);
    Sound c = load_sound_from(cut.data(), uint32_t(cut.size()), file.name.c_str());
    EXPECT_NE(c.frameCount, 1500u);
    UnloadSound(c);

    // The music follows the same rule: junk is not streamed and the file is not tried.
    const std::vector<unsigned char> ogg = countup_ogg();
    ASSERT_FALSE(ogg.empty());
    BesideExecutable oggFile("beside_music.ogg", ogg);
    Music m = load_music_from(junk.data(), uint32_t(junk.size()), oggFile.name.c_str());
    EXPECT_EQ(m.data, nullptr);
    UnloadMusicStream(m);
}

TEST_F(SoundsTest, MusicComesFromTheResourceOrTheFileAndDoesNotLoop)
{
    if (kBrowserPort)
        GTEST_SKIP() << "a page has no folder of its own for fallback sound files; its sounds are embedded";
    const std::vector<unsigned char> ogg = countup_ogg();
    ASSERT_FALSE(ogg.empty());
    Music fromRes = load_music_from(ogg.data(), uint32_t(ogg.size()), "unused.ogg");
    EXPECT_NE(fromRes.data, nullptr);
    EXPECT_FALSE(fromRes.looping);
    UnloadMusicStream(fromRes);

    BesideExecutable file("beside_music.ogg", ogg);
    Music fromFile = load_music_from(nullptr, 0, file.name.c_str());
    EXPECT_NE(fromFile.data, nullptr);
    EXPECT_FALSE(fromFile.looping);
    EXPECT_TRUE(starts_playing(fromFile));
    UnloadMusicStream(fromFile);
}

TEST_F(SoundsTest, LoadAllPutsEachResourceInItsRecordAndUnloadEmptiesThem)
{
    if (kBrowserPort)
        GTEST_SKIP() << "a page has no folder of its own for fallback sound files; its sounds are embedded";
    SKIP_WITHOUT_EMBEDDED_ASSETS();
    // Reference lengths, decoded straight from each resource.
    auto frames_of = [](int id) {
        std::vector<unsigned char> bytes = resource_bytes(id);
        Sound s = load_sound_from(bytes.data(), uint32_t(bytes.size()), nullptr);
        unsigned int n = s.frameCount;
        UnloadSound(s);
        return n;
    };
    const unsigned int correct = frames_of(7), wrong = frames_of(8), opening = frames_of(4), playStart = frames_of(5);
    ASSERT_GT(correct, 0u);
    // The jingles are seconds long, the effects under one.
    EXPECT_GT(opening, playStart);
    EXPECT_GT(playStart, correct);

    load_all_sounds();
    expect_all_sounds_loaded({correct, wrong, opening, playStart});
    EXPECT_TRUE(plays_after_a_frame(g_sndOpening));
    EXPECT_FALSE(IsSoundPlaying(g_sfxCorrect));

    unload_all_sounds();
    for (const Sound *s : {&g_sfxCorrect, &g_sfxWrong, &g_sndOpening, &g_sndPlayStart}) {
        EXPECT_EQ(s->data, nullptr);
        EXPECT_EQ(s->frameCount, 0u);
        EXPECT_EQ(s->sampleRate, 0u);
    }
    EXPECT_EQ(g_bgmCountup.data, nullptr);
    EXPECT_EQ(g_bgmCountup.frameCount, 0u);
    EXPECT_EQ(g_bgmCountup.sampleRate, 0u);
    EXPECT_FALSE(IsSoundPlaying(g_sndOpening));

    // Unloading again, on the empty records, is harmless.
    unload_all_sounds();
}
