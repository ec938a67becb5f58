#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The browser build's figures, each next to its desktop counterpart:
#   - the bytes a page sends (bench/web_bench.js): a first visit from a server
#     that compresses nothing (Python's) and gzipped, a second visit, an
#     offline reload; beside them every file of the release, raw and gzipped
#     (the file:// wrappers and the whole font are fetched only when needed),
#     and the Windows release archive;
#   - start-up in headless Chromium, navigation to the first title frame,
#     cold and warm, next to the Linux game's start-up under Xvfb (measured
#     here by bench/startup_under_wine.sh's method);
#   - the frame time on the play screen (bench/web_bench.js), next to the
#     Linux headless play frame of scripts/bench.sh.
#
#   bench/web.sh [LINUX_BUILD]      (default build/; needs its pelzowin)
#
# Builds the release with scripts/build-web.sh first. Needs chromium, Xvfb,
# xdotool and ImageMagick (scripts/setup.sh, scripts/test.sh install them).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
linux_build=${1:-$top/build}
cd "$top"
bash scripts/build-web.sh "$top/dist" >/dev/null
site=$top/build-web/stage
(cd tests/web && [ -d node_modules ] || npm ci --no-audit --no-fund --loglevel=error)

for f in $(cd "$site" && find . -type f | sort); do
  printf '  %-28s %9d bytes gzip (%d raw)\n' "$f" "$(gzip -6 -c "$site/$f" | wc -c)" "$(stat -c %s "$site/$f")"
done
win_zip=$(ls dist/pelzowin-*-win64.zip 2>/dev/null | head -n 1 || true)
[ -n "$win_zip" ] && echo "Windows archive: $(( $(stat -c %s "$win_zip") / 1024 )) KiB ($win_zip)"

node bench/web_bench.js "$site"

if [ -x "$linux_build/pelzowin" ]; then
  xvfb=""
  if [ -z "${DISPLAY:-}" ]; then
    Xvfb :93 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    export DISPLAY=:93
    sleep 1
  fi
  bash bench/startup_under_wine.sh "$linux_build/pelzowin" -
  [ -n "$xvfb" ] && kill "$xvfb"
fi
