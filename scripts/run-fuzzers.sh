#!/usr/bin/env bash
# Builds the fuzz targets with clang (build/fuzz) and runs each for FUZZ_SECONDS seconds (default
# 600), FUZZ_JOBS at a time (default 2), starting from its seeds in tests/fuzz/corpus/<target>
# and the inputs kept from earlier runs in build/fuzz/corpus/<target>. FUZZ_TARGETS limits the
# run to the targets named. Prints per target the executions reached and whether anything was
# found (the input is kept in build/fuzz/findings/<target>/, the log in build/fuzz/logs/), then
# "Fuzz targets run: N, found: M". Exits non-zero when a target found something or a target
# cannot be built or run.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-600}
jobs=${FUZZ_JOBS:-2}
build=build/fuzz
mkdir -p build/logs

echo "== fuzz: configure and build"
if ! { cmake --preset fuzz && cmake --build --preset fuzz; } >build/logs/fuzz-build.log 2>&1; then
  tail -n 40 build/logs/fuzz-build.log
  echo "FAILED: the fuzz targets do not build (see build/logs/fuzz-build.log)"
  exit 2
fi

targets=()
if [ -n "${FUZZ_TARGETS:-}" ]; then
  read -r -a targets <<<"$FUZZ_TARGETS"
else
  for source in tests/fuzz/*_fuzz.cpp; do
    targets+=("$(basename "$source" .cpp)")
  done
fi

mkdir -p "$build/logs" "$build/results"
# Runs one target and leaves a one-line result: "ok <executions>" or "found <executions> <what>".
run_target() {
  local target=$1
  local log="$build/logs/$target.log"
  local findings="$build/findings/$target"
  mkdir -p "$build/corpus/$target" "$findings" "tests/fuzz/corpus/$target"
  rm -f "$findings"/*
  "$build/targets/$target" "$build/corpus/$target" "tests/fuzz/corpus/$target" \
    -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
    -artifact_prefix="$findings/" >"$log" 2>&1
  local status=$?
  local executions
  executions=$(grep -Eo 'stat::number_of_executed_units: [0-9]+' "$log" | grep -Eo '[0-9]+$')
  local what=""
  if grep -q 'property failed' "$log"; then
    what="a property failed"
  elif grep -q 'ERROR: AddressSanitizer' "$log"; then
    what="AddressSanitizer: $(grep -Eo 'ERROR: AddressSanitizer: [a-z-]+' "$log" | head -n 1 | cut -d' ' -f3)"
  elif grep -q 'runtime error:' "$log"; then
    what="undefined behaviour"
  elif grep -q 'ERROR: LeakSanitizer' "$log"; then
    what="a leak"
  elif grep -q 'ERROR: libFuzzer: timeout' "$log"; then
    what="a slow input (over 30 s)"
  elif grep -q 'ERROR: libFuzzer: out-of-memory' "$log"; then
    what="memory use over the limit"
  elif [ "$status" -ne 0 ]; then
    what="a crash (exit code $status)"
  fi
  if [ -z "$what" ] && [ -z "$executions" ]; then what="no statistics: did it run?"; fi
  if [ -n "$what" ]; then
    echo "found ${executions:-0} $what" >"$build/results/$target"
  else
    echo "ok $executions" >"$build/results/$target"
  fi
}

echo "== fuzz: ${#targets[@]} targets, $seconds s each, $jobs at a time"
for target in "${targets[@]}"; do
  rm -f "$build/results/$target"
  if [ ! -x "$build/targets/$target" ]; then
    echo "found 0 no such target" >"$build/results/$target"
    continue
  fi
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
  run_target "$target" &
done
wait

found=0
for target in "${targets[@]}"; do
  read -r outcome executions what <"$build/results/$target"
  if [ "$outcome" = ok ]; then
    printf '%-24s %12s executions, nothing found\n' "$target" "$executions"
  else
    found=$((found + 1))
    printf '%-24s %12s executions, FOUND %s: %s (log %s)\n' "$target" "$executions" "$what" \
      "$(ls "$build/findings/$target"/* 2>/dev/null | head -n 1)" "$build/logs/$target.log"
  fi
done
echo "Fuzz targets run: ${#targets[@]}, found: $found"
[ "$found" -eq 0 ]
