#!/usr/bin/env bash
# Sets up, builds and runs every test: once normally, once under
# AddressSanitizer + UndefinedBehaviorSanitizer. Fails on any failure or report.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
jobs=$(nproc)

bash scripts/setup.sh

run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DPELZO_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 600
}

export SDL_AUDIODRIVER=dummy

echo "== tests =="
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== tests under AddressSanitizer + UndefinedBehaviorSanitizer =="
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1
export LSAN_OPTIONS=suppressions=$top/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DPELZO_SANITIZE=ON
