#!/bin/sh
# SPDX-License-Identifier: MIT
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
#
# A failure with no output at all is Wine not starting the program (seen
# once under load, at 0.01 s, when every program prints something): that one
# is run once more.
out=$(mktemp) || exit 125
for attempt in 1 2; do
  LC_ALL=C.UTF-8 WINEDEBUG=${WINEDEBUG:--all} wine "$@" >"$out" 2>&1 </dev/null
  code=$?
  if [ "$code" -eq 0 ] || [ -s "$out" ]; then break; fi
  [ "$attempt" -eq 1 ] && echo "wine-run: $1 ended at once with code $code and no output; running it again" >&2
done
cat "$out"
rm -f "$out"
exit $code
