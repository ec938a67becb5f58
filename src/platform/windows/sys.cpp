// SPDX-License-Identifier: MIT
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
#include <string>
#include <vector>

#include "wide.h"

char **sys_utf8_argv(int argc, char **argv, int *utf8Argc)
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

namespace {

// The length of the longest prefix of the n bytes at p that does not end
// inside a UTF-8 character still incomplete: a lead byte followed by fewer
// continuation bytes than it announces. Bytes that can begin no character
// are not held back; the converter shows them as U+FFFD.
size_t whole_characters(const char *p, size_t n)
{
    for (size_t back = 1; back <= 3 && back <= n; ++back) {
        const auto b = static_cast<unsigned char>(p[n - back]);
        if ((b & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        const size_t length = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 1;
        return length > back ? n - back : n;
    }
    return n;
}

// Text written to stdout or stderr while they are a console goes through a
// pipe to a thread that hands the console whole characters as UTF-16: the
// runtime writes a line in pieces as it pleases (a byte at a time, or cut at
// its buffer's end), and a console given UTF-8 bytes shows each piece of a
// character cut apart as U+FFFD.
struct ConsoleRelay {
    HANDLE console = nullptr;  // where the text goes
    HANDLE pipe = nullptr;  // the pipe's reading end
    HANDLE thread = nullptr;
    bool out = false, err = false;  // which streams write into the pipe
};
ConsoleRelay s_relay;

DWORD WINAPI relay_to_console(void *)
{
    char bytes[4096 + 3];
    size_t held = 0;  // the start of a character cut by the last read
    std::wstring text;
    for (;;) {
        DWORD got = 0;
        const bool more = ReadFile(s_relay.pipe, bytes + held, 4096, &got, nullptr) && got > 0;
        const size_t total = held + got;
        // At the end, what is held is written too (as U+FFFD).
        const size_t whole = more ? whole_characters(bytes, total) : total;
        if (whole > 0) {
            const int units = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(whole), nullptr, 0);
            text.resize(static_cast<size_t>(units > 0 ? units : 0));
            if (units > 0) MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(whole), text.data(), units);
            for (size_t done = 0; done < text.size();) {
                DWORD written = 0;
                if (!WriteConsoleW(s_relay.console, text.data() + done, static_cast<DWORD>(text.size() - done),
                                   &written, nullptr) ||
                    written == 0)
                    break;
                done += written;
            }
        }
        held = total - whole;
        memmove(bytes, bytes + whole, held);
        if (!more) return 0;
    }
}

// At exit: everything written reaches the console before the process ends.
void finish_relay()
{
    fflush(stdout);
    fflush(stderr);
    // Closing every writing end ends the thread's reading.
    _close(_fileno(stdout));
    _close(_fileno(stderr));
    WaitForSingleObject(s_relay.thread, INFINITE);
}

// How long a stop waits for the relay to write what the pipe holds. A
// console whose output is paused (a selection being made in it) takes
// nothing, and the stop must still come.
constexpr DWORD kStopWaitMs = 2000;

// Points the relayed streams at NUL, which closes the pipe's writing ends.
// The runtime switches a descriptor only between writes: a write in
// progress finishes into the pipe, and a later one goes nowhere. (Closed
// instead, the descriptors could be taken by the next file opened.)
DWORD WINAPI close_relayed_streams(void *)
{
    const int nul = _open("NUL", _O_WRONLY | _O_BINARY);
    if (nul < 0) return 1;
    if (s_relay.out) _dup2(nul, _fileno(stdout));
    if (s_relay.err) _dup2(nul, _fileno(stderr));
    _close(nul);
    return 0;
}

// Before a stop ends the process: the streams stop writing into the pipe,
// so that the relay ends once it has written everything already written,
// and that is waited for. The switch runs on a thread of its own, as it
// waits for a write in progress, which waits for the relay: the wait stays
// bounded however stuck the console is.
void drain_relay()
{
    static volatile LONG draining = 0;
    if (!s_relay.thread) return;
    if (InterlockedExchange(&draining, 1) == 0) {
        if (HANDLE closer = CreateThread(nullptr, 0, close_relayed_streams, nullptr, 0, nullptr)) CloseHandle(closer);
    }
    WaitForSingleObject(s_relay.thread, kStopWaitMs);
}

// Ctrl+C, Ctrl+Break and closing the console's window end the process
// through the system's own handler (ExitProcess), which neither runs the
// exit handlers nor lets the relay finish: text still in the pipe would be
// lost. This handler runs first, on a thread the system starts for it.
BOOL WINAPI relay_on_stop(DWORD event)
{
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) drain_relay();
    return FALSE;  // the system's handler then ends the process
}

