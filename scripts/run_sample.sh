#!/usr/bin/env bash
# Sets up the machine, builds the runners and the sample test DLL, runs the console
# runner NorvikRun.exe on the sample under Wine, and shows its output, its exit code
# and the JUnit report it wrote.
#
#   bash scripts/run_sample.sh [--gui|--window-cli] [win64|win32] [TEST_DLL]
#
# win64 (the default) or win32 picks the build; TEST_DLL runs another test DLL of
# that bitness instead of the sample. --window-cli runs WindowsNorvik.exe in its
# command-line mode instead and shows the XML report it wrote; --gui opens the DLL
# in WindowsNorvik's window (on the X display in DISPLAY), in a Wine desktop of its
# own. NORVIK_BUILD_DIR overrides the build folder.
# Exits with 0 when the runner ran the tests and wrote its report, whether or not
# they passed (the runner's own exit code is printed); otherwise with the runner's
# exit code (NorvikRun: 2 a library or report could not be loaded or written, 3 a
# timeout; WindowsNorvik: 1), or 3 when win32 is asked for on a host that cannot run
# 32-bit programs.
set -euo pipefail
repository=$(cd "$(dirname "$0")/.." && pwd)
cd "$repository"

mode=console
case "${1:-}" in
  --gui) mode=gui; shift ;;
  --window-cli) mode=window-cli; shift ;;
esac
preset=${1:-win64}
case "$preset" in
  win64 | win32) ;;
  *) echo "usage: $0 [--gui|--window-cli] [win64|win32] [TEST_DLL]" >&2; exit 2 ;;
esac
build_dir=${NORVIK_BUILD_DIR:-$repository/build/$preset}

bash scripts/setup.sh
source scripts/wine.sh
export WINEDEBUG=-all
if [ "$preset" = win32 ] && ! norvik_can_run_32bit; then
  echo "Cannot run the win32 sample: $NORVIK_NO_32BIT_REASON (Wine's 32-bit loader does not start here). The win64 build runs: bash $0" >&2
  exit 3
fi
wine_loader=$(norvik_wine_loader "$preset")

cmake --preset "$preset" -B "$build_dir" >/dev/null
cmake --build "$build_dir" --target WindowsNorvik NorvikRun RingBufferTests

test_dll=$(realpath "${2:-$build_dir/bin/RingBufferTests.dll}")
if [ "$mode" = console ]; then
  junit=$build_dir/sample-junit.xml
  rm -f "$junit"
  echo "\$ NorvikRun.exe --junit sample-junit.xml $(basename "$test_dll")"
  exit_code=0
  (cd "$(dirname "$test_dll")" && "$wine_loader" "$build_dir/bin/NorvikRun.exe" --junit "$(norvik_windows_path "$junit")" \
    "$(basename "$test_dll")") || exit_code=$?
  echo "Exit code: $exit_code"
  if [ -f "$junit" ]; then
    echo "JUnit report ($junit):"
    cat "$junit"
  fi
  # The sample fails on purpose: a run that went through and wrote its report is
  # what this command shows, so failed tests (1) end it with 0.
  if [ "$exit_code" = 1 ] && [ -f "$junit" ]; then
    exit 0
  fi
  exit "$exit_code"
fi
if [ "$mode" = gui ]; then
  # A desktop of its own keeps the window on this display even when earlier Wine
  # programs started the default desktop without one.
  exec "$wine_loader" explorer /desktop=Norvik,1024x768 "$build_dir/bin/WindowsNorvik.exe" "$(norvik_windows_path "$test_dll")"
fi

report=$build_dir/sample-report.xml
rm -f "$report"

echo "Running WindowsNorvik.exe ($preset) on $test_dll"
exit_code=0
"$wine_loader" "$build_dir/bin/WindowsNorvik.exe" "$(norvik_windows_path "$test_dll")" "$(norvik_windows_path "$report")" || exit_code=$?

echo "Exit code: $exit_code"
if [ -f "$report" ]; then
  echo "Report ($report):"
  cat "$report"
  echo
else
  echo "No report was written."
fi
exit "$exit_code"
