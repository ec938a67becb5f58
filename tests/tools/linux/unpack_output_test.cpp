// SPDX-License-Identifier: MIT
// Where `unpack` writes on Linux: only inside the folder it opened, never
// through a name that appears after the folder was found empty, a backslash
// is part of a name, new files get 0666 less the umask, and a failed
// standard output is a failure.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "sys.h"
#include "tool_run.h"

using ::testing::HasSubstr;

namespace {

const std::string kSet = std::string(PELZO_SOURCE_DIR) + "/data/samples/sample.zip";

std::string fresh_dir(const std::string &name)
{
    const std::string dir = fixture::out_path(name);
    std::filesystem::remove_all(dir);
    mkdir(dir.c_str(), 0755);
    return dir;
}

// The name of genre 0's text file for kSet.
std::string first_file()
{
    const std::string line = run_tool({"check", kSet}).out;
    const size_t name = line.find('\t', 2) + 1;
    return "0_" + line.substr(name, line.find('\n') - name) + ".txt";
}

}  // namespace

TEST(UnpackOutput, ANameThatAppearsAfterTheCheckIsNotWrittenThrough)
{
    // Without --force each file is created anew: a link someone plants in
    // the opened folder makes the write fail, and its target stays as it was.
    const std::string dir = fresh_dir("planted");
    OutFolder folder;
    std::string why;
    ASSERT_TRUE(sys_open_out_folder(dir.c_str(), &folder, &why)) << why;
    const std::string outside = fixture::write_file("outside.txt", "outside");
    ASSERT_EQ(symlink(outside.c_str(), (dir + "/g.txt").c_str()), 0);
    EXPECT_FALSE(sys_write_in_folder(folder, "g.txt", "new", 3, false, &why));
    EXPECT_EQ(why, "cannot create: File exists");
    EXPECT_EQ(slurp(outside), "outside");
    // Renamed away and replaced by a link, the folder opened still takes the file.
    ASSERT_EQ(rename(dir.c_str(), (dir + ".moved").c_str()), 0);
    const std::string decoy = fresh_dir("decoy");
    ASSERT_EQ(symlink(decoy.c_str(), dir.c_str()), 0);
    EXPECT_TRUE(sys_write_in_folder(folder, "h.txt", "new", 3, false, &why)) << why;
    sys_close_out_folder(&folder);
    EXPECT_EQ(slurp(dir + ".moved/h.txt"), "new");
    EXPECT_FALSE(std::filesystem::exists(decoy + "/h.txt"));
    unlink(dir.c_str());
    std::filesystem::remove_all(dir + ".moved");
}

TEST(UnpackOutput, AReplaceThatCannotTakeTheNameLeavesNoTemporaryFile)
{
    const std::string dir = fresh_dir("replace");
    ASSERT_EQ(mkdir((dir + "/0_g.txt").c_str(), 0755), 0);  // a folder holds the name
    OutFolder folder;
    std::string why;
    ASSERT_TRUE(sys_open_out_folder(dir.c_str(), &folder, &why)) << why;
    EXPECT_FALSE(sys_write_in_folder(folder, "0_g.txt", "new", 3, true, &why));
    EXPECT_EQ(sys_out_folder_entries(folder), std::vector<std::string>{"0_g.txt"});
    sys_close_out_folder(&folder);
}

TEST(UnpackOutput, ABackslashIsPartOfTheFolderName)
{
    const std::string dir = fixture::out_path("back\\"), beside = fixture::out_path("back\\" + first_file());
    std::filesystem::remove_all(dir);
    std::filesystem::remove(beside);
    const ToolRun r = run_tool({"unpack", kSet, "-o", dir});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir + "/" + first_file()));
    EXPECT_FALSE(std::filesystem::exists(beside));
}

TEST(UnpackOutput, NewFilesGetTheModeTheUmaskLeaves)
{
    const std::string src = fixture::write_file("mode_src.txt", fixture::lines(fixture::genre_lines("G", 1)));
    for (const mode_t mask : {002, 027}) {
        SCOPED_TRACE(mask);
        const mode_t old = umask(mask);  // the tool inherits it
        const std::string dir = fixture::out_path("mode_dir"), set = fixture::out_path("mode.zip");
        std::filesystem::remove_all(dir);
        unlink(set.c_str());
        const ToolRun packed = run_tool({"pack", "-o", set, src});
        const ToolRun unpacked = run_tool({"unpack", set, "-o", dir});
        umask(old);
        ASSERT_EQ(packed.exit, 0) << packed.err;
        ASSERT_EQ(unpacked.exit, 0) << unpacked.err;
        for (const std::string &file : {set, dir + "/0_G.txt"}) {
            struct stat st;
            ASSERT_EQ(stat(file.c_str(), &st), 0) << file;
            EXPECT_EQ(st.st_mode & 07777, 0666 & ~mask) << file;
        }
    }
}

TEST(UnpackOutput, AStandardOutputThatCannotBeWrittenIsAFailure)
{
    const std::string dir = fixture::out_path("full_dir"), err = fixture::out_path("full.err");
    std::filesystem::remove_all(dir);
    EXPECT_EQ(run_process(built_program("pelzo-quiz"), {"unpack", kSet, "-o", dir}, "/dev/full", err), 1);
    EXPECT_THAT(slurp(err), HasSubstr("the list of files written could not be written to standard output: No space"));
}
