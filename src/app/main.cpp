// SPDX-License-Identifier: MIT
// pelzowin: the game's entry point.
#include <cstdio>
#include <new>

#include "app.h"
#include "gamelib.h"
#include "sys.h"

int main(int argc, char **argv)
{
    // A stop request during start-up then ends the game before its first frame.
    InstallStopSignalHandlers();
    try {
        // The arguments as UTF-8 (on Windows from the wide command line, so
        // that a path outside the ANSI code page arrives whole).
        argv = sys_utf8_argv(argc, argv, &argc);
        const int early = app_command_line_exit(argc, argv, stdout, stderr);
        if (early >= 0) return early;
        app_startup(argc, argv);
        app_run();
        app_shutdown();
    } catch (const std::bad_alloc &) {
        // Every load catches its own allocation failures; this is the last
        // word on any that reach here.
        fputs("pelzowin: out of memory\n", stderr);
        return 1;
    }
    return 0;
}
