// SPDX-License-Identifier: MIT
// console_probe: what a Windows console shows of a program's output, for the
// Wine tests (tests/wine/tool_console.sh).
//
//   console_probe --show OUT.txt PROGRAM ARGS...
//       runs PROGRAM in a console of its own (stdout and stderr the console,
//       stdin too) and writes what the console's screen then holds to
//       OUT.txt, in UTF-8: one line per screen row, trailing blanks removed,
//       trailing empty rows left out. Exits with PROGRAM's exit code.
//   console_probe --write-pieces
//       the writer: text with Japanese characters written the way the
//       runtime may write it, a byte at a time to stdout and in pieces cut
//       inside characters to stderr, after sys_stdio_utf8.
//   console_probe --write-then-stop
//       writes kStopLines numbered lines after sys_stdio_utf8, then sends
//       its console Ctrl+C at once, as a user stopping it would, and waits
//       to be ended by it (exit code 3 when it is not, within 10 s).
#include <windows.h>
#include <shellapi.h>

#include <io.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "run_process.h"
#include "sys.h"
#include "wide.h"

namespace {

const char kOut[] = "出力: 日本語のテキスト\n";
const char kErr[] = "エラー: 問題セット\n";

int write_pieces()
{
    sys_stdio_utf8();
    for (const char *p = kOut; *p; ++p) _write(_fileno(stdout), p, 1);
    // Pieces of 2 bytes: every 3-byte character is cut once.
    for (size_t i = 0; i < sizeof kErr - 1; i += 2) fwrite(kErr + i, 1, i + 2 < sizeof kErr - 1 ? 2 : 1, stderr);
    return 0;
}

constexpr int kStopLines = 400;

int write_then_stop()
{
    sys_stdio_utf8();
    for (int i = 1; i <= kStopLines; ++i) printf("line %d of %d: 日本語\n", i, kStopLines);
    if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) return 125;
    Sleep(10000);
    return 3;
}

// The probe stays to read the screen when the program it runs is stopped.
BOOL WINAPI outlive_stop(DWORD) { return TRUE; }

int show(int argc, wchar_t **argv)
{
    FreeConsole();
    if (!AllocConsole()) {
        fprintf(stderr, "console_probe: no console: %lu\n", GetLastError());
        return 125;
    }
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
    HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                            OPEN_EXISTING, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE || in == INVALID_HANDLE_VALUE) return 125;
    // Rows enough for everything a writer here prints, none scrolled away.
    SetConsoleScreenBufferSize(out, COORD{100, 1000});
    SetConsoleCtrlHandler(outlive_stop, TRUE);
    std::wstring command;
    for (int i = 3; i < argc; ++i) {
        if (i > 3) command += L' ';
        append_quoted(command, argv[i]);
    }
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = out;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return 125;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 125;
    GetExitCodeProcess(pi.hProcess, &code);

    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(out, &info)) return 125;
    std::string screen, pending;
    for (SHORT row = 0; row < info.dwSize.Y; ++row) {
        std::wstring line(static_cast<size_t>(info.dwSize.X), L' ');
        DWORD read = 0;
        ReadConsoleOutputCharacterW(out, line.data(), static_cast<DWORD>(line.size()), COORD{0, row}, &read);
        line.resize(read);
        while (!line.empty() && (line.back() == L' ' || line.back() == L'\0')) line.pop_back();
        // Empty rows count only when a written one follows.
        pending += win_narrow(line.c_str()) + "\n";
        if (!line.empty()) {
            screen += pending;
            pending.clear();
        }
    }
    FILE *file = _wfopen(argv[2], L"wb");
    if (!file) return 125;
    fwrite(screen.data(), 1, screen.size(), file);
    fclose(file);
    return static_cast<int>(code);
}

}  // namespace

int main()
{
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc == 2 && wcscmp(argv[1], L"--write-pieces") == 0) return write_pieces();
    if (argc == 2 && wcscmp(argv[1], L"--write-then-stop") == 0) return write_then_stop();
    if (argc >= 4 && wcscmp(argv[1], L"--show") == 0) return show(argc, argv);
    fputs(
        "usage: console_probe --show OUT.txt PROGRAM ARGS... | console_probe --write-pieces | console_probe "
        "--write-then-stop\n",
        stderr);
    return 2;
}
