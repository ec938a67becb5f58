// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Starts the real game headless (dummy video and audio drivers), lets it run,
// sends SIGTERM and returns its wait status, or -1 when it did not end in time.
int run_and_terminate(const char *arg, int runMillis)
{
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        const char *exe = PELZO_BINARY_DIR "/pelzowin";
        if (arg)
            execl(exe, exe, arg, static_cast<char *>(nullptr));
        else
            execl(exe, exe, static_cast<char *>(nullptr));
        _exit(127);
    }
    usleep(static_cast<useconds_t>(runMillis) * 1000);
    kill(pid, SIGTERM);
    for (int i = 0; i < 500; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return status;
        usleep(10 * 1000);
    }
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    return -1;
}

TEST(Process, SigtermEndsTheGameWithExitCodeZero)
{
    const int status = run_and_terminate(nullptr, 1500);
    ASSERT_NE(status, -1) << "the game did not end within 5 s of SIGTERM";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Process, MutedExitsCleanlyToo)
{
    const int status = run_and_terminate("-mute", 800);
    ASSERT_NE(status, -1);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
