// SPDX-License-Identifier: MIT
// pack's reading of a genre source keeps no more than the largest genre can
// hold: a file of many short lines, rows or cells is refused after that many,
// with memory that does not grow with the file. Measured in a forked child
// through the kernel's peak resident set, which the child resets first.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "genre_source.h"
#include "tool_run.h"

namespace {

long long status_kib(const char *field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(in, line))
        if (line.compare(0, key.size(), key) == 0) return std::stoll(line.substr(key.size()));
    return -1;
}

// Reads `path` as pack does in a child; its exit status is the growth of its
// peak resident set in MiB (capped), or 255 when the source was not refused
// with `reason`.
int growth_mib_reading(const std::string &path, const std::string &reason)
{
    const pid_t pid = fork();
    if (pid == 0) {
        FILE *reset = fopen("/proc/self/clear_refs", "w");
        if (!reset || fputs("5", reset) < 0 || fclose(reset) != 0) _exit(254);
        const long long before = status_kib("VmRSS");
        GenreSource g;
        std::vector<std::string> problems;
        const bool ok = read_genre_source(path, PackFormat::Pzq, "", g, problems);
        const long long grown = (status_kib("VmHWM") - before) / 1024;
        if (ok || problems.empty() || problems[0].find(reason) == std::string::npos) _exit(255);
        _exit(static_cast<int>(grown < 250 ? grown : 250));
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

}  // namespace

TEST(GenreSourceMemory, ManySmallLinesRowsOrCellsAreRefusedWithinBoundedMemory)
{
    // 2 MiB lines of "a": 350,000 more than a genre holds. Read whole, they
    // took over 400 MiB.
    std::string lines;
    for (int k = 0; k < (2 << 20); ++k) lines += "a\n";
    const struct {
        const char *name;
        std::string data;
        const char *reason;
    } cases[] = {
        {"many_lines.txt", lines, "more than 196,609 lines"},
        {"many_rows.csv", lines, "more than 32,768 rows that are not empty"},
        {"many_cells.csv", std::string(4 << 20, ','), "more than 100 cells in one row"},
    };
    for (const auto &c : cases) {
        const std::string path = fixture::write_file(c.name, c.data);
        const int grown = growth_mib_reading(path, c.reason);
        EXPECT_GE(grown, 0) << c.name;
        EXPECT_LT(grown, 100) << c.name;
    }
}
