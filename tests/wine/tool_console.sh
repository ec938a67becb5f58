#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# pelzo-quiz.exe's Japanese text in a Windows console and through a pipe,
# under Wine (the X server of DISPLAY holds the console's window):
#
#   tests/wine/tool_console.sh LINUX_TOOL WINDOWS_TOOL.exe CONSOLE_PROBE.exe
#
# In a console (console_probe.exe reads back what its screen shows):
# `check sample.zip` shows the genre names as the Linux tool prints them, and
# text written a byte at a time, or cut inside characters, shows whole. The
# same runs through a pipe give the bytes written: the Linux tool's for
# `check`, the probe's own text for the pieces. Text still on its way to the
# console when Ctrl+C stops the program reaches the screen all the same.
set -uo pipefail
linux=${1:?usage: tool_console.sh LINUX_TOOL WINDOWS_TOOL.exe CONSOLE_PROBE.exe}
windows=${2:?usage: tool_console.sh LINUX_TOOL WINDOWS_TOOL.exe CONSOLE_PROBE.exe}
probe=${3:?usage: tool_console.sh LINUX_TOOL WINDOWS_TOOL.exe CONSOLE_PROBE.exe}
top=$(cd "$(dirname "$0")/../.." && pwd)
export WINEDEBUG=-all LC_ALL=C.UTF-8
[ -x "$linux" ] || { echo "skipped: no Linux pelzo-quiz at $linux"; exit 77; }
[ -n "${DISPLAY:-}" ] || { echo "skipped: no DISPLAY for the console's window"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sample=$top/data/samples/sample.zip
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A screen row shows a tab as blanks: rows compare with every run of blanks
# and tabs as one blank.
blanks() { sed -e 's/[[:space:]]\+/ /g' -e 's/ $//' "$1"; }

"$linux" check "$sample" >"$work/linux.out" || fail "the Linux tool failed"
expected_pieces=$(printf '出力: 日本語のテキスト\nエラー: 問題セット')

# --- in a console -------------------------------------------------------------
wine "$probe" --show "$work/check.screen" "$windows" check "$sample" </dev/null >"$work/probe.log" 2>&1 ||
  fail "check in a console: exit $? ($(cat "$work/probe.log"))"
if [ "$(blanks "$work/check.screen")" != "$(blanks "$work/linux.out")" ]; then
  fail "check in a console shows"
  cat "$work/check.screen"
  echo "where the Linux tool prints"
  cat "$work/linux.out"
fi
wine "$probe" --show "$work/pieces.screen" "$probe" --write-pieces </dev/null >"$work/probe.log" 2>&1 ||
  fail "the pieces in a console: exit $? ($(cat "$work/probe.log"))"
if [ "$(cat "$work/pieces.screen")" != "$expected_pieces" ]; then
  fail "text written in pieces shows in a console as"
  cat "$work/pieces.screen"
fi

# Ctrl+C just after the last line: every line written reaches the screen
# before the stop ends the program (the probe sends the event itself).
wine "$probe" --show "$work/stop.screen" "$probe" --write-then-stop </dev/null >"$work/probe.log" 2>&1
status=$?
for i in $(seq 1 400); do echo "line $i of 400: 日本語"; done >"$work/stop.expected"
if [ "$status" -eq 3 ] || [ "$status" -eq 125 ]; then
  fail "Ctrl+C did not stop the writer: exit $status ($(cat "$work/probe.log"))"
elif ! cmp -s "$work/stop.screen" "$work/stop.expected"; then
  fail "Ctrl+C lost text: the screen shows $(wc -l <"$work/stop.screen") of 400 lines, ending: $(tail -n 1 "$work/stop.screen")"
fi

# --- through a pipe -------------------------------------------------------------
wine "$windows" check "$sample" </dev/null 2>/dev/null | cat >"$work/check.pipe"
cmp -s "$work/check.pipe" "$work/linux.out" || fail "check through a pipe gives other bytes than the Linux tool"
wine "$probe" --write-pieces </dev/null 2>&1 | cat >"$work/pieces.pipe"
[ "$(cat "$work/pieces.pipe")" = "$expected_pieces" ] || fail "the pieces through a pipe read $(cat "$work/pieces.pipe")"

[ "$failures" -eq 0 ] || exit 1
echo "in a console and through a pipe, the tool's Japanese text is whole"
