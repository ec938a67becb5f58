// Runs the built pelzo-quiz as a separate process and collects its exit
// status, stdout and stderr (through files in the test's own output folder).
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../quiz/quiz_fixtures.h"

extern char **environ;

struct ToolRun {
    int exit = -1;
    std::string out, err;
    std::string first_err_line() const { return err.substr(0, err.find('\n')); }
};

inline std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline ToolRun run_tool(const std::vector<std::string> &args)
{
    const std::string tool = std::string(PELZO_BINARY_DIR) + "/pelzo-quiz";
    const std::string outPath = fixture::out_path("tool.stdout"), errPath = fixture::out_path("tool.stderr");
    std::vector<char *> argv{const_cast<char *>(tool.c_str())};
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ToolRun r;
    pid_t pid = 0;
    if (posix_spawn(&pid, tool.c_str(), &fa, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&fa);
    r.out = slurp(outPath);
    r.err = slurp(errPath);
    return r;
}
