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

}  // namespace
