// SPDX-License-Identifier: MIT
// FileExists, GetApplicationDirectory and TextFormat.
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "gamelib_internal.h"

namespace {

constexpr int kTextBuffers = 4;
constexpr int kTextBufferSize = 1024;
char s_textBuffers[kTextBuffers][kTextBufferSize];
int s_nextTextBuffer = 0;

char s_appDir[4096];

}  // namespace

bool FileExists(const char *fileName)
{
    if (!fileName || !fileName[0]) return false;
    std::error_code ec;
    // Names are UTF-8 on every system.
    const std::filesystem::path path(reinterpret_cast<const char8_t *>(fileName));
    return std::filesystem::is_regular_file(path, ec);
}

const char *GetApplicationDirectory()
{
    if (s_appDir[0]) return s_appDir;
    // SDL reads the executable's own path; the answer ends in '/'.
    char *base = SDL_GetBasePath();
    if (base && SDL_strlen(base) < sizeof s_appDir)
        SDL_strlcpy(s_appDir, base, sizeof s_appDir);
    else
        SDL_strlcpy(s_appDir, "./", sizeof s_appDir);
    SDL_free(base);
    return s_appDir;
}

const char *TextFormat(const char *format, ...)
{
    char *buf = s_textBuffers[s_nextTextBuffer];
    s_nextTextBuffer = (s_nextTextBuffer + 1) % kTextBuffers;
    buf[0] = '\0';
    if (!format) return buf;
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, kTextBufferSize, format, args);
    va_end(args);
    return buf;
}
