// SPDX-License-Identifier: MIT
// What `pack` does to the file it writes: only a regular file is replaced
// (never a device, a FIFO, a socket or a folder); through a symbolic link the
// file it points to is replaced and the link kept (only a link of the user's
// or its folder owner's; one to nothing makes no file); the replaced file keeps its
// mode, and one the user may not write is refused; a stop signal leaves the
// old output as it was and no temporary file; a name of the system's longest
// length works; a failed standard output is reported. The files and the
// signals are Linux ones.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "tool_run.h"
#include "unix_socket.h"

using ::testing::HasSubstr;

namespace {

std::string source(const std::string &name, int questions = 1)
{
    return fixture::write_file(name, fixture::lines(fixture::genre_lines("G", questions)));
}

// --force: most outputs here hold "old", which is no set.
ToolRun pack(const std::string &out, const std::string &src, bool force = false)
{
    return force ? run_tool({"pack", "--force", "-o", out, src}) : run_tool({"pack", "-o", out, src});
}

mode_t file_type(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

// Files in `dir` whose names start with ".pelzo-": pack's temporary files.
std::vector<std::string> temporaries(const std::string &dir)
{
    std::vector<std::string> out;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d))
            if (strncmp(e->d_name, ".pelzo-", 7) == 0) out.push_back(e->d_name);
        closedir(d);
    }
    return out;
}

std::string folder_of(const std::string &path) { return path.substr(0, path.rfind('/')); }

}  // namespace

