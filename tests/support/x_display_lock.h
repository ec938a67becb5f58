// SPDX-License-Identifier: MIT
// Tests that drive windows on the X server with xdotool take turns: keys and
// clicks go to whichever window has the focus, so two such tests at once
// (ctest runs tests in parallel) would take each other's. A file lock in the
// test output folder, held for a test's length, makes them run one at a time.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

class XDisplayLock {
public:
    XDisplayLock()
    {
        // Close-on-exec: a game started by the test does not hold the lock.
        fd_ = open(PELZO_TEST_OUT "/x-display.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0644);
        if (fd_ >= 0) flock(fd_, LOCK_EX);
    }
    ~XDisplayLock()
    {
        if (fd_ >= 0) close(fd_);
    }
    XDisplayLock(const XDisplayLock &) = delete;
    XDisplayLock &operator=(const XDisplayLock &) = delete;

private:
    int fd_ = -1;
};
