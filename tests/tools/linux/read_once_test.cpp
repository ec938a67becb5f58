// SPDX-License-Identifier: MIT
// check and dump read a set once: what they say of it (its genres, the
// warnings after a load, the reasons of a failed one) all comes from that
// one reading, never from a second look at a file that may have changed.
// The kernel counts the opens (inotify; closes are watched too, since it
// merges an event into an identical one just before it).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tool_run.h"

namespace {

// How often `path` is opened while pelzo-quiz runs `command` on it.
int opens_during(const char *command, const std::string &path)
{
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0 || inotify_add_watch(fd, path.c_str(), IN_OPEN | IN_CLOSE) < 0) return -1;
    run_tool({command, path});
    int opens = 0;
    alignas(inotify_event) char buf[4096];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) {
        for (ssize_t at = 0; at < n;) {
            const auto *e = reinterpret_cast<const inotify_event *>(buf + at);
            opens += (e->mask & IN_OPEN) != 0;
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
    close(fd);
    return opens;
}

}  // namespace

TEST(ToolReadsOnce, EachCommandOpensTheSetOnce)
{
    const fixture::Bytes good = fixture::lines(fixture::genre_lines("G", 1));
    std::vector<std::string> eight = fixture::genre_lines("B", 1);
    eight.push_back("extra");
    const struct {
        const char *name;
        std::vector<fixture::ZipMember> members;
    } cases[] = {
        {"once_good.zip", {{"qtext_0.txt", good}}},
        {"once_utf8.zip",
         {{"qtext_0.txt", good}, {"qtext_1.txt", fixture::lines({"歴史", "Q", "a", "b", "c", "d", "e"})}}},
        {"once_bad.zip", {{"qtext_0.txt", good}, {"qtext_1.txt", fixture::lines(eight)}}},
    };
    for (const auto &c : cases) {
        const std::string path = fixture::write_file(c.name, fixture::zip_archive(c.members));
        for (const char *command : {"check", "dump"})
            EXPECT_EQ(opens_during(command, path), 1) << c.name << " " << command;
    }
}
