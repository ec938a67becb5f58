// SPDX-License-Identifier: MIT
// Forks a child process with a pipe from it to this one, for tests that run
// something in a child and read its answer back; and a shell command's output.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <string>

// In the child (0 returned) *fd is the pipe's write end; in this process
// (the child's pid returned) it is the read end. The other end is closed on
// each side. Returns -1, with nothing left open, when there is no pipe or no
// child. Buffered output is flushed first, so the child does not write it a
// second time.
inline pid_t fork_with_pipe(int *fd)
{
    int fds[2];
    if (pipe(fds) != 0) return -1;
    fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return -1;
    }
    if (pid == 0) {
        close(fds[0]);
        *fd = fds[1];
    } else {
        close(fds[1]);
        *fd = fds[0];
    }
    return pid;
}

// What a shell command writes to stdout ("" when it cannot run).
inline std::string run_capture(const std::string &command)
{
    std::string out;
    if (FILE *p = popen(command.c_str(), "r")) {
        char chunk[512];
        while (fgets(chunk, sizeof chunk, p)) out += chunk;
        pclose(p);
    }
    return out;
}
