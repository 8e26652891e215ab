#!/usr/bin/env bash
# Builds the benchmarks (native, optimised) and runs each; they print their own figures.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVX_BUILD_BENCHMARKS=ON -DVX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2
for program in "$build"/bench/*_bench; do
  echo "== $(basename "$program")"
  "$program"
done
