// SPDX-License-Identifier: MIT
#include "i18n.h"

#include <libintl.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "sys.h"

#ifndef PELZO_LOCALEDIR
#define PELZO_LOCALEDIR "/usr/share/locale"
#endif

namespace {

constexpr char kDomain[] = "pelzo-quiz";

// True when dir holds a catalog of the tool in some language:
// dir/<lang>/LC_MESSAGES/pelzo-quiz.mo.
bool holds_catalog(const std::string &dir)
{
    std::error_code ec;
    const std::filesystem::path base(std::u8string(dir.begin(), dir.end()));  // UTF-8 on Windows too
    for (std::filesystem::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec))
        if (std::filesystem::is_regular_file(it->path() / "LC_MESSAGES" / "pelzo-quiz.mo", ec)) return true;
    return false;
}

// Where the catalogs are: beside the executable (a build folder, the Windows
// release folder), then the share/locale of the prefix it is installed
// under, then the prefix it was built for.
std::string catalog_folder()
{
    const std::string own = sys_program_folder();
    if (!own.empty()) {
        for (const char *relative : {"locale", "../share/locale"})
            if (holds_catalog(own + relative)) return own + relative;
    }
    return PELZO_LOCALEDIR;
}

}  // namespace

namespace {

// The arguments a printf format takes, in the order they are taken: each
// one's conversion, its length modifier folded into it ("d", "ld", "zu", "s",
// "*" for a width or precision). A translation may take them in another
// order with %n$ places. Empty, with *ok false, for what a translation must
// not hold (%n, or places both numbered and not).
std::vector<std::string> format_arguments(const char *format, bool *ok)
{
    std::vector<std::string> args;  // by position, 0-based
    *ok = true;
    int next = 0;
    bool numbered = false, plain = false;
    const auto take = [&](int position, std::string kind) {
        if (position >= 64) {
            *ok = false;
            return;
        }
        if (args.size() <= static_cast<size_t>(position)) args.resize(static_cast<size_t>(position) + 1);
        args[static_cast<size_t>(position)] = std::move(kind);
    };
    for (const char *p = format; *ok && *p; ++p) {
        if (*p != '%') continue;
        if (*++p == '%') continue;
        // %n$: a numbered place.
        int position = -1;
        const char *q = p;
        int n = 0;
        while (*q >= '0' && *q <= '9' && n < 1000) n = n * 10 + (*q++ - '0');
        if (*q == '$' && n > 0) {
            position = n - 1;
            p = q + 1;
            numbered = true;
        } else {
            plain = true;
        }
        while (*p && strchr("-+ #0'", *p)) ++p;
        for (int part = 0; part < 2; ++part) {  // width, then precision
            if (part == 1) {
                if (*p != '.') break;
                ++p;
            }
            if (*p == '*') {
                ++p;
                take(next++, "*");
            }
            while (*p >= '0' && *p <= '9') ++p;
        }
        std::string kind;
        while (*p && strchr("hlLqjzt", *p)) kind += *p++;
        if (!*p || *p == 'n') {
            *ok = false;
            break;
        }
        // Conversions that read the same argument alike.
        const char c = strchr("iouxX", *p) ? 'd' : strchr("eEfFgGaA", *p) ? 'f' : *p;
        kind += c;
        take(position >= 0 ? position : next++, kind);
    }
    if (numbered && plain) *ok = false;
    return args;
}

// A translation is used only when it takes the same arguments as its English
// text: a catalog that does not (a damaged or foreign one) would otherwise
// make printf read what was never passed.
const char *checked(const char *english, const char *translated)
{
    if (translated == english || strcmp(translated, english) == 0) return translated;
    bool englishOk = false, translatedOk = false;
    const std::vector<std::string> want = format_arguments(english, &englishOk);
    const std::vector<std::string> have = format_arguments(translated, &translatedOk);
    return englishOk && translatedOk && want == have ? translated : english;
}

}  // namespace

#ifndef _WIN32
namespace {

// Whether a value has the shape of a locale name: a language of two or three
// letters, then _TERRITORY, .codeset and @modifier, each optional. Anything
// else (a path above all: gettext would read a catalog from wherever it
// leads) is no language.
bool locale_name(const std::string &name)
{
    size_t i = 0;
    const auto run = [&](auto allowed) {
        const size_t start = i;
        while (i < name.size() && allowed(name[i])) ++i;
        return i - start;
    };
    const auto lower = [](char c) { return c >= 'a' && c <= 'z'; };
    const auto alnum = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    };
    const size_t language = run(lower);
    if (language < 2 || language > 3) return false;
    if (i < name.size() && name[i] == '_') {
        ++i;
        const size_t territory = run(alnum);
        if (territory < 2 || territory > 3) return false;
    }
    if (i < name.size() && name[i] == '.') {
        ++i;
        if (run([&](char c) { return alnum(c) || c == '-' || c == '_'; }) == 0) return false;
    }
    if (i < name.size() && name[i] == '@') {
        ++i;
        if (run(alnum) == 0) return false;
    }
    return i == name.size();
}

// The language the environment asks for, as gettext reads it: the first of
// LC_ALL, LC_MESSAGES and LANG that is set ("" when none is).
const char *asked_locale()
{
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *value = getenv(name);
        if (value && *value) return value;
    }
    return "";
}

}  // namespace
#endif

void i18n_init()
{
#ifndef _WIN32
    // Nothing in the tool formats numbers or classifies characters through
    // the C library (with_thousands and the UTF-8 code are its own, iconv is
    // given its character sets by name), so the whole locale can follow the
    // environment.
    if (!setlocale(LC_ALL, "")) {
        // The locale asked for is not installed (a minimal system has only C
        // and C.UTF-8). The messages are UTF-8 whatever the locale, so the
        // language alone matters: it reaches gettext through LANGUAGE, which
        // gettext reads under any locale but C, hence C.UTF-8. The character
        // type is UTF-8 too, or the C library's own translated texts
        // (strerror) would come out as question marks.
        const std::string asked = asked_locale();
        const char *language = getenv("LANGUAGE");  // set but empty counts as not set
        if ((!language || !*language) && locale_name(asked)) setenv("LANGUAGE", asked.c_str(), 1);
        setlocale(LC_MESSAGES, "C.UTF-8");
        setlocale(LC_CTYPE, "C.UTF-8");
    }
#endif
    const std::string folder = catalog_folder();
#ifdef _WIN32
    // libintl reads the language from LANGUAGE, LC_ALL, LC_MESSAGES or LANG,
    // and without them from the user's display language. Its narrow call
    // takes a folder in the ANSI code page; the wide one takes any.
    wbindtextdomain(kDomain, std::filesystem::path(std::u8string(folder.begin(), folder.end())).c_str());
#else
    bindtextdomain(kDomain, folder.c_str());
#endif
    bind_textdomain_codeset(kDomain, "UTF-8");
    authoring_set_translation(tool_message, tool_plural);
    sys_set_translation(tool_message);  // the reasons the file services give
}

const char *tool_message(const char *english) { return checked(english, dgettext(kDomain, english)); }

const char *tool_plural(const char *one, const char *many, unsigned long n)
{
    const char *translated = dngettext(kDomain, one, many, n);
    return translated == one || translated == many ? translated : checked(many, translated);
}
