#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds and runs the tests, stage by stage:
#
#   scripts/test.sh [STAGE...]        (default: every stage, in this order)
#
#   linux    the suite, the sources' formatting (clang-format), the install
#            into a temporary prefix and the .deb
#   asan     the suite under AddressSanitizer + UndefinedBehaviorSanitizer
#   fuzz     every reader's fuzzer for PELZO_FUZZ_SECONDS (default 60) s
#   windows  the suite cross-built and run under Wine, the game and the
#            authors' tool under Wine, the release archive and the installer
#   web      the suite under Node, the release page, the game in Chromium
#
# Each stage installs the Debian packages it needs and builds what it takes
# from another (the Linux tool, the Linux screenshots), so any one stage runs
# on a fresh machine. Nothing is run again on failure but where Wine did not
# start a program at all (cmake/wine-run.sh, scripts/build-windows.sh): that
# is logged with its reason, and a second failure fails the run. Fails on the
# first failure or report; prints each stage's time.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
jobs=$(nproc)
all_stages=(linux asan fuzz windows web)

usage() { echo "usage: scripts/test.sh [linux|asan|fuzz|windows|web]..." >&2; exit 2; }
stages=("$@")
[ ${#stages[@]} -gt 0 ] || stages=("${all_stages[@]}")
for stage in "${stages[@]}"; do
  case " ${all_stages[*]} " in *" $stage "*) ;; *) usage ;; esac
done

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DPELZO_WERROR=ON -DPELZO_BUILD_TESTS=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure --no-tests=error -j"$jobs" --timeout 600
}

# linux_targets TARGET...: the given programs of the Linux build in build/,
# for the stages that use them without running the Linux suite.
linux_targets() {
  cmake -S . -B build -DPELZO_WERROR=ON -DPELZO_BUILD_TESTS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j"$jobs" --target "$@"
}

export SDL_AUDIODRIVER=dummy
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1

# Every clean-up the stages need, run once on exit.
cleanups=()
current=""  # the stage running, named on exit when it failed
cleanup() {
  local c
  [ -z "$current" ] || echo "==== stage $current failed after $(((SECONDS - start) / 60)) min $(((SECONDS - start) % 60)) s ===="
  for c in "${cleanups[@]}"; do eval "$c"; done
}
trap cleanup EXIT

# Tests that drive real windows (the file dialog, the game under Wine) need
# an X server: a private Xvfb when none is given.
need_display() {
  [ -z "${DISPLAY:-}" ] || return 0
  bash scripts/setup.sh xvfb
  . scripts/lib/xvfb.sh
  xvfb_start
  cleanups+=(xvfb_stop)
}

# Every C and C++ source of the tree, as clang-format (.clang-format) lays
# it out; prints the differences.
check_format() {
  local files
  mapfile -t files < <(find src tools tests bench \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) \
    -not -path '*/node_modules/*' | LC_ALL=C sort)
  clang-format --dry-run --Werror "${files[@]}"
}

stage_linux() {
  bash scripts/setup.sh
  need_display
  run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
  echo "== install into a temporary prefix, and the .deb =="
  bash scripts/install-test.sh --deb build
  echo "== the sources' formatting =="
  check_format
}

stage_asan() {
  bash scripts/setup.sh
  need_display
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1 \
  LSAN_OPTIONS=suppressions=$top/tests/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DPELZO_SANITIZE=ON
}

stage_fuzz() {
  bash scripts/setup.sh
  bash scripts/fuzz.sh "${PELZO_FUZZ_SECONDS:-60}"
}

stage_windows() {
  bash scripts/setup.sh
  need_display
  linux_targets pelzo-quiz  # the Linux tool the Windows one is compared with
  bash scripts/setup-windows.sh build-win
  # One prefix for the whole stage, standing in for a Windows with its fonts,
  # and one Wine server kept up for it, so that each test program starts
  # quickly. Wine names files on the Linux side in the locale's character
  # set: UTF-8, so that every Windows file name has a Linux one.
  export WINEPREFIX=$top/build-win/wine-prefix WINEDEBUG=-all LC_ALL=C.UTF-8
  bash scripts/wine-prefix.sh "$WINEPREFIX"
  wineserver -k 2>/dev/null || true  # a server left from an earlier run
  wineserver -p
  cleanups+=("WINEPREFIX='$WINEPREFIX' wineserver -k 2>/dev/null || true")
  # Wine's helper programs (services, the desktop process) start here, once,
  # rather than with the first test.
  wine cmd /c exit </dev/null >/dev/null 2>&1
  run_suite build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DPELZO_LINUX_TOOL="$top/build/pelzo-quiz"
  echo "== Windows: the release archive and the installer =="
  bash scripts/build-windows.sh "$top/build-win-release/dist"
  wineserver -k 2>/dev/null || true
  unset WINEPREFIX WINEDEBUG LC_ALL
}

stage_web() {
  bash scripts/setup.sh
  # The Linux game's title with the sample set, which the page's must match,
  # and the Linux tool, which packs the authoring test's cases and checks
  # the sets the page saves.
  linux_targets pelzo-screenshots pelzo-quiz
  bash scripts/setup-web.sh build-web
  bash scripts/setup.sh chromium
  # Node's package manager, for puppeteer-core: a Node that brings its own npm
  # needs no Debian npm, which would not install beside it.
  command -v npm >/dev/null || bash scripts/setup.sh npm
  export NODE_PATH=/usr/share/nodejs
  run_suite build-web -DCMAKE_TOOLCHAIN_FILE=cmake/emscripten-web.cmake -DCMAKE_BUILD_TYPE=Release \
    -DPELZO_LINUX_TOOL="$top/build/pelzo-quiz"
  bash scripts/build-web.sh "$top/build-web/dist" build-web
  reference=$top/build/web-reference
  rm -rf "$reference"
  mkdir -p "$reference"
  SDL_VIDEODRIVER=dummy build/pelzo-screenshots shots "$reference" data/samples/sample.zip >/dev/null
  (cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
  PELZO_WEB_DIR=$top/build-web/stage PELZO_TITLE_REFERENCE=$reference/title_loaded_file_line.png \
  PELZO_QUIZ=$top/build/pelzo-quiz \
    node --test tests/web/web_test.js tests/web/load_test.js tests/web/sharp_test.js
}

times=()
for stage in "${stages[@]}"; do
  echo "==== stage $stage ===="
  start=$SECONDS current=$stage
  "stage_$stage"
  current=""
  took=$((SECONDS - start))
  times+=("$stage $((took / 60)) min $((took % 60)) s")
  echo "==== stage $stage passed in $((took / 60)) min $((took % 60)) s ===="
done
printf 'test.sh: %s\n' "${times[@]}"
