// The process services on Linux: arguments and paths are already UTF-8.
#include "sys.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

char **win_utf8_argv(int argc, char **argv, int *utf8Argc)
{
    if (utf8Argc) *utf8Argc = argc;
    return argv;
}

void win_stdio_utf8() {}

FILE *win_fopen(const char *path, const char *mode) { return path && mode ? fopen(path, mode) : nullptr; }

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

bool win_output_target(const std::string &path, std::string *target, std::string *why)
{
    std::string resolved = path;
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Write what the link points to, and keep the link.
        if (char *real = realpath(path.c_str(), nullptr)) {
            resolved = real;
            free(real);
        } else {
            // A link to a file not there yet: the file is made where it points.
            char link[4096];
            const ssize_t n = readlink(path.c_str(), link, sizeof link - 1);
            if (n <= 0) {
                if (why) *why = std::string("cannot write: ") + strerror(errno);
                return false;
            }
            link[n] = '\0';
            const size_t slash = path.rfind('/');
            resolved =
                link[0] == '/' || slash == std::string::npos ? std::string(link) : path.substr(0, slash + 1) + link;
        }
    }
    if (stat(resolved.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            if (why) *why = file_kind(st.st_mode);
            return false;
        }
        // As cp does: a file this user may not write is not replaced.
        if (access(resolved.c_str(), W_OK) != 0) {
            if (why) *why = std::string("cannot write: ") + strerror(errno);
            return false;
        }
    }
    *target = resolved;
    return true;
}

namespace {

// The temporary file being written, removed by a stop signal before the
// signal ends the process. A fixed buffer, which the handler reads without
// allocating; the flag says whether it holds a file.
char s_tempPath[4096];
volatile sig_atomic_t s_tempHeld = 0;
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void remove_temp_and_stop(int sig)
{
    if (s_tempHeld) unlink(s_tempPath);
    signal(sig, SIG_DFL);
    raise(sig);
}

// Blocks or unblocks the stop signals, so a temporary file is never made
// without being held, nor dropped while the handler could see it.
void block_stop_signals(bool block)
{
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kStopSignals) sigaddset(&set, sig);
    sigprocmask(block ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

void hold_temp(const std::string &path)
{
    static bool installed = false;
    if (!installed) {
        for (int sig : kStopSignals) signal(sig, remove_temp_and_stop);
        installed = true;
    }
    memcpy(s_tempPath, path.c_str(), path.size() + 1);
    s_tempHeld = 1;
}

}  // namespace

std::string win_write_beside(const std::string &target, const void *data, size_t size, std::string *error)
{
    // A short name in the target's folder: the target's own name may already
    // take all the system allows.
    const size_t slash = target.rfind('/');
    std::string temp = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + ".pelzo-XXXXXX";
    if (temp.size() >= sizeof s_tempPath) {
        if (error) *error = "cannot create a file beside it: the path is too long";
        return "";
    }
    block_stop_signals(true);
    const int fd = mkstemp(temp.data());
    if (fd >= 0) hold_temp(temp);
    const int openError = errno;
    block_stop_signals(false);
    if (fd < 0) {
        if (error) *error = std::string("cannot create a file beside it: ") + strerror(openError);
        return "";
    }
    // mkstemp makes the file 0600. It takes the mode and owner of the file it
    // replaces, or what a new file gets: 0666 less the umask.
    struct stat old;
    bool ok;
    if (stat(target.c_str(), &old) == 0) {
        ok = fchmod(fd, old.st_mode & 07777) == 0;
        if (fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Only root may give a file away; the writer's own file is kept.
        }
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        ok = fchmod(fd, 0666 & ~mask) == 0;
    }
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
        win_remove_file(temp);
        return "";
    }
    return temp;
}

bool win_replace_file(const std::string &from, const std::string &to, std::string *error)
{
    block_stop_signals(true);
    const bool moved = rename(from.c_str(), to.c_str()) == 0;
    const int err = errno;
    if (moved) s_tempHeld = 0;
    block_stop_signals(false);
    if (moved) return true;
    if (error) *error = std::string("cannot write: ") + strerror(err);
    return false;
}

void win_remove_file(const std::string &path)
{
    block_stop_signals(true);
    unlink(path.c_str());
    if (s_tempHeld && path == s_tempPath) s_tempHeld = 0;
    block_stop_signals(false);
}

FolderState win_folder_state(const char *path, std::string *why)
{
    struct stat st;
    if (stat(path, &st) != 0) {
        if (errno == ENOENT) return FolderState::Absent;
        *why = strerror(errno);
        return FolderState::NotFolder;
    }
    if (!S_ISDIR(st.st_mode)) {
        *why = S_ISREG(st.st_mode) ? "is a file" : file_kind(st.st_mode);
        return FolderState::NotFolder;
    }
    DIR *dir = opendir(path);
    if (!dir) {
        *why = strerror(errno);
        return FolderState::NotFolder;
    }
    bool any = false;
    while (const dirent *e = readdir(dir)) {
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) {
            any = true;
            break;
        }
    }
    closedir(dir);
    return any ? FolderState::HasFiles : FolderState::Empty;
}

bool win_make_folder(const char *path, std::string *why)
{
    if (mkdir(path, 0777) == 0) return true;
    *why = strerror(errno);
    return false;
}
