// The font candidates both ports share: the Windows font paths first.
#include "font_files.h"

#include <filesystem>
#include <system_error>

namespace {

constexpr const char *kWindowsFonts[] = {
    "C:/Windows/Fonts/yumindb.ttf",
    "C:/Windows/Fonts/YuGothR.ttf",
    "C:/Windows/Fonts/BIZ-UDGothicR.ttf",
};

}  // namespace

const std::vector<std::string> &japanese_font_candidates()
{
    static std::vector<std::string> list;
    static bool resolved = false;
    if (!resolved) {
        resolved = true;
        for (const char *path : kWindowsFonts) list.emplace_back(path);
        for (const std::string &path : win_japanese_fonts()) list.push_back(path);
    }
    return list;
}

const std::string *first_existing_file(const std::vector<std::string> &list)
{
    for (const std::string &path : list) {
        if (path.empty()) continue;
        std::error_code ec;
        // Names are UTF-8 on every system.
        const std::filesystem::path name(reinterpret_cast<const char8_t *>(path.c_str()));
        if (std::filesystem::is_regular_file(name, ec)) return &path;
    }
    return nullptr;
}
