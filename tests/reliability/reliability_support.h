// SPDX-License-Identifier: MIT
// Helpers of the reliability tests: private output folders, memory readings
// of this process, and running one load in a child process whose peak memory
// and exit can be read back without risking this one.
#pragma once

#include <gtest/gtest.h>
#include <malloc.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/select.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "child_pipe.h"

namespace rel {

// AddressSanitizer's quarantine and shadow memory make the heap and RSS
// readings of the instrumented build meaningless for growth checks.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// A folder of this test's own under the test output: tests run in parallel
// processes and never share a file.
inline std::string out_dir()
{
    std::string dir = std::string(PELZO_TEST_OUT) + "/reliability";
    mkdir(dir.c_str(), 0755);
    const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (info) {
        dir += "/" + std::string(info->test_suite_name()) + "." + info->name();
        mkdir(dir.c_str(), 0755);
    }
    return dir + "/";
}

inline std::string write_file(const std::string &name, const std::string &bytes)
{
    const std::string path = out_dir() + name;
    FILE *fp = fopen(path.c_str(), "wb");
    EXPECT_NE(fp, nullptr) << path;
    if (fp) {
        EXPECT_EQ(fwrite(bytes.data(), 1, bytes.size(), fp), bytes.size()) << path;
        fclose(fp);
    }
    return path;
}

inline std::string read_whole(const std::string &path)
{
    std::string out;
    if (FILE *fp = fopen(path.c_str(), "rb")) {
        char buf[65536];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, fp)) > 0) out.append(buf, n);
        fclose(fp);
    }
    return out;
}

// Resident set of this process in bytes, from /proc/self/statm.
inline long long rss_bytes()
{
    long long pages = 0, resident = 0;
    if (FILE *fp = fopen("/proc/self/statm", "r")) {
        if (fscanf(fp, "%lld %lld", &pages, &resident) != 2) resident = 0;
        fclose(fp);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

// Bytes the C heap has handed out and not had back (small and mapped blocks).
inline long long heap_in_use()
{
    const struct mallinfo2 mi = mallinfo2();
    return static_cast<long long>(mi.uordblks) + static_cast<long long>(mi.hblkhd);
}

constexpr long long kMiB = 1024 * 1024;

struct ChildRun {
    bool finished = false;  // exited by itself within the time allowed
    int exitCode = -1;  // when finished
    int signal = 0;  // when killed by a signal
    std::string report;  // what the child wrote to its pipe
    long long peakRssBytes = 0;  // the child's peak resident set
    long long startRssBytes = 0;
};

// Runs `body(fd)` in a forked child, which writes its report to fd and then
// ends with _exit(0). The child is killed after `seconds` (a hang fails the
// test instead of stalling the suite). Its peak resident set comes from wait4.
template <class Body>
ChildRun run_in_child(Body body, int seconds = 120)
{
    ChildRun run;
    int fd = -1;
    const pid_t pid = fork_with_pipe(&fd);
    if (pid < 0) return run;
    if (pid == 0) {
        const long long start = rss_bytes();
        if (write(fd, &start, sizeof start) != sizeof start) _exit(3);
        body(fd);
        close(fd);
        _exit(0);
    }
    std::string bytes;
    for (int waited = 0;; ++waited) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        timeval tv{1, 0};
        const int ready = select(fd + 1, &set, nullptr, nullptr, &tv);
        if (ready > 0) {
            char chunk[4096];
            const ssize_t n = read(fd, chunk, sizeof chunk);
            if (n <= 0) break;  // the child closed its end: it is ending
            bytes.append(chunk, static_cast<size_t>(n));
        } else if (ready < 0 && errno != EINTR) {
            break;
        }
        if (waited >= seconds) {
            kill(pid, SIGKILL);
            break;
        }
    }
    close(fd);
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) == pid) {
        run.peakRssBytes = static_cast<long long>(usage.ru_maxrss) * 1024;
        if (WIFEXITED(status)) {
            run.finished = true;
            run.exitCode = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            run.signal = WTERMSIG(status);
        }
    }
    if (bytes.size() >= sizeof(long long)) {
        memcpy(&run.startRssBytes, bytes.data(), sizeof(long long));
        run.report = bytes.substr(sizeof(long long));
    }
    return run;
}

inline void write_text(int fd, const std::string &text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

}  // namespace rel
