// SPDX-License-Identifier: MIT
// fuzz_support: helpers shared by the libFuzzer targets.
//
// FuzzFile is one temp file per process in $TMPDIR (default /tmp), made on
// first use with the extension the reader dispatches on, rewritten in place
// for every input and unlinked when the process exits normally. (A crash
// skips exit handlers; scripts/fuzz.sh points TMPDIR into the build folder so
// such leftovers stay there.) fuzz_check aborts with a message, so a
// broken contract shows up as a crash with the input saved. Nothing here
// allocates per input.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#define fuzz_check(cond, what)                                                                    \
    do {                                                                                          \
        if (!(cond)) {                                                                            \
            std::fprintf(stderr, "fuzz contract broken: %s (%s:%d)\n", what, __FILE__, __LINE__); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (0)

struct FuzzFile {
    char path[512];
    int fd;
};

// Makes (once) the temp file for `suffix`, e.g. ".zip", and fills it with the
// input. Returns its path. Aborts when the file cannot be written: without it
// no input would reach the reader, and a silent run would look clean.
inline const char *fuzz_file_write(FuzzFile *f, const char *suffix, const uint8_t *data, size_t size)
{
    if (f->path[0] == '\0') {
        const char *dir = std::getenv("TMPDIR");
        if (!dir || !*dir) dir = "/tmp";
        const int n = std::snprintf(f->path, sizeof f->path, "%s/pelzo-fuzz-XXXXXX%s", dir, suffix);
        fuzz_check(n > 0 && static_cast<size_t>(n) < sizeof f->path, "TMPDIR too long");
        f->fd = mkstemps(f->path, static_cast<int>(std::strlen(suffix)));
        fuzz_check(f->fd >= 0, "cannot make the temp file");
    }
    // Overwrite first, then cut to the new length: truncating to zero first
    // frees and discards the blocks every time, which costs milliseconds on
    // ext4 and would slow the run a hundredfold.
    size_t done = 0;
    while (done < size) {
        const ssize_t n = pwrite(f->fd, data + done, size - done, static_cast<off_t>(done));
        fuzz_check(n > 0, "cannot write the temp file");
        done += static_cast<size_t>(n);
    }
    fuzz_check(ftruncate(f->fd, static_cast<off_t>(size)) == 0, "cannot truncate the temp file");
    return f->path;
}

inline void fuzz_file_remove(FuzzFile *f)
{
    if (f->path[0] == '\0') return;
    close(f->fd);
    unlink(f->path);
    f->path[0] = '\0';
}

// True when s[0 .. n) is well-formed UTF-8: no stray continuation byte, no
// overlong form, no surrogate, nothing above U+10FFFF, no cut sequence.
inline bool fuzz_is_utf8(const char *text, size_t n)
{
    const auto *s = reinterpret_cast<const unsigned char *>(text);
    size_t i = 0;
    while (i < n) {
        const unsigned char b = s[i];
        size_t len;
        uint32_t cp;
        if (b < 0x80) {
            ++i;
            continue;
        }
        if (b >= 0xC2 && b <= 0xDF) {
            len = 2;
            cp = b & 0x1Fu;
        } else if (b >= 0xE0 && b <= 0xEF) {
            len = 3;
            cp = b & 0x0Fu;
        } else if (b >= 0xF0 && b <= 0xF4) {
            len = 4;
            cp = b & 0x07u;
        } else
            return false;
        if (n - i < len) return false;
        for (size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (s[i + k] & 0x3Fu);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

// A text slot of `size` bytes holds a NUL and valid UTF-8 before it.
inline bool fuzz_slot_ok(const char *slot, size_t size)
{
    const void *nul = std::memchr(slot, '\0', size);
    return nul && fuzz_is_utf8(slot, static_cast<size_t>(static_cast<const char *>(nul) - slot));
}

// A genre as the loaders hand it out: at least one question, and its name,
// every question text and every choice a UTF-8 slot. A template, so that
// targets without the quiz library include this header unchanged.
template <class Genre>
inline void fuzz_check_genre(const Genre &g)
{
    fuzz_check(g.items != nullptr && g.count >= 1, "genre without questions");
    fuzz_check(fuzz_slot_ok(g.name, sizeof g.name), "genre name not a UTF-8 slot");
    for (int32_t q = 0; q < g.count; ++q) {
        const auto &item = g.items[q];
        fuzz_check(fuzz_slot_ok(item.text, sizeof item.text), "question text not a UTF-8 slot");
        for (const auto &choice : item.choice)
            fuzz_check(fuzz_slot_ok(choice, sizeof choice), "choice not a UTF-8 slot");
    }
}
