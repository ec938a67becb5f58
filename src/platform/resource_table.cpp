// SPDX-License-Identifier: MIT
// The embedded resources of the ports that compile assets/ into a table
// (resources.h): Linux and the browser.
#include "resources.h"
#include "win_helper.h"

const void *win_load_resource(int id, uint32_t *size)
{
    // Resource names are 16-bit integers: higher bits are not part of the id.
    const int key = id & 0xFFFF;
    for (int i = 0; i < g_embeddedResourceCount; ++i) {
        const EmbeddedResource &res = g_embeddedResources[i];
        if (res.id == key && res.data) {
            if (size) *size = res.size;
            return res.data;
        }
    }
    return nullptr;
}
