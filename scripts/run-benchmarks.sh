#!/usr/bin/env bash
# Builds the benchmarks (native, optimised) and runs each; they print their own figures. Then the
# Windows program under Wine: the wine-bench scenario drives the real window through a million
# lines (WINE_BENCH_LINES, e.g. make bench WINE_BENCH_LINES=100000000) and prints
# "wine <stage> <lines> <seconds>", the window's longest gaps and the repaint figures.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVX_BUILD_BENCHMARKS=ON -DVX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2
for program in "$build"/bench/*_bench; do
  echo "== $(basename "$program")"
  args=()
  [ "$(basename "$program")" = pipeline_bench ] && args=(--export-types)
  "$program" "${args[@]}"
done

windows=$PWD/build/bench-windows
cmake --preset windows -B "$windows" >/dev/null
cmake --build "$windows" -j2 --target vx_e2e
echo "== wine-bench"
VX_WINE_BENCH_LINES=${WINE_BENCH_LINES:-1000000} scripts/with-xvfb wine "$windows/e2e-bin/vx_e2e.exe" wine-bench --program "$windows/Vextorin.exe" \
  --probe "$windows/e2e-bin/vx_e2e_probe.dll" --out "$windows/e2e"
