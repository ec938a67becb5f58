// The usage on stdout for --help, and on stderr after what was wrong.
#include "usage.h"

#include <cstdio>

bool asks_for_help(const std::string &arg) { return arg == "--help" || arg == "-h"; }

int print_usage(const std::string &usage)
{
    fputs(usage.c_str(), stdout);
    return fflush(stdout) == 0 && !ferror(stdout) ? 0 : 1;
}

int usage_error(const char *program, const std::string &what, const std::string &usage)
{
    fprintf(stderr, "%s: %s\n%s", program, what.c_str(), usage.c_str());
    return 2;
}
