#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the Windows stage's Wine steps N times in a row (default 10) while a
# clean copy of the Linux build compiles beside them at low priority, and
# counts the runs that passed: the check that these steps do not fail under
# load. Needs a built build-win (scripts/test.sh windows builds it) and the
# release stage folder build-win/stage with its installer in build-win/dist.
#
#   .ci/wine-repeat.sh [N [CTEST_REGEX]]
#
# CTEST_REGEX keeps the ctest tests it matches (e.g. ^Wine: the tests of
# tests/wine/ only) and leaves out the installer; the default is the whole
# suite and the installer.
# Each run's output is kept in build-win/repeat/run-K.log; the runs have a
# Wine prefix of their own there, so a test.sh run beside them is left alone.
set -uo pipefail
cd "$(dirname "$0")/.."
top=$PWD
runs=${1:-10}
filter=(-R "${2:-.}")
case $runs in ''|*[!0-9]*|0) echo "wine-repeat: N must be a whole number above 0" >&2; exit 2 ;; esac
[ "$runs" -le 100 ] || { echo "wine-repeat: at most 100 runs" >&2; exit 2; }
[ -f build-win/CTestTestfile.cmake ] || { echo "wine-repeat: build-win is not built" >&2; exit 2; }
out=$top/build-win/repeat
load=$(mktemp -d)
load_pid=
cleanup() {
  [ -z "$load_pid" ] || kill -- -"$load_pid" 2>/dev/null
  rm -rf "$load"
  [ -z "${XVFB_PID:-}" ] || xvfb_stop
  WINEPREFIX=$top/build-win/repeat/prefix wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 1' INT TERM
mkdir -p "$out"

if [ -z "${DISPLAY:-}" ]; then
  . scripts/lib/xvfb.sh
  xvfb_start || exit 2
fi
export SDL_AUDIODRIVER=dummy WINEPREFIX=$top/build-win/repeat/prefix WINEDEBUG=-all LC_ALL=C.UTF-8
# A fresh prefix: one whose making was cut short would be taken as made.
rm -rf "$WINEPREFIX"
bash scripts/wine-prefix.sh "$WINEPREFIX"
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1

# The load: a clean Linux build, compiled again and again, without ccache.
setsid bash -c "while :; do rm -rf '$load/b'; cmake -S '$top' -B '$load/b' -DPELZO_BUILD_TESTS=ON >/dev/null &&
  CCACHE_DISABLE=1 nice cmake --build '$load/b' -j2 >/dev/null 2>&1; done" &
load_pid=$!

passed=0
for k in $(seq "$runs"); do
  start=$SECONDS
  # The installer, once a release has been packed (looked for each run).
  setup= stage=
  if [ -z "${2:-}" ]; then
    setup=$(ls build-win/dist/*-setup.exe 2>/dev/null | head -n 1)
    stage=$(ls -d build-win/stage/pelzowin-* 2>/dev/null | head -n 1)
  fi
  {
    ctest --test-dir build-win "${filter[@]}" --output-on-failure --no-tests=error -j2 --timeout 600 &&
      if [ -n "$setup" ] && [ -n "$stage" ]; then
        bash tests/wine/installer.sh "$setup" "$stage" "$out/installer-prefix"
      fi
  } >"$out/run-$k.log" 2>&1
  rc=$?
  [ "$rc" -eq 0 ] && passed=$((passed + 1))
  echo "run $k: $([ "$rc" -eq 0 ] && echo passed || echo "FAILED (see $out/run-$k.log)") in $((SECONDS - start)) s${setup:+, with the installer}"
done
echo "wine-repeat: $passed/$runs passed"
[ "$passed" -eq "$runs" ]