TEST(PackOutput, WhatIsNoRegularFileIsRefusedAndLeftAsItIs)
{
    const std::string src = source("src.txt");
    struct Case {
        std::string path;
        const char *kind;
        mode_t type;
    };
    std::vector<Case> cases;
    const std::string fifo = fixture::out_path("out_fifo.zip");
    unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    cases.push_back({fifo, "is a FIFO (named pipe)", S_IFIFO});
    const std::string sock = test_socket::bind_unix_socket("out_sock.zip");
    ASSERT_FALSE(sock.empty());
    cases.push_back({sock, "is a socket", S_IFSOCK});
    const std::string dir = fixture::out_path("out_dir.zip");
    mkdir(dir.c_str(), 0755);
    cases.push_back({dir, "is a directory", S_IFDIR});
    // A twin of /dev/null (as root, which is when replacing one did harm).
    if (geteuid() == 0) {
        const std::string dev = fixture::out_path("out_null.zip");
        unlink(dev.c_str());
        ASSERT_EQ(mknod(dev.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
        cases.push_back({dev, "is a character device", S_IFCHR});
    }
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        const ToolRun r = pack(c.path, src);
        EXPECT_EQ(r.exit, 1);
        EXPECT_THAT(r.err, HasSubstr(c.path + ": " + c.kind + "\n"));
        EXPECT_THAT(r.err, HasSubstr("pelzo-quiz pack: " + c.path + " not written"));
        EXPECT_EQ(file_type(c.path), c.type);
    }
    EXPECT_THAT(temporaries(folder_of(fifo)), ::testing::IsEmpty());
}

TEST(PackOutput, ThroughASymbolicLinkTheTargetIsReplacedAndTheLinkKept)
{
    const std::string src = source("src.txt", 2);
    const std::string target = fixture::write_file("target.zip", "old");
    const std::string link = fixture::out_path("link.zip");
    unlink(link.c_str());
    ASSERT_EQ(symlink("target.zip", link.c_str()), 0);
    const ToolRun r = pack(link, src, true);
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(file_type(link), static_cast<mode_t>(S_IFLNK));
    EXPECT_EQ(file_type(target), static_cast<mode_t>(S_IFREG));
    EXPECT_EQ(run_tool({"check", target}).out, "0\t2\tG\n");

    // A link to nothing (relative or absolute) makes no file where it points.
    const std::string dangling = fixture::out_path("dangling.zip");
    for (const std::string &to : {std::string("made.zip"), fixture::out_path("made_abs.zip")}) {
        SCOPED_TRACE(to);
        unlink(dangling.c_str());
        ASSERT_EQ(symlink(to.c_str(), dangling.c_str()), 0);
        const ToolRun made = pack(dangling, src, true);
        EXPECT_EQ(made.exit, 1);
        EXPECT_THAT(made.err, HasSubstr(dangling + ": is a symbolic link to nothing; no file is made through one\n"));
        EXPECT_EQ(file_type(dangling), static_cast<mode_t>(S_IFLNK));
        EXPECT_EQ(file_type(fixture::out_path("made.zip")), 0u);
        EXPECT_EQ(file_type(fixture::out_path("made_abs.zip")), 0u);
    }
}

TEST(PackOutput, ALinkIsFollowedOnlyWhenTheUserOrTheFolderOwnerOwnsIt)
{
    if (geteuid() != 0) GTEST_SKIP() << "making links of other users takes root";
    // In a shared folder of user 65533, links to root's set owned by a stranger, the folder's owner and root.
    const std::string shared = fixture::out_path("shared");
    mkdir(shared.c_str(), 0777);
    ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
    ASSERT_EQ(chown(shared.c_str(), 65533, 65533), 0);
    const std::string victim = fixture::out_path("victim.zip"), link = shared + "/set.zip";
    const struct {
        uid_t owner;
        bool followed;
    } cases[] = {{65534, false}, {65533, true}, {0, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.owner);
        ASSERT_EQ(pack(victim, source("old.txt", 1)).exit, 0);
        const std::string before = slurp(victim);
        unlink(link.c_str());
        ASSERT_EQ(symlink(victim.c_str(), link.c_str()), 0);
        ASSERT_EQ(lchown(link.c_str(), c.owner, c.owner), 0);
        const ToolRun r = pack(link, source("src.txt", 2));
        EXPECT_EQ(r.exit, c.followed ? 0 : 1) << r.err;
        EXPECT_EQ(slurp(victim) != before, c.followed);
        EXPECT_EQ(r.err.find(link + ": is a symbolic link of another user's in a folder not theirs; not followed\n") !=
                      std::string::npos,
                  !c.followed);
        EXPECT_EQ(file_type(link), static_cast<mode_t>(S_IFLNK));
    }
}

TEST(PackOutput, TheReplacedFileKeepsItsMode)
{
    const std::string src = source("src.txt");
    for (mode_t mode : {0600, 0640, 0444}) {
        SCOPED_TRACE(mode);
        const std::string out = fixture::write_file("mode.zip", "old");
        ASSERT_EQ(chmod(out.c_str(), mode), 0);
        const ToolRun r = pack(out, src, true);
        if (mode == 0444 && geteuid() != 0) {
            // As cp: a file the user may not write is not replaced.
            EXPECT_EQ(r.exit, 1);
            EXPECT_THAT(r.err, HasSubstr(out + ": cannot write: Permission denied"));
            EXPECT_EQ(slurp(out), "old");
        } else {
            EXPECT_EQ(r.exit, 0) << r.err;
            EXPECT_NE(slurp(out), "old");
        }
        struct stat st;
        ASSERT_EQ(stat(out.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode);
        chmod(out.c_str(), 0644);
    }
}

TEST(PackOutput, AFileTheUserMayNotWriteIsRefused)
{
    if (geteuid() != 0) GTEST_SKIP() << "TheReplacedFileKeepsItsMode covers this without root";
    // As root every file is writable: the tool runs as nobody here, in a
    // folder of nobody's, on a read-only file of nobody's.
    const std::string dir = fixture::out_path("nobody");
    mkdir(dir.c_str(), 0755);
    ASSERT_EQ(chown(dir.c_str(), 65534, 65534), 0);
    const std::string src = source("src.txt"), out = dir + "/locked.zip";
    std::string old = "old";
    FILE *fp = fopen(out.c_str(), "wb");
    ASSERT_NE(fp, nullptr);
    fputs(old.c_str(), fp);
    fclose(fp);
    ASSERT_EQ(chown(out.c_str(), 65534, 65534), 0);
    ASSERT_EQ(chmod(out.c_str(), 0444), 0);
    const std::string tool = built_program("pelzo-quiz"), err = dir + "/err.txt";
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int fd = open(err.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0666);
        if (fd < 0 || dup2(fd, 2) < 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(99);
        execl(tool.c_str(), tool.c_str(), "pack", "-o", out.c_str(), src.c_str(), static_cast<char *>(nullptr));
        _exit(98);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_THAT(slurp(err), HasSubstr(out + ": cannot write: Permission denied"));
    EXPECT_EQ(slurp(out), old);
}

namespace {

// Starts `pack -o out src` and stops it (SIGSTOP) at a moment when its
// temporary file exists, so a signal sent then finds the tool still writing
// whatever the machine's load. The tool runs in short slices between checks
// made while it is stopped; a run that ends before one finds the file is
// started again, on `old` again. Returns the stopped tool's pid, or -1.
pid_t pack_stopped_while_writing(const std::string &out, const std::string &old, const std::string &src)
{
    const std::string dir = folder_of(out), tool = built_program("pelzo-quiz");
    for (int run = 0; run < 20; ++run) {
        fixture::write_file(out.substr(dir.size() + 1), old);
        const pid_t pid = fork();
        if (pid < 0) return -1;
        if (pid == 0) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execl(tool.c_str(), tool.c_str(), "pack", "--force", "-o", out.c_str(), src.c_str(),
                  static_cast<char *>(nullptr));
            _exit(98);
        }
        for (;;) {
            int status = 0;
            kill(pid, SIGSTOP);
            if (waitpid(pid, &status, WUNTRACED) != pid || !WIFSTOPPED(status)) break;  // it ended first
            if (!temporaries(dir).empty()) return pid;
            kill(pid, SIGCONT);
            usleep(200);
        }
    }
    return -1;
}

}  // namespace

TEST(PackOutput, AStopSignalLeavesTheOldOutputAndNoTemporaryFile)
{
    // A set big enough that writing and reading it back takes a while.
    const std::string src = source("big.txt", 32767);
    for (int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig);
        const std::string out = fixture::out_path("big.pzq");
        const pid_t pid = pack_stopped_while_writing(out, "the old set", src);
        ASSERT_GT(pid, 0) << "the tool was never caught with its temporary file";
        kill(pid, sig);
        kill(pid, SIGCONT);
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "the signal ends the tool";
        EXPECT_EQ(slurp(out), "the old set");
        EXPECT_THAT(temporaries(folder_of(out)), ::testing::IsEmpty());
    }
}

TEST(PackOutput, AnOutputNameOfTheLongestLengthWorks)
{
    const std::string src = source("src.txt");
    const std::string out = fixture::out_path(std::string(255 - 4, 'n') + ".zip");
    const ToolRun r = pack(out, src);
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(run_tool({"check", out}).out, "0\t1\tG\n");
    unlink(out.c_str());
}

TEST(PackOutput, AStandardOutputThatCannotBeWrittenIsReported)
{
    const std::string src = source("src.txt"), out = fixture::out_path("full.zip");
    const std::string err = fixture::out_path("full.err");
    EXPECT_EQ(run_process(built_program("pelzo-quiz"), {"pack", "-o", out, src}, "/dev/full", err), 1);
    EXPECT_THAT(slurp(err), HasSubstr("pelzo-quiz pack: " + out +
                                      " was written, but its genre list could not be written to standard output"));
    EXPECT_EQ(run_tool({"check", out}).exit, 0) << "the set itself was written";
    for (const char *command : {"check", "dump"}) {
        EXPECT_EQ(run_process(built_program("pelzo-quiz"), {command, out}, "/dev/full", err), 1) << command;
        EXPECT_THAT(slurp(err), HasSubstr("pelzo-quiz: cannot write to standard output: No space left on device"));
    }
}
