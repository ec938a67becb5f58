// SPDX-License-Identifier: MIT
// Audio on SDL2_mixer: the device, sounds decoded into memory, and music
// streamed from encoded bytes.
//
// Real mode asks the mixer whether something plays. Headless mode never plays
// through the mixer: a start records the frame counter, and a sound or music
// of s seconds counts as playing for ceil(s * fps) frames from there, so tests
// see the same lengths on every machine. The mixer, when open, still decodes.
//
// Every record made here is on a live list; closing the device frees the
// mixer's chunks and streams behind them, so unloading a record afterwards is
// still safe (it only frees the record's own bookkeeping).

#include <SDL_mixer.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gamelib_internal.h"

struct SoundData {
    Mix_Chunk *chunk = nullptr;  // null once the device closed, or in headless mode without a device
    double seconds = 0.0;
    int channel = -1;  // channel of the last PlaySound
    long startFrame = -1;  // headless: frame of the last PlaySound, -1 when stopped
    SoundData *next = nullptr;
};

struct MusicData {
    Mix_Music *music = nullptr;
    double seconds = 0.0;  // 0 when the length is unknown
    long startFrame = -1;  // headless, as for sounds
    bool loopingPlay = false;  // headless: the play in progress repeats
    MusicData *next = nullptr;
};

namespace {

constexpr int kMixFrequency = 44100;
constexpr int kMixChannels = 16;

bool s_ready = false;
bool s_mixInit = false;
SoundData *s_sounds = nullptr;
MusicData *s_musics = nullptr;
MusicData *s_current = nullptr;  // the music last started through the mixer

template <typename T>
bool unlink(T **head, T *item)
{
    for (T **pp = head; *pp; pp = &(*pp)->next) {
        if (*pp == item) {
            *pp = item->next;
            item->next = nullptr;
            return true;
        }
    }
    return false;
}

bool open_mixer()
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    if (Mix_OpenAudio(kMixFrequency, MIX_DEFAULT_FORMAT, 2, 1024) != 0) return false;
    Mix_AllocateChannels(kMixChannels);
    return true;
}

// Frames a play of `seconds` lasts on the headless clock.
long frames_for(double seconds)
{
    double fps = gl_target_fps();
    if (fps <= 0.0) fps = 60.0;
    // The small margin keeps a length that is a whole number of frames from
    // gaining one through rounding of the inputs.
    double frames = std::ceil(seconds * fps - 1e-6);
    return frames > 0.0 ? static_cast<long>(frames) : 0;
}

bool headless_playing(long startFrame, double seconds, bool repeats)
{
    if (startFrame < 0) return false;
    long now = gl_frame_counter();
    if (now < startFrame) return false;  // started before the window was opened again
    return repeats || now - startFrame < frames_for(seconds);
}

bool file_type_is(const char *fileType, const char *want)
{
    return fileType != nullptr && SDL_strcasecmp(fileType, want) == 0;
}

// Length in seconds of a chunk in the mixer's output format.
double chunk_seconds(const Mix_Chunk *chunk)
{
    int freq = 0, channels = 0;
    Uint16 format = 0;
    if (chunk == nullptr || Mix_QuerySpec(&freq, &format, &channels) == 0 || freq <= 0 || channels <= 0) return 0.0;
    int frameBytes = (SDL_AUDIO_BITSIZE(format) / 8) * channels;
    if (frameBytes <= 0) return 0.0;
    return static_cast<double>(chunk->alen / static_cast<Uint32>(frameBytes)) / freq;
}

Sound make_sound(Mix_Chunk *chunk, double seconds, unsigned int frameCount, unsigned int sampleRate)
{
    SoundData *d = new SoundData;
    d->chunk = chunk;
    d->seconds = seconds;
    d->next = s_sounds;
    s_sounds = d;
    return Sound{frameCount, sampleRate, d};
}

// A channel on which `d` plays now, or -1.
int playing_channel(const SoundData *d)
{
    if (d->chunk == nullptr || d->channel < 0) return -1;
    if (Mix_Playing(d->channel) && Mix_GetChunk(d->channel) == d->chunk) return d->channel;
    return -1;
}

