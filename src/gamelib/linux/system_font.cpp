// SPDX-License-Identifier: MIT
// The system's default sans font on Linux, as fontconfig names it.
#include <fontconfig/fontconfig.h>

#include "system_font.h"

bool gl_find_default_sans(std::string *path, int *index)
{
    if (!FcInit()) return false;
    bool found = false;
    FcPattern *pat = FcNameParse(reinterpret_cast<const FcChar8 *>("sans-serif"));
    if (pat != nullptr) {
        FcConfigSubstitute(nullptr, pat, FcMatchPattern);
        FcDefaultSubstitute(pat);
        FcResult result = FcResultNoMatch;
        FcPattern *match = FcFontMatch(nullptr, pat, &result);
        if (match != nullptr) {
            FcChar8 *file = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
                *path = reinterpret_cast<const char *>(file);
                int idx = 0;
                if (FcPatternGetInteger(match, FC_INDEX, 0, &idx) != FcResultMatch) idx = 0;
                *index = idx;
                found = true;
            }
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pat);
    }
    return found;
}
