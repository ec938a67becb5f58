// SPDX-License-Identifier: MIT
// The default sans font in the browser: the page ships no Latin font of its
// own; the first part of its Japanese font (src/platform/web/font_files.cpp)
// has the ASCII the library's default font draws.
#include <sys/stat.h>

#include "system_font.h"

bool gl_find_default_sans(std::string *path, int *index)
{
    static const char kShipped[] = "/pelzo/fonts/ipam-1.ttf";
    struct stat st;
    if (stat(kShipped, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    *path = kShipped;
    *index = 0;
    return true;
}
