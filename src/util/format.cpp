#include "format.h"

#include <cstdio>

#include "utf8.h"

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

std::string vformat_text(const char *format, va_list ap)
{
    va_list again;
    va_copy(again, ap);
    char small[512];
    const int n = vsnprintf(small, sizeof small, format, ap);
    std::string text;
    if (n >= static_cast<int>(sizeof small)) {
        text.resize(static_cast<size_t>(n) + 1);
        vsnprintf(text.data(), text.size(), format, again);
        text.resize(static_cast<size_t>(n));
    } else if (n > 0) {
        text = small;
    }
    va_end(again);
    return text;
}

std::string format_text(const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    std::string text = vformat_text(format, ap);
    va_end(ap);
    return text;
}
