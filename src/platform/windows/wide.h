// SPDX-License-Identifier: MIT
// wide: UTF-8 <-> UTF-16 for the Windows port's calls into the wide API.
#pragma once

#include <windows.h>

#include <string>

// The UTF-16 form of UTF-8 text; an invalid sequence becomes U+FFFD, as the
// system converter does without flags.
inline std::wstring win_widen(const char *utf8)
{
    if (!utf8 || !utf8[0]) return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out.data(), n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

inline std::string win_narrow(const wchar_t *wide)
{
    if (!wide || !wide[0]) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

// A final path name (GetFinalPathNameByHandleW) as paths are written
// elsewhere: without its \\?\ prefix, so \\?\C:\dir\x is C:\dir\x and a
// share's \\?\UNC\server\share\x is \\server\share\x. A path of MAX_PATH
// characters or more keeps the prefix: only that form opens it. Any other
// path is returned as it is.
inline std::wstring win_plain_path(const std::wstring &path)
{
    std::wstring plain;
    if (path.size() >= 8 && path.compare(0, 4, L"\\\\?\\") == 0 && _wcsnicmp(path.c_str() + 4, L"UNC\\", 4) == 0)
        plain = L"\\\\" + path.substr(8);
    else if (path.compare(0, 4, L"\\\\?\\") == 0)
        plain = path.substr(4);
    else
        return path;
    return plain.size() < MAX_PATH ? plain : path;
}

// The system's text for the calling thread's last error, in UTF-8, without
// its trailing line break.
inline std::string win_last_error_text()
{
    const DWORD code = GetLastError();
    wchar_t *text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::string out = n > 0 ? win_narrow(text) : "error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
    return out;
}
