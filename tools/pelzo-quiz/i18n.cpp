#include "i18n.h"

#include <libintl.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <system_error>

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
    const std::string own = win_program_folder();
    if (!own.empty()) {
        for (const char *relative : {"locale", "../share/locale"})
            if (holds_catalog(own + relative)) return own + relative;
    }
    return PELZO_LOCALEDIR;
}

}  // namespace

#ifndef _WIN32
namespace {

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
        if ((!language || !*language) && !asked.empty() && asked != "C" && asked != "POSIX")
            setenv("LANGUAGE", asked.c_str(), 1);
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
    sys_set_translation(tool_message);  // the reasons the file services give
}

const char *tool_message(const char *english) { return dgettext(kDomain, english); }

const char *tool_plural(const char *one, const char *many, unsigned long n) { return dngettext(kDomain, one, many, n); }