bool is_console(HANDLE h)
{
    DWORD mode;
    return h && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode);
}

}  // namespace

void sys_stdio_utf8()
{
    fflush(stdout);
    fflush(stderr);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // A pipe or a file gets the bytes as they are.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE), err = GetStdHandle(STD_ERROR_HANDLE);
    const bool outConsole = is_console(out), errConsole = is_console(err);
    if (!outConsole && !errConsole) return;
    // One pipe for both, so that the console shows them in the order written.
    HANDLE reading, writing;
    if (!CreatePipe(&reading, &writing, nullptr, 0)) return;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(writing), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(reading);
        CloseHandle(writing);
        return;
    }
    // A handle of its own: the streams' handles close as they are replaced.
    if (!DuplicateHandle(GetCurrentProcess(), outConsole ? out : err, GetCurrentProcess(), &s_relay.console, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        _close(fd);
        CloseHandle(reading);
        return;
    }
    s_relay.pipe = reading;
    s_relay.thread = CreateThread(nullptr, 0, relay_to_console, nullptr, 0, nullptr);
    if (!s_relay.thread) {
        _close(fd);
        CloseHandle(reading);
        CloseHandle(s_relay.console);
        return;
    }
    s_relay.out = outConsole;
    s_relay.err = errConsole;
    for (FILE *stream : {stdout, stderr}) {
        if (!is_console(stream == stdout ? out : err)) continue;
        _dup2(fd, _fileno(stream));
        // Written through at once, as to the console: a buffer would hold
        // stdout back behind stderr.
        setvbuf(stream, nullptr, _IONBF, 0);
    }
    _close(fd);
    atexit(finish_relay);
    SetConsoleCtrlHandler(relay_on_stop, TRUE);
}

std::string sys_program_folder()
{
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (n == 0 || n >= path.size()) return std::string();
    path.resize(n);
    const size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::string() : win_narrow(path.substr(0, cut + 1).c_str());
}

std::string sys_display_path(const std::string &path)
{
    std::string shown = path;
    for (char &c : shown)
        if (c == '/') c = '\\';
    return shown;
}

FILE *sys_fopen(const char *path, const char *mode)
{
    if (!path || !mode || !path[0]) return nullptr;
    return _wfopen(win_widen(path).c_str(), win_widen(mode).c_str());
}

FILE *sys_open_regular(const char *path, uint64_t *size, std::string *why)
{
    if (!path || !path[0]) {
        if (why) *why = sys_text("cannot open: no file name");
        return nullptr;
    }
    const std::wstring wide = win_widen(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (why) *why = sys_text("is a directory");
        return nullptr;
    }
    // The runtime's open, so that a failure reads as on Linux (errno).
    const int fd = _wopen(wide.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        if (why) *why = sys_message("cannot open: %s", strerror(errno));
        return nullptr;
    }
    // A disk file, not a device (NUL, CON and COM1 open as devices in any
    // folder) or a pipe.
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    const DWORD type = GetFileType(h);
    LARGE_INTEGER length{};
    if (type != FILE_TYPE_DISK || !GetFileSizeEx(h, &length)) {
        if (why)
            *why = type == FILE_TYPE_PIPE   ? sys_text("is a pipe")
                   : type == FILE_TYPE_CHAR ? sys_text("is a device")
                                            : sys_text("is not a regular file");
        _close(fd);
        return nullptr;
    }
    FILE *fp = _fdopen(fd, "rb");
    if (!fp) {
        if (why) *why = sys_message("cannot open: %s", strerror(errno));
        _close(fd);
        return nullptr;
    }
    if (size) *size = static_cast<uint64_t>(length.QuadPart);
    return fp;
}

