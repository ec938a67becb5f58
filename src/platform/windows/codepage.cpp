// SPDX-License-Identifier: MIT
// Code page 932 <-> UTF-8 with the system converters, through a fixed
// intermediate of 1024 UTF-16 units (a text of at most 1023 characters plus
// its terminator); a longer text falls back to a raw byte copy.
//
// MultiByteToWideChar without flags already writes one "・" for each
// character it cannot decode. A UTF-8 result that does not fit the
// destination is cut at a character boundary here; the system call would
// fail without writing a terminator.
#include "codepage.h"
#include "codepage_fallback.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace {

constexpr int kWideUnits = 1024;
constexpr UINT kShiftJis = 932;

}  // namespace

int win_sjis_to_utf8(const char *src, char *dst, int dstSize)
{
    if (!src || !dst || dstSize <= 0) return 0;
    wchar_t wide[kWideUnits];
    if (MultiByteToWideChar(kShiftJis, 0, src, -1, wide, kWideUnits) <= 0)
        return codepage_fallback_copy(src, dst, dstSize);

    // 1024 UTF-16 units of code page 932 text need at most 3 bytes each.
    char utf8[kWideUnits * 3];
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
    if (n <= 0) {
        dst[0] = '\0';
        return 0;
    }
    if (n <= dstSize) {
        memcpy(dst, utf8, static_cast<size_t>(n));
        return n;
    }
    // Does not fit: keep the whole characters that do.
    int len = dstSize - 1;
    while (len > 0 && (static_cast<unsigned char>(utf8[len]) & 0xC0) == 0x80) --len;
    memcpy(dst, utf8, static_cast<size_t>(len));
    dst[len] = '\0';
    return 0;
}

int win_utf8_to_sjis(const char *src, char *dst, int dstSize)
{
    if (!src || !dst || dstSize <= 0) return 0;
    wchar_t wide[kWideUnits] = {};
    if (MultiByteToWideChar(CP_UTF8, 0, src, -1, wide, kWideUnits) > 0) {
        // Characters code page 932 lacks become its default character, '?'.
        const int n = WideCharToMultiByte(kShiftJis, 0, wide, -1, dst, dstSize, nullptr, nullptr);
        if (n > 0) return n;
    }
    // Too long, or does not fit: the raw UTF-8 bytes, cut and zero-filled.
    strncpy(dst, src, static_cast<size_t>(dstSize - 1));
    dst[dstSize - 1] = '\0';
    return 0;
}

namespace {

bool to_wide(UINT codePage, std::string_view in, std::wstring *out)
{
    out->clear();
    if (in.empty()) return true;
    if (in.size() > 0x7FFFFFFF) return false;
    const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), int(in.size()), nullptr, 0);
    if (n <= 0) return false;
    out->resize(size_t(n));
    return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), int(in.size()), out->data(), n) == n;
}

}  // namespace

bool cp932_encode(std::string_view utf8, std::string *sjis)
{
    sjis->clear();
    std::wstring wide;
    if (!to_wide(CP_UTF8, utf8, &wide)) return false;
    if (wide.empty()) return true;
    // No best fit: a character without a form of its own is refused, not
    // swapped for a look-alike.
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide.data(), int(wide.size()), nullptr, 0,
                                      nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return false;
    sjis->resize(size_t(n));
    return WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide.data(), int(wide.size()), sjis->data(), n, nullptr,
                               &usedDefault) == n &&
           !usedDefault;
}

bool cp932_decode(std::string_view sjis, std::string *utf8)
{
    utf8->clear();
    std::wstring wide;
    if (!to_wide(kShiftJis, sjis, &wide)) return false;
    if (wide.empty()) return true;
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return false;
    utf8->resize(size_t(n));
    return WideCharToMultiByte(CP_UTF8, 0, wide.data(), int(wide.size()), utf8->data(), n, nullptr, nullptr) == n;
}
