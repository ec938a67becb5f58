// SPDX-License-Identifier: MIT
// The system's default sans font on Windows: the first of the user-interface
// fonts every Windows has, in the fonts folder of the Windows directory.
#include <windows.h>

#include "system_font.h"

bool gl_find_default_sans(std::string *path, int *index)
{
    wchar_t dir[MAX_PATH];
    const UINT n = GetWindowsDirectoryW(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    for (const wchar_t *name : {L"\\Fonts\\segoeui.ttf", L"\\Fonts\\arial.ttf", L"\\Fonts\\tahoma.ttf"}) {
        std::wstring file = std::wstring(dir) + name;
        if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        char utf8[MAX_PATH * 3];
        if (WideCharToMultiByte(CP_UTF8, 0, file.c_str(), -1, utf8, sizeof utf8, nullptr, nullptr) <= 0) continue;
        *path = utf8;
        *index = 0;
        return true;
    }
    return false;
}
