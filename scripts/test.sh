#!/usr/bin/env bash
# Sets up, builds and runs every test: once normally, once under
# AddressSanitizer + UndefinedBehaviorSanitizer, the fuzzers, then the
# Windows build: the same suite cross-built and run under Wine, the game and
# the authors' tool under Wine, and the release archive and installer.
# Fails on any failure or report.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
jobs=$(nproc)

bash scripts/setup.sh

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DPELZO_WERROR=ON -DPELZO_BUILD_TESTS=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure --no-tests=error -j"$jobs" --timeout 600
}

export SDL_AUDIODRIVER=dummy
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1

# Tests that drive real windows (the file dialog) need an X server: start a
# private Xvfb when none is given.
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  for n in $(seq 90 99); do
    if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then
      Xvfb :$n -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
      xvfb_pid=$!
      trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
      export DISPLAY=:$n
      for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
      break
    fi
  done
fi

echo "== tests =="
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== install into a temporary prefix, and the .deb =="
bash scripts/install-test.sh --deb build

echo "== tests under AddressSanitizer + UndefinedBehaviorSanitizer =="
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1
export LSAN_OPTIONS=suppressions=$top/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DPELZO_SANITIZE=ON

echo "== fuzzing: every reader for ${PELZO_FUZZ_SECONDS:-60} s =="
bash scripts/fuzz.sh "${PELZO_FUZZ_SECONDS:-60}"

echo "== Windows: cross-build, the suite under Wine, the game and the tool under Wine =="
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS
bash scripts/setup-windows.sh build-win
# One prefix for the whole run, standing in for a Windows with its fonts, and
# one Wine server kept up for it, so that each test program starts quickly.
# Wine names files on the Linux side in the locale's character set: UTF-8,
# so that every Windows file name has a Linux one.
export WINEPREFIX=$top/build-win/wine-prefix WINEDEBUG=-all LC_ALL=C.UTF-8
bash scripts/wine-prefix.sh "$WINEPREFIX"
wineserver -k 2>/dev/null || true  # a server left from an earlier run
wineserver -p
# Wine's helper programs (services, the desktop process) start here, once,
# rather than with the first test.
wine cmd /c exit </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null || true; [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true' EXIT
run_suite build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DPELZO_LINUX_TOOL="$top/build/pelzo-quiz"

echo "== Windows: the release archive and the installer =="
bash scripts/build-windows.sh "$top/build-win-release/dist"

echo "== Web: the suite under Node, the release, the game in Chromium =="
wineserver -k 2>/dev/null || true
bash scripts/setup-web.sh build-web
bash scripts/setup.sh chromium
# Node's package manager, for puppeteer-core: a Node that brings its own npm
# needs no Debian npm, which would not install beside it.
command -v npm >/dev/null || bash scripts/setup.sh npm
export NODE_PATH=/usr/share/nodejs
run_suite build-web -DCMAKE_TOOLCHAIN_FILE=cmake/emscripten-web.cmake -DCMAKE_BUILD_TYPE=Release
bash scripts/build-web.sh "$top/build-web/dist" build-web
# The Linux game's title with the sample set, which the page's must match.
reference=$top/build/web-reference
rm -rf "$reference"
mkdir -p "$reference"
SDL_VIDEODRIVER=dummy build/pelzo-screenshots shots "$reference" data/samples/sample.zip >/dev/null
(cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
PELZO_WEB_DIR=$top/build-web/stage PELZO_TITLE_REFERENCE=$reference/title_loaded_file_line.png \
  node --test tests/web/web_test.js tests/web/load_test.js
