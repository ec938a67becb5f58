// SPDX-License-Identifier: MIT
// pelzo-quiz given what is no regular file, or more than any set can hold:
// FIFOs, sockets and devices are refused at once with what they are (never
// read: a FIFO would block and /dev/zero never ends), and a file larger than
// its format allows is refused unread. Linux makes these files; Windows has
// its own reserved names, tested with the loader.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "tool_run.h"
#include "unix_socket.h"

using ::testing::HasSubstr;

namespace {

std::string make_fifo(const std::string &name)
{
    const std::string path = fixture::out_path(name);
    unlink(path.c_str());
    EXPECT_EQ(mkfifo(path.c_str(), 0644), 0) << path;
    return path;
}

// A sparse file of `size` bytes of zeros.
std::string make_sparse(const std::string &name, long long size)
{
    const std::string path = fixture::out_path(name);
    const int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    EXPECT_EQ(ftruncate(fd, size), 0) << path;
    close(fd);
    return path;
}

}  // namespace

TEST(SpecialInputs, CheckAndDumpSayWhatTheFileIs)
{
    struct Case {
        std::string path, kind, message;
    };
    const Case cases[] = {
        {make_fifo("fifo.pzq"), "is a FIFO (named pipe)", "PZQファイルを開けません"},
        {make_fifo("fifo.zip"), "is a FIFO (named pipe)", "有効な問題ファイルが見つかりません"},
        {test_socket::bind_unix_socket("sock.zip"), "is a socket", "有効な問題ファイルが見つかりません"},
        {"/dev/zero", "is a character device", "有効な問題ファイルが見つかりません"},
        {fixture::out_path(""), "is a directory", "有効な問題ファイルが見つかりません"},
    };
    for (const Case &c : cases) {
        for (const char *command : {"check", "dump"}) {
            SCOPED_TRACE(std::string(command) + " " + c.path);
            const ToolRun r = run_tool({command, c.path});
            EXPECT_EQ(r.exit, 1) << "-2 means it hung";
            EXPECT_EQ(r.first_err_line(), c.message);
            EXPECT_THAT(r.err, HasSubstr(c.path + ": " + c.kind));
            EXPECT_EQ(r.out, "");
        }
    }
}

TEST(SpecialInputs, PackRefusesSourcesThatAreNoFilesOrTooLarge)
{
    const std::string fifo = make_fifo("fifo.txt");
    const std::string huge = make_sparse("huge.txt", 200LL << 20);
    const std::string out = fixture::out_path("set.zip");
    for (const std::string &source : {fifo, std::string("/dev/zero"), huge}) {
        SCOPED_TRACE(source);
        const ToolRun r = run_tool({"pack", "-o", out, source});
        EXPECT_EQ(r.exit, 1) << "-2 means it hung";
        EXPECT_THAT(r.err, HasSubstr(out + " not written"));
        EXPECT_NE(access(out.c_str(), F_OK), 0);
    }
    EXPECT_THAT(run_tool({"pack", "-o", out, fifo}).err, HasSubstr(fifo + ": is a FIFO (named pipe)"));
    EXPECT_THAT(run_tool({"pack", "-o", out, huge}).err,
                HasSubstr(huge + ": is 209,715,200 bytes; at most 100,857,342 are read"));
}
