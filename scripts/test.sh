#!/usr/bin/env bash
# Builds the three presets (native with sanitizers, win64, win32) and runs every
# test: natively, and under Wine for the Windows builds.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

export WINEDEBUG=-all
# A wineserver that outlives each test process saves about a second per start;
# it exits by itself a minute after the last Wine process.
wineserver -p60 2>/dev/null || true

jobs=$(nproc)
status=0
for preset in native win64 win32; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs" || status=1
done
exit $status
