// The process services on Linux: arguments and paths are already UTF-8.
#include "sys.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

char **win_utf8_argv(int argc, char **argv, int *utf8Argc)
{
    if (utf8Argc) *utf8Argc = argc;
    return argv;
}

void win_stdio_utf8() {}

FILE *win_fopen(const char *path, const char *mode)
{
    return path && mode ? fopen(path, mode) : nullptr;
}

namespace {

// What a file that is not a regular one is, for a message.
const char *file_kind(mode_t mode)
{
    if (S_ISDIR(mode)) return "is a directory";
    if (S_ISFIFO(mode)) return "is a FIFO (named pipe)";
    if (S_ISSOCK(mode)) return "is a socket";
    if (S_ISCHR(mode)) return "is a character device";
    if (S_ISBLK(mode)) return "is a block device";
    return "is not a regular file";
}

}  // namespace

FILE *win_open_regular(const char *path, uint64_t *size, std::string *why)
{
    if (!path) return nullptr;
    // O_NONBLOCK: opening a FIFO without a writer, or some devices, would
    // otherwise wait for ever. It is taken off again before any read.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        // A socket cannot be opened at all: say what it is rather than ENXIO.
        const int err = errno;
        struct stat st;
        const bool special = stat(path, &st) == 0 && !S_ISREG(st.st_mode);
        if (why) *why = special ? std::string(file_kind(st.st_mode)) : std::string("cannot open: ") + strerror(err);
        return nullptr;
    }
    struct stat st;
    const bool stated = fstat(fd, &st) == 0;
    if (!stated || !S_ISREG(st.st_mode)) {
        if (why) *why = stated ? std::string(file_kind(st.st_mode)) : std::string("cannot open: ") + strerror(errno);
        close(fd);
        return nullptr;
    }
    const int flags = fcntl(fd, F_GETFL);
    FILE *fp = flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 ? fdopen(fd, "rb") : nullptr;
    if (!fp) {
        if (why) *why = std::string("cannot open: ") + strerror(errno);
        close(fd);
        return nullptr;
    }
    if (size) *size = static_cast<uint64_t>(st.st_size);
    return fp;
}

bool win_same_file(const char *a, const char *b)
{
    struct stat sa, sb;
    if (!a || !b || stat(a, &sa) != 0 || stat(b, &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::string win_write_beside(const std::string &target, const void *data, size_t size, std::string *error)
{
    std::string temp = target + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        if (error) *error = std::string("cannot create a file beside it: ") + strerror(errno);
        return "";
    }
    // mkstemp makes the file 0600; a new file normally gets 0666 less the umask.
    const mode_t mask = umask(0);
    umask(mask);
    bool ok = fchmod(fd, 0666 & ~mask) == 0;
    const char *bytes = static_cast<const char *>(data);
    size_t done = 0;
    while (ok && done < size) {
        const ssize_t n = write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<size_t>(n);
    }
    const int err = errno;
    ok = close(fd) == 0 && ok;
    if (!ok) {
        if (error) *error = std::string("cannot write: ") + strerror(err);
        unlink(temp.c_str());
        return "";
    }
    return temp;
}

bool win_replace_file(const std::string &from, const std::string &to, std::string *error)
{
    if (rename(from.c_str(), to.c_str()) == 0) return true;
    if (error) *error = std::string("cannot write: ") + strerror(errno);
    return false;
}

void win_remove_file(const std::string &path)
{
    unlink(path.c_str());
}
