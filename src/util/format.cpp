#include "format.h"

#include <cstdarg>
#include <cstdio>

#include "utf8.h"

std::string format_message(const char *text, ...)
{
    va_list args, again;
    va_start(args, text);
    va_copy(again, args);
    char small[256];
    const int n = vsnprintf(small, sizeof small, text, args);
    va_end(args);
    std::string out;
    if (n >= 0 && static_cast<size_t>(n) < sizeof small) {
        out.assign(small, static_cast<size_t>(n));
    } else if (n >= 0) {
        out.resize(static_cast<size_t>(n) + 1);
        vsnprintf(&out[0], out.size(), text, again);
        out.resize(static_cast<size_t>(n));
    }
    va_end(again);
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
