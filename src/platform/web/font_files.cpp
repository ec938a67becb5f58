// The Japanese font in the browser: a page has no font files of its own, so it
// ships IPA Mincho (the Mincho look of the first Windows font) in its data
// file, which the page's loader puts at /pelzo/fonts/.
#include "font_files.h"

const char *win_japanese_font_hint() { return "the page's data file must hold fonts/ipam.ttf"; }

const std::vector<std::string> &win_japanese_fonts()
{
    static const std::vector<std::string> list{"/pelzo/fonts/ipam.ttf"};
    return list;
}
