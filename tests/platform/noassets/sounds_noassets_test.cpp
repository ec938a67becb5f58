// SPDX-License-Identifier: MIT
// A build without embedded resources: the sounds and the music come from the
// files beside the executable, and without them the game is silent. This
// executable lives in a folder of its own, so the files it writes there meet
// no other test.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform_test_util.h"
#include "sounds.h"
#include "win_helper.h"

namespace {

struct FallbackFile {
    const char *name;
    uint32_t frames;  // distinct lengths show which file went where
};
constexpr FallbackFile kWavs[] = {
    {"right.wav", 1100},
    {"wrong.wav", 2200},
    {"openning_8bit.wav", 3300},
    {"playstart_8bit.wav", 4400},
};

}  // namespace

class NoAssetsSounds : public HeadlessWindowTest {};

TEST_F(NoAssetsSounds, TheTableIsEmpty)
{
    for (int id = 0; id <= 10; ++id) {
        uint32_t size = 7;
        EXPECT_EQ(win_load_resource(id, &size), nullptr) << id;
        EXPECT_EQ(size, 7u);
    }
}

TEST_F(NoAssetsSounds, TheFilesBesideTheExecutableServeEachInItsPlace)
{
    const std::string dir = GetApplicationDirectory();
    std::vector<std::unique_ptr<ScopedFile>> files;
    for (const FallbackFile &f : kWavs) {
        files.push_back(std::make_unique<ScopedFile>(dir + f.name));
        ASSERT_TRUE(write_file(files.back()->path, make_wav(f.frames)));
    }
    const std::vector<unsigned char> ogg = read_file(std::string(PELZO_SOURCE_DIR) + "/assets/countup_10sec.ogg");
    ASSERT_FALSE(ogg.empty());
    files.push_back(std::make_unique<ScopedFile>(dir + "countup_10sec.ogg"));
    ASSERT_TRUE(write_file(files.back()->path, ogg));

    load_all_sounds();
    expect_all_sounds_loaded({1100, 2200, 3300, 4400});
    EXPECT_TRUE(plays_after_a_frame(g_sfxWrong));
    unload_all_sounds();
}

TEST_F(NoAssetsSounds, WithoutTheFilesEverythingIsSilent)
{
    load_all_sounds();
    for (const Sound *s : {&g_sfxCorrect, &g_sfxWrong, &g_sndOpening, &g_sndPlayStart}) {
        EXPECT_EQ(s->data, nullptr);
        PlaySound(*s);
    }
    EXPECT_EQ(g_bgmCountup.data, nullptr);
    PlayMusicStream(g_bgmCountup);
    BeginDrawing();
    EndDrawing();
    EXPECT_FALSE(IsSoundPlaying(g_sndOpening));
    EXPECT_FALSE(IsSoundPlaying(g_sndPlayStart));
    EXPECT_FALSE(IsMusicStreamPlaying(g_bgmCountup));
    unload_all_sounds();
}
