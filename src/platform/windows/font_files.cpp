// The Japanese fonts on Windows: the three known paths only.
#include "font_files.h"

const char *win_japanese_font_hint()
{
    return "add the Japanese Supplemental Fonts (Settings, Apps, Optional features)";
}

const std::vector<std::string> &win_japanese_fonts()
{
    // Windows has its Japanese fonts at the three known paths; nothing else is
    // looked for.
    static const std::vector<std::string> none;
    return none;
}