namespace {

// The identity of what a wide path names, through a symbolic link or, with
// FILE_FLAG_OPEN_REPARSE_POINT in `flags`, of the link itself.
bool file_identity(const std::wstring &path, DWORD flags, BY_HANDLE_FILE_INFORMATION *info)
{
    HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(h, info) != 0;
    CloseHandle(h);
    return ok;
}

bool same_identity(const BY_HANDLE_FILE_INFORMATION &a, const BY_HANDLE_FILE_INFORMATION &b)
{
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace

bool sys_same_file(const char *a, const char *b)
{
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!a || !b || !a[0] || !b[0] || !file_identity(win_widen(a), 0, &ia) || !file_identity(win_widen(b), 0, &ib))
        return false;
    return same_identity(ia, ib);
}

bool sys_output_target(const std::string &path, std::string *target, std::string *why)
{
    const std::wstring wide = win_widen(path.c_str());
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        *target = path;  // a new file
        return true;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (why) *why = sys_text("is a directory");
        return false;
    }
    // Opened as the system opens it: through a symbolic link to the file it
    // points to, and as a device for a reserved name.
    HANDLE h = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (why) *why = sys_message("cannot write: %s", win_last_error_text().c_str());
        return false;
    }
    const DWORD type = GetFileType(h);
    std::string resolved = path;
    if (type == FILE_TYPE_DISK && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        wchar_t final[32768];
        const DWORD n = GetFinalPathNameByHandleW(h, final, 32768, FILE_NAME_NORMALIZED);
        if (n > 0 && n < 32768) {
            resolved = win_narrow(win_plain_path(std::wstring(final, n)).c_str());
        }
    }
    CloseHandle(h);
    if (type != FILE_TYPE_DISK) {
        if (why) *why = type == FILE_TYPE_PIPE ? sys_text("is a pipe") : sys_text("is a device");
        return false;
    }
    if (GetFileAttributesW(win_widen(resolved.c_str()).c_str()) & FILE_ATTRIBUTE_READONLY) {
        if (why) *why = sys_text("cannot write: the file is read-only");
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
    // The runtime's handler, which this is, stops the process before the
    // relay's own would run.
    drain_relay();
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

// A fresh short name for a temporary file, ".pelzo-" and random letters;
// *seed moves on for the next try.
std::string temp_name(unsigned *seed)
{
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = ".pelzo-";
    for (int i = 0; i < 8; ++i) {
        *seed = *seed * 1103515245u + 12345u;
        name += kChars[(*seed >> 16) % (sizeof kChars - 1)];
    }
    return name;
}

// Writes all of data to h and closes it. False with the system's reason.
bool write_and_close(HANDLE h, const void *data, size_t size, std::string *reason)
{
    const char *bytes = static_cast<const char *>(data);
    size_t done = 0;
    bool ok = true;
    while (ok && done < size) {
        const DWORD chunk = size - done > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size - done);
        DWORD written = 0;
        ok = WriteFile(h, bytes + done, chunk, &written, nullptr) != 0 && written > 0;
        done += written;
    }
    if (!ok) *reason = win_last_error_text();
    if (!CloseHandle(h) && ok) {
        ok = false;
        *reason = win_last_error_text();
    }
    return ok;
}

}  // namespace

std::string sys_write_beside(const std::string &target, const void *data, size_t size, std::string *error)
{
    // A short name in the target's folder: the target's own name may already
    // take all the system allows.
    const size_t slash = target.find_last_of("/\\");
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    unsigned seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = folder + temp_name(&seed);
        const std::wstring wide = win_widen(temp.c_str());
        HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            if (error) *error = sys_message("cannot create a file beside it: %s", win_last_error_text().c_str());
            return "";
        }
        hold_temp(wide);
        std::string reason;
        if (!write_and_close(h, data, size, &reason)) {
            if (error) *error = sys_message("cannot write: %s", reason.c_str());
            sys_remove_file(temp);
            return "";
        }
        return temp;
    }
    if (error) *error = sys_text("cannot create a file beside it: no free name");
    return "";
}

