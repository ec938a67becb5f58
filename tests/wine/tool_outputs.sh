#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# pelzo-quiz.exe under Wine answers as the Linux pelzo-quiz does:
#
#   tests/wine/tool_outputs.sh LINUX_TOOL WINDOWS_TOOL.exe ZIP_FIXTURE_DIR
#
# `check` and `dump` run on the sample sets, the ZIP fixtures of real writers
# and damaged archives, and the fuzz seed corpora of the ZIP and .pzq readers
# (written by make_seeds, built beside the Linux pelzo-quiz): exit code, stdout and stderr must be the same
# bytes, but for the separator in the path of the set, which Windows names with
# '\'. One set is made here of the single bytes the two code-page
# converters decode differently (0x80, 0xA0, 0xFD-0xFF: "・" on Linux,
# U+0080, which dump writes escaped as \u0080, and U+F8F0-U+F8F3 on
# Windows); its outputs must differ in exactly those characters.
set -uo pipefail
linux=${1:?usage: tool_outputs.sh LINUX_TOOL WINDOWS_TOOL.exe ZIP_FIXTURE_DIR}
windows=${2:?usage: tool_outputs.sh LINUX_TOOL WINDOWS_TOOL.exe ZIP_FIXTURE_DIR}
fixtures=${3:?usage: tool_outputs.sh LINUX_TOOL WINDOWS_TOOL.exe ZIP_FIXTURE_DIR}
top=$(cd "$(dirname "$0")/../.." && pwd)
export WINEDEBUG=-all LC_ALL=C.UTF-8

[ -x "$linux" ] || { echo "skipped: no Linux pelzo-quiz at $linux"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seeds=$(dirname "$linux")/make_seeds
[ -x "$seeds" ] || { echo "skipped: no make_seeds beside $linux"; exit 77; }
"$seeds" "$work/seeds" "$fixtures" >/dev/null || { echo "FAIL: make_seeds"; exit 1; }
python3 - "$work/codepage.zip" <<'PY'
import sys, zipfile
lines = [b"\x80\xa0\xfd\xfe\xff"] + [b"Q", b"R", b"W1", b"W2", b"W3", b"W4"]
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_STORED) as z:
    z.writestr("qtext_0.txt", b"\r\n".join(lines) + b"\r\n")
PY

# run NAME TOOL ARGS...: exit code, stdout and stderr into $work/NAME.*
run() {
  local name=$1; shift
  "$@" >"$work/$name.out" 2>"$work/$name.err"
  echo $? >"$work/$name.code"
}
same() { cmp -s "$work/l.$1" "$work/w.$1"; }
# Windows names the file with '\' where Linux has '/': its stderr compares
# with the path put back as given.
as_given() {
  python3 -c 'import sys
path = sys.argv[1].encode()
with open(sys.argv[2], "rb") as f: text = f.read()
with open(sys.argv[2], "wb") as f: f.write(text.replace(path.replace(b"/", b"\\"), path))' "$1" "$2"
}

runs=0
failures=0
for file in "$top"/data/samples/*.zip "$top"/data/samples/*.pzq "$fixtures"/*.zip \
            "$work"/seeds/zip/* "$work"/seeds/pzq/*; do
  for command in check dump; do
    runs=$((runs + 1))
    run l "$linux" "$command" "$file"
    run w wine "$windows" "$command" "$file"
    as_given "$file" "$work/w.err"
    if ! same code || ! same out || ! same err; then
      failures=$((failures + 1))
      echo "FAIL: $command $file: exit $(cat "$work/l.code") / $(cat "$work/w.code")"
      diff <(head -c 2000 "$work/l.err") <(head -c 2000 "$work/w.err") | head -n 6
      diff <(head -c 2000 "$work/l.out") <(head -c 2000 "$work/w.out") | head -n 6
    fi
  done
done

# The set of differing bytes: the same once Windows' code points read "・".
run l "$linux" dump "$work/codepage.zip"
run w wine "$windows" dump "$work/codepage.zip"
python3 - "$work/l.out" "$work/w.out" <<'PY' || failures=$((failures + 1))
import sys
linux = open(sys.argv[1], encoding="utf-8").read()
windows = open(sys.argv[2], encoding="utf-8").read()
# U+0080 is a control character: dump writes it escaped.
expected = '"name":"\\u0080\uf8f0\uf8f1\uf8f2\uf8f3"'
if expected not in windows:
    sys.exit("FAIL: Windows did not decode 0x80 0xA0 0xFD-0xFF as U+0080 U+F8F0-U+F8F3:\n" + windows)
if windows.replace("\\u0080", "・").translate({c: "・" for c in (0xF8F0, 0xF8F1, 0xF8F2, 0xF8F3)}) != linux:
    sys.exit("FAIL: the outputs differ beyond the five bytes:\n" + linux + windows)
PY
runs=$((runs + 1))

if [ "$failures" -gt 0 ]; then
  echo "$failures of $runs runs differ"
  exit 1
fi
echo "$runs runs of check and dump: the same bytes from both builds"
