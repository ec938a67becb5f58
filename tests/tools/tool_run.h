// SPDX-License-Identifier: MIT
// Runs the built pelzo-quiz as a separate process and collects its exit
// status, stdout and stderr (through files in the test's own output folder).
#pragma once

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../quiz/quiz_fixtures.h"
#include "run_process.h"

struct ToolRun {
    int exit = -1;
    std::string out, err;
    std::string first_err_line() const { return err.substr(0, err.find('\n')); }
};

// A path as pelzo-quiz names it in its output: with '\' for every '/' on
// Windows, as it is on Linux.
inline std::string shown_path(std::string path)
{
#ifdef _WIN32
    for (char &c : path)
        if (c == '/') c = '\\';
#endif
    return path;
}

inline std::string slurp(const std::string &path)
{
    std::ifstream in(fixture::fs_path(path), std::ios::binary);  // a UTF-8 path on Windows too
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// stderr without pack's warnings of genres shorter than a stage, for tests of
// other things that pack small genres.
inline std::string without_short_genre_warnings(const std::string &err)
{
    std::string out;
    for (size_t at = 0; at < err.size();) {
        const size_t end = std::min(err.find('\n', at), err.size() - 1) + 1;
        const std::string line = err.substr(at, end - at);
        if (line.find(": warning: only ") == std::string::npos ||
            line.find(" questions a stage asks; they will repeat within a stage") == std::string::npos)
            out += line;
        at = end;
    }
    return out;
}

// Sets one variable of the environment the tool is started with; "" removes it.
inline void set_env(const char *name, const char *value)
{
#ifdef _WIN32
    _putenv_s(name, value);  // "" removes it
#else
    if (*value)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

// The same for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const char *value) : name_(name)
    {
        const char *old = getenv(name);
        had_ = old != nullptr;
        if (had_) old_ = old;
        set_env(name, value);
    }
    ~ScopedEnv() { set_env(name_, had_ ? old_.c_str() : ""); }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *name_;
    bool had_ = false;
    std::string old_;
};

inline ToolRun run_tool(const std::vector<std::string> &args)
{
    const std::string outPath = fixture::out_path("tool.stdout"), errPath = fixture::out_path("tool.stderr");
    ToolRun r;
    r.exit = run_process(built_program("pelzo-quiz"), args, outPath, errPath);
    r.out = slurp(outPath);
    r.err = slurp(errPath);
    return r;
}

// The tool started with LANG=lang alone of the variables that choose the
// language of its messages.
inline ToolRun run_tool_in(const char *lang, const std::vector<std::string> &args)
{
    const ScopedEnv language("LANGUAGE", ""), all("LC_ALL", ""), messages("LC_MESSAGES", ""), main("LANG", lang);
    return run_tool(args);
}
