// The Japanese fonts on Windows: the three known paths only.
#include "font_files.h"

const char *win_japanese_font_hint()
{
    return "add the Japanese Supplemental Fonts (Settings, Apps, Optional features)";
}

const std::vector<std::string> &win_japanese_fonts()
{
    // Windows has its Japanese fonts at three known paths; nothing else is
    // looked for.
    static const std::vector<std::string> paths = {
        "C:/Windows/Fonts/yumindb.ttf",
        "C:/Windows/Fonts/YuGothR.ttf",
        "C:/Windows/Fonts/BIZ-UDGothicR.ttf",
    };
    return paths;
}
