#!/usr/bin/env bash
# Builds the three presets (native with sanitizers, win64, win32) and runs every
# test: natively, and under Wine for the Windows builds. On a host that cannot
# execute 32-bit programs, setup.sh (as root) lets them run under user-mode
# emulation; where even that cannot be had, the win32 build is still built and its
# static checks run, and its other tests are reported as skipped, with the reason.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
source scripts/wine.sh

export WINEDEBUG=-all

# Each skipped test with the reason its output gave, from CTest's log of the run. A test
# skips for this host ("skipped: ", "skipped under user-mode emulation: ": a limit of the
# host or its emulator) or for a package the set-up should have installed ("skipped,
# missing package: "), which is a fault of the set-up: the run fails on one.
print_skip_reasons() {
  awk '/^[0-9]+\/[0-9]+ Test: / { test = $3 }
       /^skipped(, missing package| under user-mode emulation)?: / && !(test in seen) { seen[test]; print "  skipped " test ": " $0 }' \
    "build/$1/Testing/Temporary/LastTest.log"
}

# The tests of a preset that skipped for want of a package, one a line.
missing_package_skips() {
  awk '/^[0-9]+\/[0-9]+ Test: / { test = $3 }
       /^skipped, missing package: / && !(test in seen) { seen[test]; print "  " test ": " $0 }' \
    "build/$1/Testing/Temporary/LastTest.log"
}

jobs=$(nproc)
status=0
logs=$(mktemp -d)
trap 'norvik_release_wine_session; rm -rf "$logs"' EXIT
summaries=()
total_passed=0 total_failed=0 total_skipped=0
setup_faults=()
for preset in native win64 win32; do
  echo "== $preset"
  # The build runs test DLLs too, to list their tests.
  if [ "$preset" = win64 ] || { [ "$preset" = win32 ] && norvik_can_run_32bit; }; then
    norvik_hold_wine_session "$preset"
  fi
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  if ! ctest --preset "$preset" -j "$jobs" 2>&1 | tee "$logs/$preset"; then
    status=1
  fi
  norvik_release_wine_session

  # CTest's own lines: "Test #N: name .... Passed", "***Skipped", "***Failed" and so on.
  # A test that runs CTest itself (the package consumer) prints that run's lines
  # too: only lines counted out of this run's own total, which its closing summary
  # gives last, are its tests. The log is read as text whatever bytes tests printed.
  total=$(grep -a -o -E 'tests failed out of [0-9]+' "$logs/$preset" | tail -1 | grep -o -E '[0-9]+$' || true)
  own="^ *[0-9]+/${total:-0} Test +#"
  ran=$(grep -a -c -E "$own" "$logs/$preset" || true)
  skipped=$(grep -a -c -E "$own.*\*\*\*Skipped" "$logs/$preset" || true)
  passed=$(grep -a -c -E "$own.* Passed " "$logs/$preset" || true)
  failed=$((ran - skipped - passed))
  total_passed=$((total_passed + passed)) total_failed=$((total_failed + failed)) total_skipped=$((total_skipped + skipped))
  if [ "$preset" = win32 ] && ! norvik_can_run_32bit; then
    summaries+=("win32: built and checked; $passed static checks passed, $failed failed; $skipped tests not run: $NORVIK_NO_32BIT_REASON")
  else
    if [ "$skipped" -gt 0 ]; then print_skip_reasons "$preset"; fi
    label=$preset
    if [ "$preset" = win32 ]; then label="win32 (run $(norvik_32bit_mode))"; fi
    summaries+=("$label: $passed passed, $failed failed, $skipped skipped")
  fi
  while IFS= read -r fault; do
    [ -n "$fault" ] && setup_faults+=("$preset $fault")
  done < <(missing_package_skips "$preset")
done

echo "== Summary"
printf '%s\n' "${summaries[@]}"
echo "$total_passed passed, $total_failed failed, $total_skipped skipped"
if [ ${#setup_faults[@]} -gt 0 ]; then
  echo "== Set-up faults: tests skipped for a package that scripts/setup.sh should have installed"
  printf '%s\n' "${setup_faults[@]}"
  status=1
fi
exit $status
