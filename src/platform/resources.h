// SPDX-License-Identifier: MIT
// resources: the files of assets/ compiled into the executable.
//
// The table is generated at build time from assets/ (cmake/EmbedAssets.cmake).
// With PELZO_EMBED_ASSETS=OFF it is empty, so the files beside the executable
// are used instead. The bytes are read-only and live as long as the process.
#pragma once

#include <cstdint>

struct EmbeddedResource {
    int id;  // 2 logo, 3 icon, 4-8 sounds and music
    const char *fileName;  // its name in assets/
    const unsigned char *data;
    uint32_t size;
};

extern const EmbeddedResource g_embeddedResources[];
extern const int g_embeddedResourceCount;