// Reads a whole sound file through SDL, which opens UTF-8 paths on every
// system.
bool read_file(const char *path, std::vector<unsigned char> *out)
{
    if (path == nullptr) return false;
    SDL_RWops *rw = SDL_RWFromFile(path, "rb");
    if (rw == nullptr) return false;
    const Sint64 size = SDL_RWsize(rw);
    bool ok = size >= 0 && size < 0x7FFFFFFF;
    if (ok) {
        out->resize(static_cast<size_t>(size));
        ok = size == 0 || SDL_RWread(rw, out->data(), 1, out->size()) == out->size();
    }
    SDL_RWclose(rw);
    return ok;
}

const char *extension(const char *path)
{
    const char *dot = path != nullptr ? std::strrchr(path, '.') : nullptr;
    const char *slash = path != nullptr ? std::strrchr(path, '/') : nullptr;
    return (dot != nullptr && (slash == nullptr || dot > slash)) ? dot : "";
}

Music make_music(Mix_Music *m)
{
    MusicData *d = new MusicData;
    d->music = m;
    double len = Mix_MusicDuration(m);
    d->seconds = len > 0.0 ? len : 0.0;
    d->next = s_musics;
    s_musics = d;
    Music out{};
    out.sampleRate = kMixFrequency;
    out.frameCount = static_cast<unsigned int>(std::lround(d->seconds * kMixFrequency));
    out.looping = true;
    out.data = d;
    return out;
}

}  // namespace

// --- device -------------------------------------------------------------------

