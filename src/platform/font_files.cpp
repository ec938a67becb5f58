// SPDX-License-Identifier: MIT
// The font candidates: the port's own list.
#include "font_files.h"

#include <filesystem>
#include <system_error>

const std::vector<std::string> &japanese_font_candidates()
{
    static const std::vector<std::string> list = sys_japanese_fonts();
    return list;
}

namespace {

bool is_regular_file(const std::string &path)
{
    if (path.empty()) return false;
    std::error_code ec;
    // Names are UTF-8 on every system.
    const std::filesystem::path name(reinterpret_cast<const char8_t *>(path.c_str()));
    return std::filesystem::is_regular_file(name, ec);
}

}  // namespace

std::vector<std::string> existing_files(const std::vector<std::string> &list)
{
    std::vector<std::string> out;
    for (const std::string &path : list)
        if (is_regular_file(path)) out.push_back(path);
    return out;
}
