#!/usr/bin/env bash
# Sets up the machine, builds the runner and the sample test DLL, runs
# WindowsNorvik.exe in command-line mode on the sample under Wine, and shows the
# runner's exit code and the report it wrote.
#
#   bash scripts/run_sample.sh [--gui] [win64|win32] [TEST_DLL]
#
# win64 (the default) or win32 picks the build; TEST_DLL runs another test DLL of
# that bitness instead of the sample. --gui opens it in the runner's window
# instead (on the X display in DISPLAY), in a Wine desktop of its own. NORVIK_BUILD_DIR overrides the build folder.
# Exits with the runner's exit code: 0 when the report was written, whether or not
# the tests passed.
set -euo pipefail
repository=$(cd "$(dirname "$0")/.." && pwd)
cd "$repository"

gui=0
if [ "${1:-}" = "--gui" ]; then
  gui=1
  shift
fi
preset=${1:-win64}
case "$preset" in
  win64 | win32) ;;
  *) echo "usage: $0 [--gui] [win64|win32] [TEST_DLL]" >&2; exit 2 ;;
esac
build_dir=${NORVIK_BUILD_DIR:-$repository/build/$preset}

bash scripts/setup.sh
export WINEDEBUG=-all

cmake --preset "$preset" -B "$build_dir" >/dev/null
cmake --build "$build_dir" --target WindowsNorvik RingBufferTests

test_dll=$(realpath "${2:-$build_dir/bin/RingBufferTests.dll}")
if [ "$gui" = 1 ]; then
  # A desktop of its own keeps the window on this display even when earlier Wine
  # programs started the default desktop without one.
  exec wine explorer /desktop=Norvik,1024x768 "$build_dir/bin/WindowsNorvik.exe" "$(winepath -w "$test_dll")"
fi

report=$build_dir/sample-report.xml
rm -f "$report"

echo "Running WindowsNorvik.exe ($preset) on $test_dll"
exit_code=0
wine "$build_dir/bin/WindowsNorvik.exe" "$(winepath -w "$test_dll")" "$(winepath -w "$report")" || exit_code=$?

echo "Exit code: $exit_code"
if [ -f "$report" ]; then
  echo "Report ($report):"
  cat "$report"
  echo
else
  echo "No report was written."
fi
exit "$exit_code"
