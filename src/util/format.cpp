// SPDX-License-Identifier: MIT
#include "format.h"

#include <cstdio>

#include "utf8.h"

std::string vformatted(const char *fmt, va_list ap)
{
    char small[512];
    va_list again;
    va_copy(again, ap);
    const int n = vsnprintf(small, sizeof small, fmt, ap);
    std::string out;
    if (n >= static_cast<int>(sizeof small)) {
        out.resize(static_cast<size_t>(n) + 1);
        vsnprintf(out.data(), out.size(), fmt, again);
        out.resize(static_cast<size_t>(n));
    } else if (n > 0) {
        out = small;
    }
    va_end(again);
    return out;
}

std::string formatted(const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    std::string out = vformatted(fmt, ap);
    va_end(ap);
    return out;
}

std::string with_thousands(long long value)
{
    // The magnitude as unsigned, so that the most negative value has one too.
    const unsigned long long magnitude =
        value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    const std::string digits = std::to_string(magnitude);
    std::string out = value < 0 ? "-" : "";
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

void append_escaped(std::string &out, std::string_view text, std::string_view quoted, const char *invalid)
{
    static const char hex[] = "0123456789abcdef";
    for (size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const size_t n = utf8_decode(text.data() + i, text.size() - i, &cp);
        if (n == 0) {
            static const char upper[] = "0123456789ABCDEF";
            const auto b = static_cast<unsigned char>(text[i]);
            if (invalid) {
                out += invalid;
            } else {
                out += "\\x";
                out += upper[b >> 4];
                out += upper[b & 0xF];
            }
            ++i;
            continue;
        }
        if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) {
            out += "\\u00";
            out += hex[cp >> 4];
            out += hex[cp & 0xF];
        } else {
            if (n == 1 && quoted.find(text[i]) != std::string_view::npos) out += '\\';
            out.append(text.data() + i, n);
        }
        i += n;
    }
}

std::string escaped(std::string_view text)
{
    std::string out;
    append_escaped(out, text);
    return out;
}