bool sys_replace_file(const std::string &from, const std::string &to, std::string *error)
{
    if (MoveFileExW(win_widen(from.c_str()).c_str(), win_widen(to.c_str()).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (error) *error = sys_message("cannot write: %s", win_last_error_text().c_str());
    return false;
}

void sys_remove_file(const std::string &path) { DeleteFileW(win_widen(path.c_str()).c_str()); }

bool sys_open_out_folder(const char *path, OutFolder *folder, std::string *why)
{
    const std::wstring wide = win_widen(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) {
            *why = win_last_error_text();
            return false;
        }
        if (!CreateDirectoryW(wide.c_str(), nullptr)) {
            *why = sys_message("cannot create the folder: %s", win_last_error_text().c_str());
            return false;
        }
        // Made just now: a link someone put in its place is not followed.
        flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *why = sys_text("is a file");
        return false;
    }
    // Held open without FILE_SHARE_DELETE: while it is, nobody can rename or
    // remove the folder and put another (or a link) in its place.
    HANDLE h = CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *why = win_last_error_text();
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        ((flags & FILE_FLAG_OPEN_REPARSE_POINT) && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))) {
        *why = sys_text("is not a folder");
        CloseHandle(h);
        return false;
    }
    // Files are made by the opened folder's own path, not through the path
    // given, whose parts could be links.
    wchar_t final[32768];
    const DWORD n = GetFinalPathNameByHandleW(h, final, 32768, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    folder->opened = n > 0 && n < 32768 ? win_narrow(std::wstring(final, n).c_str()) : std::string(path);
    folder->handle = reinterpret_cast<intptr_t>(h);
    folder->prefix = path;
    if (folder->prefix.empty() || (folder->prefix.back() != '/' && folder->prefix.back() != '\\'))
        folder->prefix += '\\';
    return true;
}

void sys_close_out_folder(OutFolder *folder)
{
    if (folder->handle != -1) CloseHandle(reinterpret_cast<HANDLE>(folder->handle));
    folder->handle = -1;
}

namespace {

std::wstring in_folder(const OutFolder &folder, const std::string &name)
{
    return win_widen(folder.opened.c_str()) + L"\\" + win_widen(name.c_str());
}

// Creates the file at a wide path exclusively, never through a link there,
// and holds it for the stop signals.
HANDLE create_held(const std::wstring &path)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h != INVALID_HANDLE_VALUE) hold_temp(path);
    return h;
}

}  // namespace

std::vector<std::string> sys_out_folder_entries(const OutFolder &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(in_folder(folder, "*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0)
            names.push_back(win_narrow(found.cFileName));
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return names;
}

bool sys_write_in_folder(const OutFolder &folder, const std::string &name, const void *data, size_t size, bool replace,
                         std::string *why)
{
    const std::wstring target = in_folder(folder, name);
    std::wstring made = target;
    HANDLE h = INVALID_HANDLE_VALUE;
    if (!replace) {
        h = create_held(made);
    } else {
        // A fresh name beside it; tried again while someone else has it.
        unsigned seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
        for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
            made = in_folder(folder, temp_name(&seed));
            h = create_held(made);
            if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
        }
    }
    if (h == INVALID_HANDLE_VALUE) {
        *why = sys_message("cannot create: %s", win_last_error_text().c_str());
        return false;
    }
    std::string reason;
    bool ok = write_and_close(h, data, size, &reason);
    // MoveFileEx replaces the name itself: a link there is not followed.
    if (ok && replace &&
        !MoveFileExW(made.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        reason = win_last_error_text();
    }
    if (!ok) {
        *why = sys_message("cannot write: %s", reason.c_str());
        DeleteFileW(made.c_str());
    }
    s_tempHeld = 0;
    return ok;
}

bool sys_out_folder_holds(const OutFolder &folder, const std::string &name, const char *file)
{
    BY_HANDLE_FILE_INFORMATION there, info;
    return file && file[0] && file_identity(win_widen(file), 0, &info) &&
           file_identity(in_folder(folder, name), FILE_FLAG_OPEN_REPARSE_POINT, &there) && same_identity(there, info);
}
