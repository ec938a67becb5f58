// SPDX-License-Identifier: MIT
// The four sounds and the countdown music: embedded resource first, the file
// beside the executable when the resource is absent.
#include "sounds.h"

#include <cstring>

#include "resource_ids.h"
#include "win_helper.h"

Sound g_sfxCorrect{};
Sound g_sfxWrong{};
Sound g_sndOpening{};
Sound g_sndPlayStart{};
Music g_bgmCountup{};

namespace {

bool resource_usable(const void *res, uint32_t size)
{
    // The size is read as a signed 32-bit number: a huge or zero size is not data.
    return res && static_cast<int32_t>(size) > 0;
}

// The fallback file's path, "<application directory><fileName>", or null when
// there is no name or the path would not fit TextFormat's buffer (a cut path
// could name some other file).
const char *beside_executable(const char *fileName)
{
    if (!fileName || !fileName[0]) return nullptr;
    const char *dir = GetApplicationDirectory();
    if (!dir) dir = "";
    constexpr size_t kTextFormatBytes = 1024;
    if (strlen(dir) + strlen(fileName) >= kTextFormatBytes) return nullptr;
    return TextFormat("%s%s", dir, fileName);
}

}  // namespace

Sound load_sound_from(const void *res, uint32_t size, const char *fileName)
{
    if (resource_usable(res, size)) {
        // The resource is encoded as its file name says: WAV on the desktop,
        // Ogg Vorbis in the page (cmake/EmbedAssets.cmake).
        const char *dot = fileName ? strrchr(fileName, '.') : nullptr;
        return LoadSoundFromMemory(dot ? dot : ".wav", static_cast<const unsigned char *>(res),
                                   static_cast<int32_t>(size));
    }
    const char *path = beside_executable(fileName);
    if (!path) return Sound{};
    return LoadSound(path);
}

Music load_music_from(const void *res, uint32_t size, const char *fileName)
{
    Music music{};
    if (resource_usable(res, size)) {
        music = LoadMusicStreamFromMemory(".ogg", static_cast<const unsigned char *>(res), static_cast<int32_t>(size));
    } else if (const char *path = beside_executable(fileName)) {
        music = LoadMusicStream(path);
    }
    music.looping = false;
    return music;
}

Sound load_sound_res(int id, const char *fileName)
{
    uint32_t size = 0;
    const void *res = win_load_resource(id, &size);
    return load_sound_from(res, size, fileName);
}

void load_all_sounds()
{
    // Each from its resource, or else the fallback file of the same name.
    g_sfxCorrect = load_sound_res(kResCorrect, resource_file_name(kResCorrect));
    g_sfxWrong = load_sound_res(kResWrong, resource_file_name(kResWrong));
    g_sndOpening = load_sound_res(kResOpening, resource_file_name(kResOpening));
    g_sndPlayStart = load_sound_res(kResPlayStart, resource_file_name(kResPlayStart));

    uint32_t size = 0;
    const void *res = win_load_resource(kResCountup, &size);
    g_bgmCountup = load_music_from(res, size, resource_file_name(kResCountup));
}

void unload_all_sounds()
{
    UnloadSound(g_sfxCorrect);
    UnloadSound(g_sfxWrong);
    UnloadSound(g_sndOpening);
    UnloadSound(g_sndPlayStart);
    UnloadMusicStream(g_bgmCountup);
    g_sfxCorrect = Sound{};
    g_sfxWrong = Sound{};
    g_sndOpening = Sound{};
    g_sndPlayStart = Sound{};
    g_bgmCountup = Music{};
}
