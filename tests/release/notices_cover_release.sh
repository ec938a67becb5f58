#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The notices check of packaging/third_party_notices.py on a made-up release:
# a program linking a third-party static library (and one of its own), and a
# font in the release folder. It must fail while the notices miss either, and
# pass once both have their section.
#
#   tests/release/notices_cover_release.sh SOURCE_DIR SCRATCH_DIR
set -euo pipefail
src=${1:?usage: notices_cover_release.sh SOURCE_DIR SCRATCH_DIR}
t=${2:?usage: notices_cover_release.sh SOURCE_DIR SCRATCH_DIR}
rm -rf "$t"
mkdir -p "$t/build/CMakeFiles/game.dir" "$t/build/deps/prefix/lib" "$t/stage/fonts"
: >"$t/build/deps/prefix/lib/libthird.a"
: >"$t/build/libpelzo_own.a"
: >"$t/stage/fonts/shipped.ttf"
echo "/usr/bin/c++ -O2 main.o -o game libpelzo_own.a deps/prefix/lib/libthird.a -lm" >"$t/build/CMakeFiles/game.dir/link.txt"
check() {
  python3 "$src/packaging/third_party_notices.py" check "$t/notices.txt" --stage "$t/stage" \
    --link game=$t/build/CMakeFiles/game.dir/link.txt
}
failures=0
printf 'In this release: libthird.a (linked into game)\n' >"$t/notices.txt"
if check 2>"$t/err"; then echo "FAIL: a font without a notice passed"; failures=1
elif ! grep -q 'fonts/shipped.ttf' "$t/err"; then echo "FAIL: the missing font is not named:"; cat "$t/err"; failures=1; fi
printf 'In this release: fonts/shipped.ttf (the font shipped.ttf)\n' >"$t/notices.txt"
if check 2>"$t/err"; then echo "FAIL: a library without a notice passed"; failures=1
elif ! grep -q 'libthird.a' "$t/err" || grep -q 'libpelzo_own.a' "$t/err"; then
  echo "FAIL: not exactly the third-party library is named:"; cat "$t/err"; failures=1; fi
printf 'In this release: libthird.a (linked into game)\nIn this release: fonts/shipped.ttf (the font)\n' >"$t/notices.txt"
check || { echo "FAIL: notices covering the release were refused"; failures=1; }
[ "$failures" -eq 0 ] && { echo "ok: the notices check names what is missing"; rm -rf "$t"; }
exit "$failures"
