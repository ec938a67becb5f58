// SPDX-License-Identifier: MIT
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
#include <ctime>

char **sys_utf8_argv(int argc, char **argv, int *utf8Argc)
{
    if (utf8Argc) *utf8Argc = argc;
    return argv;
}

void sys_stdio_utf8() {}

std::string sys_display_path(const std::string &path) { return path; }

std::string sys_program_folder()
{
    std::string path(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || static_cast<size_t>(n) >= path.size()) return std::string();
    path.resize(static_cast<size_t>(n));
    const size_t cut = path.rfind('/');
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

FILE *sys_fopen(const char *path, const char *mode) { return path && mode ? fopen(path, mode) : nullptr; }

namespace {

// What a file that is not a regular one is, for a message.
const char *file_kind(mode_t mode)
{
    if (S_ISDIR(mode)) return sys_text("is a directory");
    if (S_ISFIFO(mode)) return sys_text("is a FIFO (named pipe)");
    if (S_ISSOCK(mode)) return sys_text("is a socket");
    if (S_ISCHR(mode)) return sys_text("is a character device");
    if (S_ISBLK(mode)) return sys_text("is a block device");
    return sys_text("is not a regular file");
}

}  // namespace

FILE *sys_open_regular(const char *path, uint64_t *size, std::string *why)
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
        if (why) *why = special ? std::string(file_kind(st.st_mode)) : sys_message("cannot open: %s", strerror(err));
        return nullptr;
    }
    struct stat st;
    const bool stated = fstat(fd, &st) == 0;
    if (!stated || !S_ISREG(st.st_mode)) {
        if (why) *why = stated ? std::string(file_kind(st.st_mode)) : sys_message("cannot open: %s", strerror(errno));
        close(fd);
        return nullptr;
    }
    const int flags = fcntl(fd, F_GETFL);
    FILE *fp = flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 ? fdopen(fd, "rb") : nullptr;
    if (!fp) {
        if (why) *why = sys_message("cannot open: %s", strerror(errno));
        close(fd);
        return nullptr;
    }
    if (size) *size = static_cast<uint64_t>(st.st_size);
    return fp;
}

