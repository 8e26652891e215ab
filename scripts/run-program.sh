#!/usr/bin/env bash
# Starts build/windows/Vextorin.exe: on this desktop under Wine, or on a virtual display when
# there is none.
set -euo pipefail
cd "$(dirname "$0")/.."
program=build/windows/Vextorin.exe
if [ -n "${DISPLAY:-}" ]; then
  source scripts/wine-env.sh
  exec wine "$program"
fi
echo "No DISPLAY: starting Vextorin on a virtual display (Xvfb); close it with Ctrl+C."
exec scripts/with-xvfb wine "$program"
