// usage: how every command answers --help and a mistake on its command line.
#pragma once

#include <string>

// Whether an argument asks for the usage: --help or -h.
bool asks_for_help(const std::string &arg);

// The usage on stdout, for --help. Returns the exit status: 0, or 1 when
// stdout cannot be written.
int print_usage(const std::string &usage);

// "<program>: <what>" and then the usage on stderr, so the first line says
// what was wrong. Returns 2, the exit status of a usage error.
int usage_error(const char *program, const std::string &what, const std::string &usage);
