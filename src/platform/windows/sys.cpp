// The process services on Windows: the wide command line and the wide file
// API, so that every path is UTF-8 inside the programs and any name opens.
#include "sys.h"

#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

#include "wide.h"

char **win_utf8_argv(int argc, char **argv, int *utf8Argc)
{
    // The runtime's argv went through the ANSI code page, which loses every
    // character outside it; the wide command line has them all.
    static std::vector<std::string> args;
    static std::vector<char *> pointers;
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) {
        if (utf8Argc) *utf8Argc = argc;
        return argv;
    }
    args.clear();
    for (int i = 0; i < count; ++i) args.push_back(win_narrow(wide[i]));
    LocalFree(wide);
    pointers.clear();
    for (std::string &a : args) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    if (utf8Argc) *utf8Argc = count;
    return pointers.data();
}

void win_stdio_utf8()
{
    fflush(stdout);
    fflush(stderr);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
}

FILE *win_fopen(const char *path, const char *mode)
{
    if (!path || !mode || !path[0]) return nullptr;
    return _wfopen(win_widen(path).c_str(), win_widen(mode).c_str());
}

FILE *win_open_regular(const char *path, uint64_t *size, std::string *why)
{
    if (!path || !path[0]) {
        if (why) *why = "cannot open: no file name";
        return nullptr;
    }
    const std::wstring wide = win_widen(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (why) *why = "is a directory";
        return nullptr;
    }
    // The runtime's open, so that a failure reads as on Linux (errno).
    const int fd = _wopen(wide.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        if (why) *why = std::string("cannot open: ") + strerror(errno);
        return nullptr;
    }
    // A disk file, not a device (NUL, CON and COM1 open as devices in any
    // folder) or a pipe.
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    const DWORD type = GetFileType(h);
    LARGE_INTEGER length{};
    if (type != FILE_TYPE_DISK || !GetFileSizeEx(h, &length)) {
        if (why)
            *why = type == FILE_TYPE_PIPE   ? "is a pipe"
                   : type == FILE_TYPE_CHAR ? "is a device"
                                            : "is not a regular file";
        _close(fd);
        return nullptr;
    }
    FILE *fp = _fdopen(fd, "rb");
    if (!fp) {
        if (why) *why = std::string("cannot open: ") + strerror(errno);
        _close(fd);
        return nullptr;
    }
    if (size) *size = static_cast<uint64_t>(length.QuadPart);
    return fp;
}

namespace {

bool file_identity(const char *path, BY_HANDLE_FILE_INFORMATION *info)
{
    HANDLE h = CreateFileW(win_widen(path).c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(h, info) != 0;
    CloseHandle(h);
    return ok;
}

}  // namespace

bool win_same_file(const char *a, const char *b)
{
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!a || !b || !file_identity(a, &ia) || !file_identity(b, &ib)) return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
}

bool win_output_target(const std::string &path, std::string *target, std::string *why)
{
    const std::wstring wide = win_widen(path.c_str());
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        *target = path;  // a new file
        return true;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (why) *why = "is a directory";
        return false;
    }
    // Opened as the system opens it: through a symbolic link to the file it
    // points to, and as a device for a reserved name.
    HANDLE h = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (why) *why = "cannot write: " + win_last_error_text();
        return false;
    }
    const DWORD type = GetFileType(h);
    std::string resolved = path;
    if (type == FILE_TYPE_DISK && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        wchar_t final[32768];
        const DWORD n = GetFinalPathNameByHandleW(h, final, 32768, FILE_NAME_NORMALIZED);
        if (n > 0 && n < 32768) {
            std::wstring name(final, n);
            if (name.rfind(L"\\\\?\\", 0) == 0) name.erase(0, 4);
            resolved = win_narrow(name.c_str());
        }
    }
    CloseHandle(h);
    if (type != FILE_TYPE_DISK) {
        if (why) *why = type == FILE_TYPE_PIPE ? "is a pipe" : "is a device";
        return false;
    }
    if (GetFileAttributesW(win_widen(resolved.c_str()).c_str()) & FILE_ATTRIBUTE_READONLY) {
        if (why) *why = "cannot write: the file is read-only";
        return false;
    }
    *target = resolved;
    return true;
}

namespace {

// The temporary file being written, removed by a stop signal (Ctrl+C or
// Ctrl+Break reach the program as SIGINT) before it ends the process.
wchar_t s_tempPath[32768];
volatile sig_atomic_t s_tempHeld = 0;

extern "C" void remove_temp_and_stop(int sig)
{
    if (s_tempHeld) DeleteFileW(s_tempPath);
    signal(sig, SIG_DFL);
    raise(sig);
}

void hold_temp(const std::wstring &path)
{
    static bool installed = false;
    if (!installed) {
        for (int sig : {SIGINT, SIGTERM, SIGBREAK}) signal(sig, remove_temp_and_stop);
        installed = true;
    }
    s_tempHeld = 0;
    wcsncpy(s_tempPath, path.c_str(), 32767);
    s_tempPath[32767] = L'\0';
    s_tempHeld = 1;
}

}  // namespace

std::string win_write_beside(const std::string &target, const void *data, size_t size, std::string *error)
{
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    // A short name in the target's folder: the target's own name may already
    // take all the system allows.
    const size_t slash = target.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    unsigned seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = folder + ".pelzo-";
        for (int i = 0; i < 6; ++i) {
            seed = seed * 1103515245u + 12345u;
            temp += kChars[(seed >> 16) % (sizeof kChars - 1)];
        }
        const std::wstring wide = win_widen(temp.c_str());
        HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            if (error) *error = "cannot create a file beside it: " + win_last_error_text();
            return "";
        }
        hold_temp(wide);
        const char *bytes = static_cast<const char *>(data);
        size_t done = 0;
        bool ok = true;
        while (ok && done < size) {
            const DWORD chunk = size - done > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size - done);
            DWORD written = 0;
            ok = WriteFile(h, bytes + done, chunk, &written, nullptr) != 0 && written > 0;
            done += written;
        }
        std::string reason = ok ? "" : win_last_error_text();
        if (!CloseHandle(h) && ok) {
            ok = false;
            reason = win_last_error_text();
        }
        if (!ok) {
            if (error) *error = "cannot write: " + reason;
            win_remove_file(temp);
            return "";
        }
        return temp;
    }
    if (error) *error = "cannot create a file beside it: no free name";
    return "";
}

bool win_replace_file(const std::string &from, const std::string &to, std::string *error)
{
    if (MoveFileExW(win_widen(from.c_str()).c_str(), win_widen(to.c_str()).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (error) *error = "cannot write: " + win_last_error_text();
    return false;
}

void win_remove_file(const std::string &path) { DeleteFileW(win_widen(path.c_str()).c_str()); }

FolderState win_folder_state(const char *path, std::string *why)
{
    const std::wstring wide = win_widen(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return FolderState::Absent;
        *why = win_last_error_text();
        return FolderState::NotFolder;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *why = "is a file";
        return FolderState::NotFolder;
    }
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((wide + L"\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) {
        *why = win_last_error_text();
        return FolderState::NotFolder;
    }
    bool any = false;
    do {
        if (wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0) any = true;
    } while (!any && FindNextFileW(h, &found));
    FindClose(h);
    return any ? FolderState::HasFiles : FolderState::Empty;
}

bool win_make_folder(const char *path, std::string *why)
{
    if (CreateDirectoryW(win_widen(path).c_str(), nullptr)) return true;
    *why = win_last_error_text();
    return false;
}
