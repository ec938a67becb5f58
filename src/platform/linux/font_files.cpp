// SPDX-License-Identifier: MIT
// The Japanese fonts on Linux: what fontconfig names for Japanese text.
#include "font_files.h"

#include "sys.h"

#include <fontconfig/fontconfig.h>

namespace {

// The file fontconfig picks for `pattern`, or "" when it has none that covers
// Japanese (fontconfig always answers with some font; a Latin-only one would
// draw every Japanese character as a box).
std::string fontconfig_japanese(const char *pattern)
{
    std::string path;
    FcPattern *pat = FcNameParse(reinterpret_cast<const FcChar8 *>(pattern));
    if (!pat) return path;
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result = FcResultNoMatch;
    if (FcPattern *match = FcFontMatch(nullptr, pat, &result)) {
        FcChar8 *file = nullptr;
        FcLangSet *langs = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
            FcPatternGetLangSet(match, FC_LANG, 0, &langs) == FcResultMatch &&
            FcLangSetHasLang(langs, reinterpret_cast<const FcChar8 *>("ja")) == FcLangEqual)
            path = reinterpret_cast<const char *>(file);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pat);
    return path;
}

}  // namespace

const char *sys_japanese_font_hint() { return sys_text("install fonts-ipafont-mincho"); }

void sys_ready_japanese_fonts(const int *, int) {}

// The Japanese serif comes first: it has the Mincho look of the first Windows
// font.
std::vector<std::string> sys_japanese_fonts()
{
    std::vector<std::string> list;
    for (const char *pattern : {"serif:lang=ja", "sans-serif:lang=ja"}) {
        std::string path = fontconfig_japanese(pattern);
        if (!path.empty()) list.push_back(std::move(path));
    }
    return list;
}
