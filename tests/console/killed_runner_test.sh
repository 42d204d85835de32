#!/usr/bin/env bash
# Kills the console runner while its worker runs a test that never returns, and
# checks that the worker ends with it rather than living on.
#
#   killed_runner_test.sh [EMULATOR...] -- RUNNER LIBRARY
set -euo pipefail
emulator=()
while [ "$1" != "--" ]; do
  emulator+=("$1")
  shift
done
shift
runner=$1 library=$2

# Where the program cannot run, its stand-in says why, and the test is skipped.
if help=$("${emulator[@]}" "$runner" --help 2>&1) && [[ "$help" == skipped:* ]]; then
  echo "$help"
  exit 0
fi

work=$(mktemp -d)
# A file name of its own tells this run's worker from those of tests alongside.
name="killed-$$-$RANDOM.$(basename "$library" | sed 's/.*\.//')"
cp "$library" "$work/$name"
worker() { pgrep -f -- "--worker-channel.*$name" >/dev/null; }
# The test notes that it runs: the worker is past its start, which a runner killed
# during CreateProcess can leave suspended under Wine.
export NORVIK_HOSTILE_RUNS="$work/runs"
sleeping() { [ -s "$NORVIK_HOSTILE_RUNS" ]; }
cleanup() {
  pkill -9 -f -- "$name" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"${emulator[@]}" "$runner" --isolate --filter 'Sleeps.*' "$work/$name" >/dev/null 2>&1 &
runnerPid=$!
for _ in $(seq 600); do
  sleeping && break
  sleep 0.1
done
sleeping && worker || { echo "FAILED: no worker ran the test"; exit 1; }
kill -9 "$runnerPid"
for _ in $(seq 300); do
  if ! worker; then
    echo "passed: the worker ended with its runner"
    exit 0
  fi
  sleep 0.1
done
echo "FAILED: the worker outlived its runner"
exit 1