void InitAudioDevice()
{
    if (s_ready) return;
    bool ok = open_mixer();
    if (!ok) {
        // No device: SDL's silent driver keeps the mixer's timing, so sounds
        // still start, run for their length and end.
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
        ok = open_mixer();
    }
    if (!ok) {
        SDL_Log("audio: no device could be opened: %s", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    Mix_Init(MIX_INIT_OGG);
    s_mixInit = true;
    s_ready = true;
}

bool IsAudioDeviceReady() { return s_ready; }

void CloseAudioDevice() { gl_audio_shutdown(); }

void gl_audio_shutdown()
{
    if (!s_ready) return;
    Mix_HaltChannel(-1);
    Mix_HaltMusic();
    s_current = nullptr;
    // Records still loaded become silent; their lengths stay for headless mode.
    for (SoundData *d = s_sounds; d != nullptr; d = d->next) {
        if (d->chunk != nullptr) Mix_FreeChunk(d->chunk);
        d->chunk = nullptr;
        d->channel = -1;
    }
    for (MusicData *d = s_musics; d != nullptr; d = d->next) {
        if (d->music != nullptr) Mix_FreeMusic(d->music);
        d->music = nullptr;
    }
    Mix_CloseAudio();
    if (s_mixInit) Mix_Quit();
    s_mixInit = false;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    s_ready = false;
}

// --- waves and sounds ----------------------------------------------------------

Wave LoadWaveFromMemory(const char *fileType, const unsigned char *data, int dataSize)
{
    Wave wave{};
    if (!file_type_is(fileType, ".wav") || data == nullptr || dataSize <= 0) return wave;
    SDL_RWops *rw = SDL_RWFromConstMem(data, dataSize);
    if (rw == nullptr) return wave;
    SDL_AudioSpec wavFormat{};
    Uint8 *buf = nullptr;
    Uint32 len = 0;
    if (SDL_LoadWAV_RW(rw, 1, &wavFormat, &buf, &len) == nullptr) return wave;
    if (wavFormat.channels == 0 || wavFormat.freq <= 0) {
        SDL_FreeWAV(buf);
        return wave;
    }
    // Keep 8-bit unsigned and 16-bit signed as they are; anything else becomes 16-bit.
    if (wavFormat.format != AUDIO_U8 && wavFormat.format != AUDIO_S16SYS) {
        SDL_AudioCVT cvt;
        if (SDL_BuildAudioCVT(&cvt, wavFormat.format, wavFormat.channels, wavFormat.freq, AUDIO_S16SYS,
                              wavFormat.channels, wavFormat.freq) < 0) {
            SDL_FreeWAV(buf);
            return wave;
        }
        Uint8 *work = static_cast<Uint8 *>(SDL_malloc(static_cast<size_t>(len) * static_cast<size_t>(cvt.len_mult)));
        if (work == nullptr) {
            SDL_FreeWAV(buf);
            return wave;
        }
        std::memcpy(work, buf, len);
        SDL_FreeWAV(buf);
        cvt.buf = work;
        cvt.len = static_cast<int>(len);
        if (cvt.needed && SDL_ConvertAudio(&cvt) != 0) {
            SDL_free(work);
            return wave;
        }
        buf = work;
        len = static_cast<Uint32>(cvt.needed ? cvt.len_cvt : cvt.len);
        wavFormat.format = AUDIO_S16SYS;
    }
    unsigned int sampleSize = SDL_AUDIO_BITSIZE(wavFormat.format);
    unsigned int frameBytes = sampleSize / 8 * wavFormat.channels;
    if (frameBytes == 0 || len / frameBytes == 0) {
        SDL_free(buf);
        return wave;
    }
    wave.frameCount = len / frameBytes;
    wave.sampleRate = static_cast<unsigned int>(wavFormat.freq);
    wave.sampleSize = sampleSize;
    wave.channels = wavFormat.channels;
    wave.data = buf;
    return wave;
}

void UnloadWave(Wave wave) { SDL_free(wave.data); }

Sound LoadSoundFromWave(Wave wave)
{
    Sound empty{};
    if (wave.data == nullptr || wave.frameCount == 0 || wave.sampleRate == 0 || wave.channels == 0 ||
        wave.channels > 8 || (wave.sampleSize != 8 && wave.sampleSize != 16))
        return empty;
    unsigned blockAlign = (wave.sampleSize / 8) * wave.channels;
    if (wave.frameCount > (0x7FFFFFFFu - 44u) / blockAlign) return empty;
    double seconds = static_cast<double>(wave.frameCount) / wave.sampleRate;
    if (!s_ready) {
        // Headless mode needs only the length; a real play needs the device.
        return gl_headless() ? make_sound(nullptr, seconds, wave.frameCount, wave.sampleRate) : empty;
    }
    // The mixer converts to its own format from a WAV image of the samples.
    Uint32 dataBytes = wave.frameCount * (wave.sampleSize / 8) * wave.channels;
    std::vector<unsigned char> wav(44 + static_cast<size_t>(dataBytes));
    auto put16 = [&wav](size_t at, unsigned v) {
        wav[at] = static_cast<unsigned char>(v);
        wav[at + 1] = static_cast<unsigned char>(v >> 8);
    };
    auto put32 = [&wav](size_t at, Uint32 v) {
        for (int i = 0; i < 4; i++) wav[at + static_cast<size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
    };
    std::memcpy(&wav[0], "RIFF", 4);
    put32(4, 36 + dataBytes);
    std::memcpy(&wav[8], "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1);  // PCM
    put16(22, wave.channels);
    put32(24, wave.sampleRate);
    put32(28, wave.sampleRate * blockAlign);
    put16(32, blockAlign);
    put16(34, wave.sampleSize);
    std::memcpy(&wav[36], "data", 4);
    put32(40, dataBytes);
    if (wave.sampleSize == 16 && SDL_BYTEORDER == SDL_BIG_ENDIAN) {
        const Uint16 *src = static_cast<const Uint16 *>(wave.data);
        for (Uint32 i = 0; i < dataBytes / 2; i++) put16(44 + 2 * static_cast<size_t>(i), src[i]);
    } else {
        std::memcpy(&wav[44], wave.data, dataBytes);
    }
    SDL_RWops *rw = SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size()));
    Mix_Chunk *chunk = rw != nullptr ? Mix_LoadWAV_RW(rw, 1) : nullptr;
    if (chunk == nullptr) return empty;
    return make_sound(chunk, seconds, wave.frameCount, wave.sampleRate);
}

Sound LoadSoundFromMemory(const char *fileType, const unsigned char *data, int dataSize)
{
    if (fileType == nullptr || data == nullptr || dataSize <= 0) return Sound{};
    if (file_type_is(fileType, ".wav")) {
        Wave wave = LoadWaveFromMemory(".wav", data, dataSize);
        Sound sound = LoadSoundFromWave(wave);
        UnloadWave(wave);
        return sound;
    }
    // Other formats the mixer reads (Ogg and the like) decode straight to its format.
    if (!s_ready) return Sound{};
    SDL_RWops *rw = SDL_RWFromConstMem(data, dataSize);
    Mix_Chunk *chunk = rw != nullptr ? Mix_LoadWAV_RW(rw, 1) : nullptr;
    if (chunk == nullptr) return Sound{};
    double seconds = chunk_seconds(chunk);
    int freq = 0, channels = 0;
    Uint16 format = 0;
    Mix_QuerySpec(&freq, &format, &channels);
    return make_sound(chunk, seconds, static_cast<unsigned int>(std::lround(seconds * freq)),
                      static_cast<unsigned int>(freq));
}

Sound LoadSound(const char *fileName)
{
    std::vector<unsigned char> bytes;
    if (!read_file(fileName, &bytes) || bytes.empty()) return Sound{};
    return LoadSoundFromMemory(extension(fileName), bytes.data(), static_cast<int>(bytes.size()));
}

void UnloadSound(Sound sound)
{
    SoundData *d = sound.data;
    // Only live records are released, so unloading a copy twice is harmless.
    if (d == nullptr || !unlink(&s_sounds, d)) return;
    if (d->chunk != nullptr) {
        int ch = playing_channel(d);
        if (ch >= 0) Mix_HaltChannel(ch);
        Mix_FreeChunk(d->chunk);
    }
    delete d;
}

void PlaySound(Sound sound)
{
    SoundData *d = sound.data;
    if (d == nullptr) return;
    if (gl_headless()) {
        d->startFrame = gl_frame_counter();
        return;
    }
    if (d->chunk == nullptr) return;
    // Restart on the channel it already plays on; otherwise take a free one,
    // adding channels when all are busy.
    int ch = playing_channel(d);
    if (ch >= 0) Mix_HaltChannel(ch);
    int got = Mix_PlayChannel(ch, d->chunk, 0);
    if (got < 0 && ch < 0) {
        Mix_AllocateChannels(Mix_AllocateChannels(-1) * 2);
        got = Mix_PlayChannel(-1, d->chunk, 0);
    }
    d->channel = got;
}

void StopSound(Sound sound)
{
    SoundData *d = sound.data;
    if (d == nullptr) return;
    d->startFrame = -1;
    int ch = playing_channel(d);
    if (ch >= 0) Mix_HaltChannel(ch);
    d->channel = -1;
}

bool IsSoundPlaying(Sound sound)
{
    SoundData *d = sound.data;
    if (d == nullptr) return false;
    if (gl_headless()) return headless_playing(d->startFrame, d->seconds, false);
    return playing_channel(d) >= 0;
}

// --- music -------------------------------------------------------------------------

Music LoadMusicStreamFromMemory(const char *fileType, const unsigned char *data, int dataSize)
{
    if (!s_ready || fileType == nullptr || data == nullptr || dataSize <= 0) return Music{};
    // The stream reads `data` while it plays: the caller keeps it alive.
    SDL_RWops *rw = SDL_RWFromConstMem(data, dataSize);
    if (rw == nullptr) return Music{};
    Mix_Music *m = Mix_LoadMUS_RW(rw, 1);
    return m != nullptr ? make_music(m) : Music{};
}

Music LoadMusicStream(const char *fileName)
{
    if (!s_ready || fileName == nullptr) return Music{};
    Mix_Music *m = Mix_LoadMUS(fileName);
    return m != nullptr ? make_music(m) : Music{};
}

void UnloadMusicStream(Music music)
{
    MusicData *d = music.data;
    if (d == nullptr || !unlink(&s_musics, d)) return;
    if (s_current == d) {
        Mix_HaltMusic();
        s_current = nullptr;
    }
    if (d->music != nullptr) Mix_FreeMusic(d->music);
    delete d;
}

void PlayMusicStream(Music music)
{
    MusicData *d = music.data;
    if (d == nullptr) return;
    if (gl_headless()) {
        d->startFrame = gl_frame_counter();
        d->loopingPlay = music.looping;
        return;
    }
    if (d->music == nullptr) return;
    // Starts from the beginning; once through unless the record loops.
    if (Mix_PlayMusic(d->music, music.looping ? -1 : 1) == 0) s_current = d;
}

void UpdateMusicStream(Music music)
{
    // The mixer decodes on its own thread: nothing to feed here.
    (void)music;
}

void StopMusicStream(Music music)
{
    MusicData *d = music.data;
    if (d == nullptr) return;
    d->startFrame = -1;
    if (s_current == d) {
        Mix_HaltMusic();
        s_current = nullptr;
    }
}

bool IsMusicStreamPlaying(Music music)
{
    MusicData *d = music.data;
    if (d == nullptr) return false;
    if (gl_headless()) return headless_playing(d->startFrame, d->seconds, d->loopingPlay);
    return s_current == d && d->music != nullptr && Mix_PlayingMusic() != 0;
}
