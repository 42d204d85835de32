#!/usr/bin/env bash
# Takes screenshots of the runner with the sample test DLL under Wine on a virtual X
# server: the window opened, after running everything with a failing test chosen, the
# XML view, the File and Run menus with the everyday commands, the failed tests run
# again (F8) after the list came back from the XML view, a run in a worker
# process that a hanging test keeps going with Stop offered, the window after that
# Stop with the tests that ended their workers, a test DLL before and after a
# rebuild that the window reloaded on its own, and a test that skipped itself with
# its reason in the failure list; then its own look: the
# about box, the report options dialog, and a disabled and a pressed button. Writes PNGs to the folder given (default
# build/screenshots); the README's picture is window-after-run.png.
#
#     bash scripts/screenshots.sh [folder]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine.sh
export WINEDEBUG=-all
# Settings of their own, so that the pictures do not depend on the user's.
export NORVIK_WINDOW_SETTINGS='Software\Norvik\Screenshots'
"$NORVIK_WINE64" reg delete "HKCU\\$NORVIK_WINDOW_SETTINGS" /f >/dev/null 2>&1 || true

out=${1:-build/screenshots}
mkdir -p "$out"
cmake --preset win64 >/dev/null
cmake --build build/win64 --target WindowsNorvik RingBufferTests runner_window_driver look_screenshot_driver \
  runner_reloading_first runner_reloading_second runner_separate_process_library runner_declared_library >/dev/null
bin=build/win64/bin

display=":$((200 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
runner=
trap 'kill $runner $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 1

sample=$(norvik_windows_path "$PWD/$bin/RingBufferTests.dll")
title="$sample - Windows Norvik"
start_runner() {
  "$NORVIK_WINE64" "$bin/WindowsNorvik.exe" "$sample" &
  runner=$!
}

# shot NAME DRIVER ARGUMENTS...: the driver puts the runner into a state and prints
# the geometry of the window to take, which is cut from the screen.
shot() {
  local name=$1 driver=$2
  shift 2
  local geometry
  geometry=$("$NORVIK_WINE64" "$bin/$driver.exe" "$@" | tr -d '\r')
  import -window root -crop "$geometry" +repage "$out/$name.png"
  echo "$out/$name.png"
}

start_runner
shot window-opened runner_window_driver "$title"
shot window-after-run runner_window_driver "$title" 141 120 row:3
shot window-xml-view runner_window_driver "$title" 151
shot window-run-menu runner_window_driver "$title" 150 menu:u
# F8 after that run: only the two tests that failed run again.
shot window-after-failed-rerun runner_window_driver "$title" cancel wait:500 141 123 wait:500 row:3
"$NORVIK_WINE64" "$bin/runner_window_driver.exe" "$title" cancel 101 >/dev/null
wait "$runner" || true

# A run in a worker process: tests that end their worker fail alone, and one that
# never returns keeps the run going until Stop (124).
ends=$(norvik_windows_path "$PWD/$bin/runner_separate_process_library.dll")
"$NORVIK_WINE64" "$bin/WindowsNorvik.exe" "$ends" &
runner=$!
shot window-run-in-progress runner_window_driver "$ends - Windows Norvik" start:120 wait:8000 menu:u
shot window-after-stop runner_window_driver "$ends - Windows Norvik" cancel 124 row:0
"$NORVIK_WINE64" "$bin/runner_window_driver.exe" "$ends - Windows Norvik" 101 >/dev/null
wait "$runner" || true

# A rebuild while the window is open: nothing ticked but the test the new build adds.
work=$(mktemp -d)
cp "$bin/runner_reloading_first.dll" "$work/reloading.dll"
rebuilt=$(norvik_windows_path "$work/reloading.dll")
"$NORVIK_WINE64" "$bin/WindowsNorvik.exe" "$rebuilt" &
runner=$!
shot window-file-menu runner_window_driver "$rebuilt - Windows Norvik" menu:f
shot reload-before runner_window_driver "$rebuilt - Windows Norvik" cancel 141 143
cp "$bin/runner_reloading_second.dll" "$work/reloading.dll.new"
mv "$work/reloading.dll.new" "$work/reloading.dll"
shot reload-after runner_window_driver "$rebuilt - Windows Norvik" wait:2500
"$NORVIK_WINE64" "$bin/runner_window_driver.exe" "$rebuilt - Windows Norvik" 101 >/dev/null
wait "$runner" || true
rm -rf "$work"

# A test that skipped itself, chosen and run with its batch in the window's own
# process: its reason stands in the failure list at the test's line. The window is
# wider, so that the result column shows beside the test's full path.
"$NORVIK_WINE64" reg add "HKCU\\$NORVIK_WINDOW_SETTINGS" /v SeparateProcess /d 0 /f >/dev/null
"$NORVIK_WINE64" reg add "HKCU\\$NORVIK_WINDOW_SETTINGS" /v Placement /d 0,0,1040,480,0 /f >/dev/null
declared=$(norvik_windows_path "$PWD/$bin/runner_declared_library.dll")
"$NORVIK_WINE64" "$bin/WindowsNorvik.exe" "$declared" &
runner=$!
shot window-skipped-test runner_window_driver "$declared - Windows Norvik" 141 row:2 121
"$NORVIK_WINE64" "$bin/runner_window_driver.exe" "$declared - Windows Norvik" 101 >/dev/null
wait "$runner" || true
"$NORVIK_WINE64" reg delete "HKCU\\$NORVIK_WINDOW_SETTINGS" /v SeparateProcess /f >/dev/null
"$NORVIK_WINE64" reg delete "HKCU\\$NORVIK_WINDOW_SETTINGS" /v Placement /f >/dev/null

start_runner
shot about-box look_screenshot_driver about
"$NORVIK_WINE64" "$bin/look_screenshot_driver.exe" close >/dev/null
shot report-options look_screenshot_driver report
"$NORVIK_WINE64" "$bin/look_screenshot_driver.exe" close >/dev/null
shot disabled-and-pressed-buttons look_screenshot_driver buttons
