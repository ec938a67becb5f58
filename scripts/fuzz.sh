#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets of tests/fuzz with clang and runs each for the
# given number of seconds, as many at once as there are cores (each target is
# one process, so on a 2-core machine two at a time), from a fresh corpus seeded by
# make_seeds (tests/fuzz/make_seeds.cpp, given the ZIP fixtures of
# tests/fixtures/make_zip_fixtures.py). Inputs saved in
# tests/fuzz/regressions/<target>/ are replayed first. Exits non-zero when any
# target reports a crash, leak, timeout, out-of-memory or sanitizer error;
# findings land in $BUILD/fuzz-artifacts/<target>/.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     (default 60 s, every target)
#
# Environment: PELZO_FUZZ_BUILD (default build-fuzz), PELZO_JOBS (build jobs,
# and targets run at once; default: the number of cores).
set -uo pipefail
cd "$(dirname "$0")/.."
top=$PWD
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_pzq fuzz_zip fuzz_qtext fuzz_codepage fuzz_pipeline fuzz_table fuzz_workbook)
fi
case $seconds in
  ''|*[!0-9]*) echo "fuzz.sh: SECONDS must be a whole number, not '$seconds'" >&2; exit 2 ;;
esac
build=${PELZO_FUZZ_BUILD:-$top/build-fuzz}
jobs=${PELZO_JOBS:-$(nproc)}

for tool in clang clang++ python3; do
  command -v $tool >/dev/null || { echo "fuzz.sh: $tool not found (run scripts/setup.sh)" >&2; exit 2; }
done

echo "== fuzz: build ($build) =="
cmake -S "$top" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELZO_FUZZ=ON -DPELZO_BUILD_TESTS=OFF -DPELZO_WERROR=ON >/dev/null ||
  { echo "fuzz.sh: configure failed" >&2; exit 2; }
cmake --build "$build" -j"$jobs" --target "${targets[@]}" make_seeds >"$build/fuzz-build.log" 2>&1 ||
  { cat "$build/fuzz-build.log" >&2; echo "fuzz.sh: build failed" >&2; exit 2; }

echo "== fuzz: seeds =="
# Without the fixtures (a tool missing) the corpora go on with the rest.
fixtures=$build/fuzz-zip-fixtures
rm -rf "$fixtures"
python3 "$top/tests/fixtures/make_zip_fixtures.py" "$fixtures" 2>"$build/fuzz-zip-fixtures.log" ||
  echo "fuzz.sh: ZIP fixtures not made ($(tail -1 "$build/fuzz-zip-fixtures.log"))" >&2
"$build/fuzz/make_seeds" "$build/fuzz-seeds" "$fixtures" || { echo "fuzz.sh: seeds failed" >&2; exit 2; }

# LeakSanitizer runs after every input libFuzzer suspects; UBSan aborts on its
# first report (the code is built with -fno-sanitize-recover).
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
# The targets write each input to a temp file; a crashing run cannot remove
# its file, so keep them all in the build folder.
export TMPDIR=$build/fuzz-tmp
rm -rf "$TMPDIR"
mkdir -p "$TMPDIR"

# fuzz_one TARGET: replays TARGET's saved regressions, fuzzes it for the
# given time and writes its summary line to $results/TARGET.
fuzz_one() {
  local t=$1 name exe corpus artifacts log result rc execs status cov ft what found
  name=${t#fuzz_}
  exe=$build/fuzz/$t
  corpus=$build/fuzz-corpus/$name
  artifacts=$build/fuzz-artifacts/$name
  log=$build/fuzz-logs/$t.log
  rm -rf "$corpus" "$artifacts"
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"

  result=ok
  regressions=("$top"/tests/fuzz/regressions/"$name"/*)
  if [ -e "${regressions[0]}" ]; then
    if ! "$exe" -timeout=10 -rss_limit_mb=2048 "${regressions[@]}" >"$log.regressions" 2>&1; then
      result="FAILED on a saved regression input (see $log.regressions)"
    fi
  fi

  "$exe" "$corpus" "$build/fuzz-seeds/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 >"$log" 2>&1
  rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  status=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$status")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$status")
  [ -n "$execs" ] || execs=$(sed -n 's/^#\([0-9]*\).*/\1/p' <<<"$status")
  if [ $rc -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|fuzz contract broken' "$log"; then
    what=$(grep -m1 -oE 'ERROR: [A-Za-z]+: [^(]*|runtime error: .*|fuzz contract broken: .*' "$log")
    found=$(ls "$artifacts" 2>/dev/null | head -1)
    result="FAILED (exit $rc) ${what:-see $log} ${found:+input $artifacts/$found}"
  fi
  printf '%-14s %12s %7s %7s  %s\n' "$t" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$result" >"$results/$t"
  cat "$results/$t"
}

# Each target is one process on one core: $jobs of them at a time. A target
# that ends early (a finding) frees its core for the next.
results=$build/fuzz-results
rm -rf "$results"
mkdir -p "$results"
running=0
for t in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n
    running=$((running - 1))
  fi
  echo "== fuzz: $t for ${seconds}s =="
  fuzz_one "$t" &
  running=$((running + 1))
done
wait

failed=0
printf '%-14s %12s %7s %7s  %s\n' target executions cov ft result >"$build/fuzz-summary.txt"
for t in "${targets[@]}"; do
  if [ ! -s "$results/$t" ]; then
    printf '%-14s %12s %7s %7s  %s\n' "$t" '?' '?' '?' "FAILED (no result: see $build/fuzz-logs/$t.log)" >"$results/$t"
  fi
  grep -q '  ok$' "$results/$t" || failed=1
  cat "$results/$t" >>"$build/fuzz-summary.txt"
done

echo "== fuzz: summary =="
cat "$build/fuzz-summary.txt"
exit $failed
