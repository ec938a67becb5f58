// SPDX-License-Identifier: MIT
// The process services both ports share, on top of each port's own.
#include "sys.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <new>

#include "format.h"

namespace {

SysTranslation s_translation = nullptr;

// Reads up to `count` bytes from the start of fp into *bytes; closes fp.
bool read_into(FILE *fp, uint64_t count, std::string *bytes, std::string *why)
{
    bool ok = true;
    try {
        bytes->resize(static_cast<size_t>(count));
    } catch (const std::bad_alloc &) {
        ok = false;
        if (why) *why = sys_text("out of memory");
    }
    if (ok) {
        // The file may have changed since its size was taken: what is there
        // now, up to the count, is what counts.
        const size_t got = count > 0 ? fread(bytes->data(), 1, bytes->size(), fp) : 0;
        if (ferror(fp)) {
            ok = false;
            if (why) *why = sys_message("cannot read: %s", strerror(errno));
        }
        bytes->resize(got);
    }
    fclose(fp);
    return ok;
}

}  // namespace

void sys_set_translation(SysTranslation translate) { s_translation = translate; }

const char *sys_text(const char *english) { return s_translation ? s_translation(english) : english; }

std::string sys_message(const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    std::string text = vformatted(sys_text(format), ap);
    va_end(ap);
    return text;
}

bool sys_read_file(const char *path, uint64_t maxBytes, std::string *bytes, std::string *why)
{
    uint64_t size = 0;
    FILE *fp = sys_open_regular(path, &size, why);
    if (!fp) return false;
    if (size > maxBytes) {
        if (why)
            *why = sys_message("is %s bytes; at most %s are read", with_thousands(static_cast<long long>(size)).c_str(),
                               with_thousands(static_cast<long long>(maxBytes)).c_str());
        fclose(fp);
        return false;
    }
    return read_into(fp, size, bytes, why);
}

bool sys_read_head(const char *path, uint64_t maxBytes, std::string *bytes, uint64_t *size, std::string *why)
{
    uint64_t whole = 0;
    FILE *fp = sys_open_regular(path, &whole, why);
    if (!fp) return false;
    if (size) *size = whole;
    return read_into(fp, whole < maxBytes ? whole : maxBytes, bytes, why);
}
