// SPDX-License-Identifier: MIT
// system_font: where the system keeps its default sans font. One file per
// port (linux/ asks fontconfig, windows/ looks in the Windows fonts folder).
// Kept apart from gamelib.h, whose Rectangle would clash with the Windows
// headers' function of that name.
#pragma once

#include <string>

// The file (UTF-8 path) and face index of the system's default sans font;
// false when the system names none.
bool gl_find_default_sans(std::string *path, int *index);
