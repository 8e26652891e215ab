#!/usr/bin/env bash
# The soak: the Windows program under Wine through fifty rounds of import, duplicate removal, MD5
# pass, export and clearing over a million lines. Prints "soak round <n> working_set_mb <mb>
# with_list_mb <mb> seconds <s>" after each round (cleared, and with the digested list) and the
# first, last and largest cleared working set at the end; its steps check that the last is within
# 10% of the first and that every export is byte-identical.
set -euo pipefail
cd "$(dirname "$0")/.."
windows=$PWD/build/bench-windows
cmake --preset windows -B "$windows" >/dev/null
cmake --build "$windows" -j2 --target vx_e2e
echo "== wine-soak"
scripts/with-xvfb wine "$windows/e2e-bin/vx_e2e.exe" wine-soak --program "$windows/Vextorin.exe" \
  --probe "$windows/e2e-bin/vx_e2e_probe.dll" --out "$windows/e2e"
