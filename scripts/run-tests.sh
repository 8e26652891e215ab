#!/usr/bin/env bash
# Builds and runs every test suite (native, sanitizers, under Wine, short fuzzing runs) and ends
# with the counts of tests run and failed. Exits non-zero when a test fails or a suite cannot be
# built.
set -uo pipefail
cd "$(dirname "$0")/.."
mkdir -p build/logs

tests_run=0
tests_failed=0
problems=()

# Runs one CTest preset after building it; counts what CTest reports.
run_suite() {
  local preset=$1
  shift
  local log="build/logs/$preset.log"
  echo "== $preset: configure and build"
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset"; } >"$log" 2>&1; then
    tail -n 40 "$log"
    problems+=("$preset: build failed (see $log)")
    return
  fi
  echo "== $preset: tests"
  "$@" ctest --preset "$preset" 2>&1 | tee -a "$log" | grep -E '^\s*[0-9]+ - |tests passed|\*\*\*'
  local counts
  counts=$(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$counts" ]; then
    problems+=("$preset: no test results (see $log)")
    return
  fi
  local failed total
  read -r failed _ _ _ _ total <<<"$counts"
  tests_run=$((tests_run + total))
  tests_failed=$((tests_failed + failed))
  [ "$failed" -eq 0 ] || problems+=("$preset: $failed of $total failed (see $log)")
}

check_format() {
  echo "== format"
  tests_run=$((tests_run + 1))
  local unformatted
  unformatted=$(git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run 2>&1 | grep -c 'warning:' || true)
  if [ "$unformatted" -ne 0 ]; then
    tests_failed=$((tests_failed + 1))
    problems+=("format: $unformatted places differ from .clang-format (run make format)")
  fi
}

# Each fuzz target runs briefly (FUZZ_TEST_SECONDS, default 15) and counts as one test: a crash,
# a sanitizer report or a failed property fails it. `make fuzz` runs them for long.
run_fuzz_suite() {
  local log=build/logs/fuzz.log
  FUZZ_SECONDS=${FUZZ_TEST_SECONDS:-15} scripts/run-fuzzers.sh 2>&1 | tee "$log" |
    grep -Ev '^Fuzz targets run:'
  local counts
  counts=$(grep -Eo 'Fuzz targets run: [0-9]+, found: [0-9]+' "$log" | tail -n 1)
  if [ -z "$counts" ]; then
    problems+=("fuzz: no results (see $log)")
    return
  fi
  local total found
  total=$(echo "$counts" | grep -Eo '[0-9]+' | head -n 1)
  found=$(echo "$counts" | grep -Eo '[0-9]+' | tail -n 1)
  tests_run=$((tests_run + total))
  tests_failed=$((tests_failed + found))
  [ "$found" -eq 0 ] || problems+=("fuzz: $found of $total targets found something (see $log)")
}

check_format
run_suite native
run_suite asan
run_suite tsan
# The Windows suite runs under Xvfb: the end-to-end tests drive the real window.
run_suite windows scripts/with-xvfb
# A scenario that passed only at its second attempt passes, but its first attempt is shown.
grep -a -E '^MISS ' build/windows/Testing/Temporary/LastTest.log 2>/dev/null |
  sed 's/^/windows: passed at the second attempt after: /'
run_fuzz_suite

echo
for problem in "${problems[@]}"; do echo "FAILED: $problem"; done
echo "Tests run: $tests_run, failed: $tests_failed"
[ "$tests_failed" -eq 0 ] && [ ${#problems[@]} -eq 0 ]
