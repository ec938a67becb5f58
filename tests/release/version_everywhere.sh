#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The version is written in one place: project(... VERSION) in the top
# CMakeLists.txt. This copies the source tree, gives it another version (and
# the changelog entry a release of it needs), configures it and finds that
# version, and no other, in everything the releases take it from:
#
#   tests/release/version_everywhere.sh SOURCE_DIR SCRATCH_DIR
#
# the game's --version and window title and pelzo-quiz --version (their
# compile definitions), the page's two titles, the man pages' headers, the
# Windows manifest and version record, the .deb's version and the version
# scripts/build-windows.sh and scripts/build-web.sh read (the zip's and the
# installer's names, the installer's version, README-Windows and README-Web).
set -euo pipefail
src=${1:?usage: version_everywhere.sh SOURCE_DIR SCRATCH_DIR}
scratch=${2:?usage: version_everywhere.sh SOURCE_DIR SCRATCH_DIR}
new=9.8.7
old=$(sed -n 's/^project(PelzoWin VERSION \([0-9.]*\) .*/\1/p' "$src/CMakeLists.txt")
[ -n "$old" ] || { echo "no project(PelzoWin VERSION ...) line in CMakeLists.txt"; exit 1; }
rm -rf "$scratch"
mkdir -p "$scratch/src"
# The sources: the files git tracks (as they are now in the tree), or
# without git the tree less its build folders.
if git -C "$src" rev-parse --show-toplevel >/dev/null 2>&1; then
  (cd "$src" && git ls-files -z --cached | tar --null -T - --ignore-failed-read -cf - 2>/dev/null) |
    tar -C "$scratch/src" -xf -
else
  tar -C "$src" --exclude='./build*' --exclude=./.git --exclude=./dist --exclude=node_modules -cf - . | tar -C "$scratch/src" -xf -
fi
sed -i "s/^project(PelzoWin VERSION $old /project(PelzoWin VERSION $new /" "$scratch/src/CMakeLists.txt"
{ printf 'pelzowin (%s) unstable; urgency=medium\n\n  * Test.\n\n -- T <t@example.org>  Mon, 07 Dec 2026 21:00:00 +0000\n\n' "$new"
  cat "$src/packaging/changelog"; } >"$scratch/src/packaging/changelog"
cmake -S "$scratch/src" -B "$scratch/build" -DPELZO_BUILD_TESTS=OFF >"$scratch/configure.log" 2>&1 ||
  { cat "$scratch/configure.log"; exit 1; }

b=$scratch/build failures=0
# expect WHAT FILE PATTERN: FILE holds a line matching the fixed PATTERN.
expect() {
  if grep -qF -- "$3" "$2" 2>/dev/null; then echo "ok: $1"; else echo "FAIL: $1: no '$3' in $2"; failures=$((failures + 1)); fi
}
# Each source's file and command line, one a line.
python3 -c 'import json, sys
for e in json.load(open(sys.argv[1])): print(e["file"], e["command"])' "$b/compile_commands.json" >"$scratch/commands"
expect "the game's --version and title" <(grep '/src/app/app.cpp ' "$scratch/commands") "-DPELZO_VERSION=\\\"$new\\\""
expect "pelzo-quiz --version" <(grep '/tools/pelzo-quiz/main.cpp ' "$scratch/commands") "-DPELZO_VERSION=\\\"$new\\\""
expect "the page's <title>" "$b/version/index.html" "<title>PelzoWin ver$new</title>"
expect "the page's document.title" "$b/version/index.html" "document.title = 'PelzoWin ver$new';"
expect "pelzowin(6)'s header" "$b/version/pelzowin.6" ".TH PELZOWIN 6 \"2024\" \"PelzoWin $new\""
expect "pelzowin(6)'s --version" "$b/version/pelzowin.6" "PelzoWin ver$new"
expect "pelzo-quiz(1)'s header" "$b/version/pelzo-quiz.1" ".TH PELZO-QUIZ 1 \"2024\" \"PelzoWin $new\""
expect "the Windows manifest" "$b/version/pelzowin.manifest" "version=\"$new.0\""
expect "the Windows version record" "$b/generated/pelzowin.rc" "FILEVERSION ${new//./,},0"
expect "the Windows version string" "$b/generated/pelzowin.rc" "VALUE \"ProductVersion\", \"$new\""
expect "the .deb's version" "$b/CPackConfig.cmake" "set(CPACK_PACKAGE_VERSION \"$new\")"
expect "the release scripts' version" "$b/CMakeCache.txt" "CMAKE_PROJECT_VERSION:STATIC=$new"
# No copy of the old version survives in what was made from the templates.
for f in "$b"/version/* "$b/generated/pelzowin.rc"; do
  if grep -qF -e "$old" -e "${old//./,}" -e "@VERSION@" "$f"; then
    echo "FAIL: $f still holds $old or @VERSION@"; failures=$((failures + 1))
  fi
done
# Nor in the sources the products are made from (the tests, benchmarks and
# documents may name the current version; the changelog is the history).
copies=$(cd "$scratch/src" && grep -rlF -e "$old" -e "${old//./,}" --exclude-dir=tests --exclude-dir=bench \
  --exclude-dir=docs --exclude=README.md --exclude=changelog --exclude='*.zip' --exclude='*.pzq' . || true)
if [ -n "$copies" ]; then
  echo "FAIL: the version $old is written by hand in:" $copies; failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] && rm -rf "$scratch"
exit $((failures > 0))
