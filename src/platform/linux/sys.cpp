// The process services on Linux: arguments and paths are already UTF-8.
#include "sys.h"

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
