#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# pelzo-quiz.exe's messages in a Japanese Windows, under Wine:
#
#   tests/wine/tool_language.sh WINDOWS_TOOL.exe
#
# With none of LANGUAGE, LC_ALL, LC_MESSAGES and LANG in its environment, the
# tool answers in the user's display language: Japanese when Wine runs in a
# Japanese locale, English in an English one. (The variables themselves are
# the test_tools case PelzoQuizMessages.) Wine takes its display language
# from the Linux locale, which must exist: ja_JP.UTF-8 is made with
# localedef into a folder of the test's own (LOCPATH).
set -uo pipefail
windows=${1:?usage: tool_language.sh WINDOWS_TOOL.exe}
export WINEDEBUG=-all
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/locales"
# localedef exits 1 on mere warnings: the locale folder tells.
localedef -i ja_JP -f UTF-8 "$work/locales/ja_JP.UTF-8" >/dev/null 2>&1
if [ ! -f "$work/locales/ja_JP.UTF-8/LC_MESSAGES/SYS_LC_MESSAGES" ]; then
  echo "skipped: localedef cannot make ja_JP.UTF-8 (the locales package is missing)"
  exit 77
fi
exe=$(winepath -w "$windows" 2>/dev/null)
# cmd /c takes the program's name as it is: unquoted, so without blanks.
case "$exe" in *' '*) echo "skipped: cmd cannot start $exe unquoted"; exit 77 ;; esac
failures=0

# first_line LINUX_LOCALE: the first line pelzo-quiz.exe writes for an
# unknown option, started by cmd with the language variables removed.
first_line() {
  LOCPATH=$work/locales LC_ALL= LC_MESSAGES= LANGUAGE= LANG=$1 \
    wine cmd /c "set LANG=&& set LC_ALL=&& set LC_MESSAGES=&& set LANGUAGE=&& $exe pack --bogus" 2>&1 </dev/null |
    tr -d '\r' | head -n 1
}

while IFS='|' read -r locale want; do
  got=$(first_line "$locale")
  if [ "$got" = "$want" ]; then
    echo "ok: $locale: $got"
  else
    echo "FAIL: $locale: expected \"$want\", got \"$got\""
    failures=$((failures + 1))
  fi
done <<'CASES'
ja_JP.UTF-8|pelzo-quiz pack: 不明なオプション --bogus
C.UTF-8|pelzo-quiz pack: unknown option --bogus
CASES
[ "$failures" -eq 0 ]
