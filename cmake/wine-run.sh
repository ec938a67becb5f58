#!/bin/sh
# Runs a Windows program under Wine for CMake and ctest (the cross build's
# CMAKE_CROSSCOMPILING_EMULATOR), passing on its output and exit code.
#
# The program writes into a file, not into the pipe ctest reads: Wine starts
# its helper processes (the desktop process, services) from whichever program
# first needs them, and they keep that program's output open for as long as
# they run, which would hold ctest waiting on the program long after it ended.
#
# Wine names files on the Linux side in the locale's character set; in a
# UTF-8 locale every Windows file name has a Linux one.
out=$(mktemp) || exit 125
LC_ALL=C.UTF-8 WINEDEBUG=${WINEDEBUG:--all} wine "$@" >"$out" 2>&1 </dev/null
code=$?
cat "$out"
rm -f "$out"
exit $code
