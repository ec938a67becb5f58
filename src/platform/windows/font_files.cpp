// SPDX-License-Identifier: MIT
// The Japanese fonts on Windows, best first:
//   - the three known paths;
//   - the Japanese fonts Windows versions ship, in the system's fonts folder:
//     the Mincho faces first (the look of the first known path), then the
//     Gothic ones. Current Windows keeps Yu Gothic, BIZ UD Gothic, Meiryo and
//     the MS faces as collections (.ttc), whose first face FreeType opens;
//   - last the IPA Mincho shipped beside the game's executable, so that a
//     Windows without any Japanese font still shows the game's text.
#include "font_files.h"

#include "sys.h"
#include "wide.h"

namespace {

// Where Windows keeps its fonts, with a trailing separator ("" when unknown).
std::string system_fonts_folder()
{
    wchar_t dir[MAX_PATH];
    const UINT n = GetWindowsDirectoryW(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    return win_narrow(dir) + "\\Fonts\\";
}

}  // namespace

const char *sys_japanese_font_hint()
{
    return sys_text(
        "put ipam.ttf back beside pelzowin.exe, or add the Japanese Supplemental Fonts (Settings, Apps, "
        "Optional features)");
}

void sys_ready_japanese_fonts(const int *, int) {}

std::vector<std::string> sys_japanese_fonts()
{
    std::vector<std::string> list = {
        "C:/Windows/Fonts/yumindb.ttf",
        "C:/Windows/Fonts/YuGothR.ttf",
        "C:/Windows/Fonts/BIZ-UDGothicR.ttf",
    };
    const std::string fonts = system_fonts_folder();
    if (!fonts.empty()) {
        for (const char *name : {"yumin.ttf", "yumindb.ttf", "yuminl.ttf", "msmincho.ttc", "YuGothR.ttc", "YuGothM.ttc",
                                 "BIZ-UDGothicR.ttc", "meiryo.ttc", "msgothic.ttc"})
            list.push_back(fonts + name);
    }
    const std::string own = sys_program_folder();
    if (!own.empty()) list.push_back(own + "ipam.ttf");
    return list;
}
