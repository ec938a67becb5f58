// SPDX-License-Identifier: MIT
// The paths pelzo-quiz names on Windows: '\' throughout, also where the path
// was given with '/' and where the tool joins a folder and a file name.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tool_run.h"

using ::testing::HasSubstr;

namespace {

// The path with Windows' separator, spelt out here rather than through the
// tool's own helper.
std::string backslashed(std::string path)
{
    for (char &c : path)
        if (c == '/') c = '\\';
    return path;
}

TEST(ToolPathsWindows, EveryPathNamedUsesBackslashes)
{
    const std::string set = std::string(PELZO_SOURCE_DIR) + "/data/samples/sample.zip";
    const std::string dir = fixture::out_path("unpacked");
    std::filesystem::remove_all(fixture::fs_path(dir));
    const std::string absent = fixture::out_path("no/such.txt");
    const struct {
        std::vector<std::string> args;
        std::string named;  // a path the output names, as given with '/'
        bool inStdout;  // named on stdout (else stderr)
    } cases[] = {
        // Joined by the tool: the folder given, then each genre file.
        {{"unpack", set, "-o", dir}, dir + "/0_", true},
        // Given and named as such.
        {{"pack", "-o", fixture::out_path("x.zip"), absent}, absent, false},
        {{"check", fixture::out_path("no/set.zip")}, fixture::out_path("no/set.zip"), false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args[0]);
        const ToolRun r = run_tool(c.args);
        const std::string &text = c.inStdout ? r.out : r.err;
        EXPECT_THAT(text, HasSubstr(backslashed(c.named)));
        // Every line naming the file names it so, with no '/' left.
        const std::string leaf = c.named.substr(c.named.rfind('/') + 1);
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);)
            if (line.find(leaf) != std::string::npos) {
                EXPECT_EQ(line.find('/'), std::string::npos) << line;
            }
    }
}

// pack expands * and ? itself, in name order, ignoring case; unpack's usage
// shows that form.
TEST(ToolPathsWindows, PackExpandsWildcardsInNameOrder)
{
    const std::string dir = fixture::out_path("genres");
    std::filesystem::remove_all(fixture::fs_path(dir));
    for (const char *name : {"1_b.TXT", "0_a.txt", "notes.csv"})
        fixture::write_file(std::string("genres/") + name, fixture::lines(fixture::genre_lines(name, 1)));
    const struct {
        std::string pattern, out;
    } cases[] = {
        {backslashed(dir) + "\\*.txt", "0\t1\t0_a.txt\n1\t1\t1_b.TXT\n"},
        {dir + "/?_b.txt", "0\t1\t1_b.TXT\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pattern);
        const ToolRun r = run_tool({"pack", "-o", fixture::out_path("globbed.zip"), c.pattern});
        EXPECT_EQ(r.exit, 0) << r.err;
        EXPECT_EQ(r.out, c.out);
    }
    EXPECT_THAT(run_tool({"unpack", "--help"}).out, HasSubstr("pack -o SET DIR\\*.txt"));
}

}  // namespace
