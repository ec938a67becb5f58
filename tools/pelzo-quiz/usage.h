// SPDX-License-Identifier: MIT
// usage: how every command reads its command line and answers --help and a
// mistake on it. Each command's usage text is defined once, beside the
// command (pack.cpp, unpack.cpp, main.cpp), and mirrored in the man page
// (packaging/pelzo-quiz.1).
#pragma once

#include <string>
#include <vector>

// Whether an argument asks for the usage: --help or -h.
bool asks_for_help(const std::string &arg);

// The usage on stdout, for --help. Returns the exit status: 0, or 1 when
// stdout cannot be written.
int print_usage(const std::string &usage);

// "<program>: <what>" and then the usage on stderr, so the first line says
// what was wrong. Returns 2, the exit status of a usage error.
int usage_error(const char *program, const std::string &what, const std::string &usage);

// One option a command takes: a flag, or one with a value.
struct OptionRule {
    const char *name;  // "-o", "--store", ...
    bool value = false;
};

// A command line read against a command's options.
struct CommandLine {
    bool help = false;  // --help or -h before "--"
    std::vector<std::string> operands;  // the rest, in order; after "--" even what begins with '-'
    // Whether an option was given, and a valued one's value.
    bool has(const char *name) const;
    const std::string &value(const char *name) const;

    std::vector<std::pair<std::string, std::string>> given;  // name, value
};

// Reads argv[1..argc) (argv[0] is the command): options anywhere before
// "--", each at most once, a valued one with the next argument as its value.
// False, with what was wrong in *what ("-o is given twice", "-o needs a
// value", "unknown option --x"), on a mistake; --help stops the reading.
bool read_command_line(int argc, char **argv, const std::vector<OptionRule> &options, CommandLine *line,
                       std::string *what);

// The files a file argument names. On Windows the shell hands a pattern over
// as it is, so DIR\*.txt is expanded here: `*` and `?` in the last part
// match names as the file system compares them (ignoring case), and the
// files are sorted by name, the order unpack's names give the genres. A
// pattern that matches nothing stays as it is, so its message names it.
// Elsewhere the argument itself.
std::vector<std::string> expand_file_argument(const std::string &arg);