bool sys_same_file(const char *a, const char *b)
{
    struct stat sa, sb;
    if (!a || !b || stat(a, &sa) != 0 || stat(b, &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

namespace {

// The folder part of a path: "." for a bare name.
std::string folder_of(const std::string &path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool sys_output_target(const std::string &path, std::string *target, std::string *why)
{
    // A symbolic link is followed by hand, link after link, as the kernel's
    // protected_symlinks would follow it for a plain open: only a link of
    // this user's or of its folder's owner, so that one planted in a shared
    // folder (/tmp) by another user leads nowhere. A link to nothing makes
    // no file: where it points was never chosen by the user.
    std::string resolved = path;
    struct stat st;
    int hops = 0;
    while (lstat(resolved.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        struct stat folder;
        if (st.st_uid != geteuid() && (stat(folder_of(resolved).c_str(), &folder) != 0 || folder.st_uid != st.st_uid)) {
            if (why) *why = sys_text("is a symbolic link of another user's in a folder not theirs; not followed");
            return false;
        }
        char link[4096];
        const ssize_t n = readlink(resolved.c_str(), link, sizeof link - 1);
        if (n <= 0 || ++hops > 40) {
            if (why) *why = sys_message("cannot write: %s", strerror(n <= 0 ? errno : ELOOP));
            return false;
        }
        link[n] = '\0';
        resolved = link[0] == '/' || resolved.find('/') == std::string::npos
                       ? std::string(link)
                       : resolved.substr(0, resolved.rfind('/') + 1) + link;
    }
    if (resolved != path && lstat(resolved.c_str(), &st) != 0) {
        if (why) *why = sys_text("is a symbolic link to nothing; no file is made through one");
        return false;
    }
    if (stat(resolved.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            if (why) *why = file_kind(st.st_mode);
            return false;
        }
        // As cp does: a file this user may not write is not replaced.
        if (access(resolved.c_str(), W_OK) != 0) {
            if (why) *why = sys_message("cannot write: %s", strerror(errno));
            return false;
        }
    }
    *target = resolved;
    return true;
}

namespace {

// The temporary file being written, removed by a stop signal before the
// signal ends the process: a name relative to a folder's descriptor (or to
// the working folder). A fixed buffer, which the handler reads without
// allocating; the flag says whether it holds a file.
char s_tempPath[4096];
int s_tempFolder = AT_FDCWD;
volatile sig_atomic_t s_tempHeld = 0;
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void remove_temp_and_stop(int sig)
{
    if (s_tempHeld) unlinkat(s_tempFolder, s_tempPath, 0);
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

// Called with the stop signals blocked.
void hold_temp(int folder, const std::string &path)
{
    static bool installed = false;
    if (!installed) {
        for (int sig : kStopSignals) signal(sig, remove_temp_and_stop);
        installed = true;
    }
    memcpy(s_tempPath, path.c_str(), path.size() + 1);
    s_tempFolder = folder;
    s_tempHeld = 1;
}

// Removes the held file (unlink) or only lets it go.
void drop_temp(bool unlink)
{
    block_stop_signals(true);
    if (unlink && s_tempHeld) unlinkat(s_tempFolder, s_tempPath, 0);
    s_tempHeld = 0;
    block_stop_signals(false);
}

// Writes all of data to fd and closes it. False with errno set on failure.
bool write_and_close(int fd, const void *data, size_t size)
{
    const char *bytes = static_cast<const char *>(data);
    size_t done = 0;
    bool ok = true;
    while (ok && done < size) {
        const ssize_t n = write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<size_t>(n);
    }
    const int err = errno;
    const bool closed = close(fd) == 0;
    if (!ok) errno = err;  // the write's reason rather than close's
    return ok && closed;
}

}  // namespace

std::string sys_write_beside(const std::string &target, const void *data, size_t size, std::string *error)
{
    // A short name in the target's folder: the target's own name may already
    // take all the system allows.
    const size_t slash = target.rfind('/');
    std::string temp = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + ".pelzo-XXXXXX";
    if (temp.size() >= sizeof s_tempPath) {
        if (error) *error = sys_text("cannot create a file beside it: the path is too long");
        return "";
    }
    block_stop_signals(true);
    const int fd = mkstemp(temp.data());
    if (fd >= 0) hold_temp(AT_FDCWD, temp);
    const int openError = errno;
    block_stop_signals(false);
    if (fd < 0) {
        if (error) *error = sys_message("cannot create a file beside it: %s", strerror(openError));
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
    if (!ok) {
        const int err = errno;
        close(fd);
        errno = err;
    }
    if (!ok || !write_and_close(fd, data, size)) {
        if (error) *error = sys_message("cannot write: %s", strerror(errno));
        drop_temp(true);
        return "";
    }
    return temp;
}

bool sys_replace_file(const std::string &from, const std::string &to, std::string *error)
{
    block_stop_signals(true);
    const bool moved = rename(from.c_str(), to.c_str()) == 0;
    const int err = errno;
    if (moved) s_tempHeld = 0;
    block_stop_signals(false);
    if (moved) return true;
    if (error) *error = sys_message("cannot write: %s", strerror(err));
    return false;
}

void sys_remove_file(const std::string &path)
{
    block_stop_signals(true);
    unlink(path.c_str());
    if (s_tempHeld && s_tempFolder == AT_FDCWD && path == s_tempPath) s_tempHeld = 0;
    block_stop_signals(false);
}

bool sys_open_out_folder(const char *path, OutFolder *folder, std::string *why)
{
    int fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        if (mkdir(path, 0777) != 0) {
            *why = sys_message("cannot create the folder: %s", strerror(errno));
            return false;
        }
        // Made just now: what is there is this folder, unless someone put a
        // link in its place, which is not followed.
        fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    if (fd < 0) {
        const int err = errno;
        struct stat st;
        if (err == ENOTDIR && stat(path, &st) == 0)
            *why = S_ISREG(st.st_mode) ? sys_text("is a file") : file_kind(st.st_mode);
        else
            *why = strerror(err);
        return false;
    }
    folder->handle = fd;
    folder->prefix = path;
    if (folder->prefix.empty() || folder->prefix.back() != '/') folder->prefix += '/';
    return true;
}

void sys_close_out_folder(OutFolder *folder)
{
    if (folder->handle >= 0) close(static_cast<int>(folder->handle));
    folder->handle = -1;
}

std::vector<std::string> sys_out_folder_entries(const OutFolder &folder)
{
    std::vector<std::string> names;
    const int fd = openat(static_cast<int>(folder.handle), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!dir) {
        if (fd >= 0) close(fd);
        return names;
    }
    while (const dirent *e = readdir(dir))
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.emplace_back(e->d_name);
    closedir(dir);
    return names;
}

namespace {

// Creates `name` in the folder exclusively (never through a link) and holds
// it for the stop signals; -1 with errno set when it cannot.
int create_held(int folder, const std::string &name)
{
    if (name.size() >= sizeof s_tempPath) {
        errno = ENAMETOOLONG;
        return -1;
    }
    block_stop_signals(true);
    const int fd = openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    const int err = errno;
    if (fd >= 0) hold_temp(folder, name);
    block_stop_signals(false);
    errno = err;
    return fd;
}

}  // namespace

bool sys_write_in_folder(const OutFolder &folder, const std::string &name, const void *data, size_t size, bool replace,
                         std::string *why)
{
    const int dir = static_cast<int>(folder.handle);
    std::string made = name;
    int fd = -1;
    if (!replace) {
        fd = create_held(dir, made);
    } else {
        // A fresh name beside it; tried again while someone else has it.
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        unsigned seed = static_cast<unsigned>(now.tv_nsec) ^ (static_cast<unsigned>(getpid()) << 16);
        for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
            char temp[32];
            seed = seed * 1103515245u + 12345u;
            snprintf(temp, sizeof temp, ".pelzo-%08x", seed);
            made = temp;
            fd = create_held(dir, made);
            if (fd < 0 && errno != EEXIST) break;
        }
    }
    if (fd < 0) {
        *why = sys_message("cannot create: %s", strerror(errno));
        return false;
    }
    if (!write_and_close(fd, data, size)) {
        *why = sys_message("cannot write: %s", strerror(errno));
        drop_temp(true);
        return false;
    }
    if (replace) {
        // rename replaces the name itself: a link there is not followed.
        block_stop_signals(true);
        const bool moved = renameat(dir, made.c_str(), dir, name.c_str()) == 0;
        const int err = errno;
        if (moved) s_tempHeld = 0;
        block_stop_signals(false);
        if (!moved) {
            *why = sys_message("cannot write: %s", strerror(err));
            drop_temp(true);
            return false;
        }
    }
    drop_temp(false);
    return true;
}

bool sys_out_folder_holds(const OutFolder &folder, const std::string &name, const char *file)
{
    struct stat there, st;
    return file && stat(file, &st) == 0 &&
           fstatat(static_cast<int>(folder.handle), name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 &&
           there.st_dev == st.st_dev && there.st_ino == st.st_ino;
}
