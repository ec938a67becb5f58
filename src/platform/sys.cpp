// The process services both ports share, on top of each port's own.
#include "sys.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "format.h"

namespace {

// Reads up to `count` bytes from the start of fp into *bytes; closes fp.
bool read_into(FILE *fp, uint64_t count, std::string *bytes, std::string *why)
{
    bool ok = true;
    try {
        bytes->resize(static_cast<size_t>(count));
    } catch (const std::bad_alloc &) {
        ok = false;
        if (why) *why = "out of memory";
    }
    if (ok) {
        // The file may have changed since its size was taken: what is there
        // now, up to the count, is what counts.
        const size_t got = count > 0 ? fread(bytes->data(), 1, bytes->size(), fp) : 0;
        if (ferror(fp)) {
            ok = false;
            if (why) *why = std::string("cannot read: ") + strerror(errno);
        }
        bytes->resize(got);
    }
    fclose(fp);
    return ok;
}

}  // namespace

bool win_read_file(const char *path, uint64_t maxBytes, std::string *bytes, std::string *why)
{
    uint64_t size = 0;
    FILE *fp = win_open_regular(path, &size, why);
    if (!fp) return false;
    if (size > maxBytes) {
        if (why)
            *why = "is " + with_thousands(static_cast<long long>(size)) + " bytes; at most " +
                   with_thousands(static_cast<long long>(maxBytes)) + " are read";
        fclose(fp);
        return false;
    }
    return read_into(fp, size, bytes, why);
}

bool win_read_head(const char *path, uint64_t maxBytes, std::string *bytes, uint64_t *size, std::string *why)
{
    uint64_t whole = 0;
    FILE *fp = win_open_regular(path, &whole, why);
    if (!fp) return false;
    if (size) *size = whole;
    return read_into(fp, whole < maxBytes ? whole : maxBytes, bytes, why);
}
