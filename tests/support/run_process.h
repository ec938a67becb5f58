// SPDX-License-Identifier: MIT
// Runs a built program as a separate process, with stdout and stderr sent to
// files, and waits for it, at most kRunSeconds (a program that hangs is
// killed and reported as such): posix_spawn on Linux, CreateProcessW on
// Windows (arguments are UTF-8 either way, so names outside any code page
// pass through).
#pragma once

#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char **environ;
#endif

// A program still running after this long is killed: exit code -2. Long
// enough for the largest set the tool tests pack (32,767 questions) under
// Wine on a loaded 2-core machine, where it has taken over a minute.
constexpr int kRunSeconds = 300;

// The file name of a program built into the build folder: "pelzo-quiz" or
// "pelzo-quiz.exe".
inline std::string built_program(const std::string &name)
{
#ifdef _WIN32
    return std::string(PELZO_BINARY_DIR) + "/" + name + ".exe";
#else
    return std::string(PELZO_BINARY_DIR) + "/" + name;
#endif
}

#ifdef _WIN32

inline std::wstring widen_utf8(const std::string &s)
{
    if (s.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), out.data(), n);
    return out;
}

// One argument quoted so that CommandLineToArgvW gives it back unchanged:
// backslashes double only where a quote follows them.
inline void append_quoted(std::wstring &line, const std::wstring &arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += arg;
        return;
    }
    line += L'"';
    size_t slashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        line.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
        slashes = 0;
        line += c;
    }
    line.append(2 * slashes, L'\\');
    line += L'"';
}

// Exit code, -1 when the program could not be started, -2 when it was killed
// for running too long.
inline int run_process(const std::string &program, const std::vector<std::string> &args, const std::string &outPath,
                       const std::string &errPath)
{
    std::wstring line;
    append_quoted(line, widen_utf8(program));
    for (const std::string &a : args) {
        line += L' ';
        append_quoted(line, widen_utf8(a));
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE out = CreateFileW(widen_utf8(outPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE err = CreateFileW(widen_utf8(errPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi{};
    int code = -1;
    if (CreateProcessW(widen_utf8(program).c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                       &pi)) {
        if (WaitForSingleObject(pi.hProcess, kRunSeconds * 1000) == WAIT_OBJECT_0) {
            DWORD exitCode = 0;
            if (GetExitCodeProcess(pi.hProcess, &exitCode)) code = int(exitCode);
        } else {
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, INFINITE);
            code = -2;
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
    return code;
}

#else

// Exit code, 128 + the signal when one ended it, -1 when the program could
// not be started, -2 when it was killed for running too long.
inline int run_process(const std::string &program, const std::vector<std::string> &args, const std::string &outPath,
                       const std::string &errPath)
{
    std::vector<char *> argv{const_cast<char *>(program.c_str())};
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int code = -1;
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &fa, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        bool ended = false;
        for (int waited = 0; waited < kRunSeconds * 100 && !ended; ++waited) {
            ended = waitpid(pid, &status, WNOHANG) == pid;
            if (!ended) usleep(10 * 1000);
        }
        if (ended) {
            code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        } else {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            code = -2;
        }
    }
    posix_spawn_file_actions_destroy(&fa);
    return code;
}

#endif
