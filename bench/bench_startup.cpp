// SPDX-License-Identifier: MIT
// Start-up to the first presented frame, headless, in a fresh process each
// time: exec, dynamic linking, app_startup (window, icon, logo, audio, font,
// sounds, the opening jingle) and one app_frame.
//
// Measured: from fork to the child's word that its first frame is presented,
// and the part of it spent inside main. Reference, timed in the same loop:
// the same program started to do nothing, the cost of a process start alone.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app.h"
#include "bench_support.h"
#include "headless.h"

namespace {

constexpr double kGoalMs = 250.0;

// Starts this program as a child in `mode`; returns the milliseconds until it
// writes its report, or -1. *inProcess receives the milliseconds the child
// spent from entering main to its report.
double time_child(const char *mode, double *inProcess)
{
    int fds[2];
    if (pipe(fds) != 0) return -1.0;
    const double t0 = bench::now_ms();
    const pid_t pid = fork();
    if (pid < 0) return -1.0;
    if (pid == 0) {
        close(fds[0]);
        char fd[16];
        snprintf(fd, sizeof fd, "%d", fds[1]);
        execl("/proc/self/exe", "bench_startup", mode, fd, static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    double report = 0.0;
    const bool got = read(fds[0], &report, sizeof report) == static_cast<ssize_t>(sizeof report);
    *inProcess = report;
    const double t1 = bench::now_ms();
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1.0;
    return t1 - t0;
}

void BM_StartupToFirstFrame(benchmark::State &state)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    double startMs = 0.0, refMs = 0.0, mainMs = 0.0;
    for (auto _ : state) {
        double inMain = 0.0, unused = 0.0;
        const double ms = time_child("--startup-child", &inMain);
        const double ref = time_child("--noop-child", &unused);
        mainMs += inMain;
        if (ms < 0.0 || ref < 0.0) {
            state.SkipWithError("the child process failed");
            return;
        }
        startMs += ms;
        refMs += ref;
        state.SetIterationTime(ms / 1000.0);
    }
    bench::set_time_counters(state, startMs, refMs);
    state.counters["main_ms"] = mainMs / static_cast<double>(state.iterations());
    state.counters["goal_ms"] = kGoalMs;
}
BENCHMARK(BM_StartupToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// The child: start the game headless, present one frame, report how long
// that took inside main, shut down.
int run_child(bool startGame, int fd)
{
    const double t0 = bench::now_ms();
    if (startGame) {
        HeadlessEnable();
        char name[] = "pelzowin";
        char *argv[] = {name, nullptr};
        app_startup(1, argv);
        app_frame();
        if (HeadlessFrameCount() != 1) return 1;
    }
    const double report = bench::now_ms() - t0;
    if (write(fd, &report, sizeof report) != static_cast<ssize_t>(sizeof report)) return 1;
    close(fd);
    if (startGame) app_shutdown();
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && (strcmp(argv[1], "--startup-child") == 0 || strcmp(argv[1], "--noop-child") == 0))
        return run_child(strcmp(argv[1], "--startup-child") == 0, atoi(argv[2]));
    return bench::run_benchmarks(argc, argv);
}
