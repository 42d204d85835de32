#!/usr/bin/env bash
# Takes screenshots of the runner's own look under Wine on a virtual X server: the
# main window, the about box, the report options dialog, and a disabled and a
# pressed button. Writes PNGs to the folder given (default build/screenshots).
#
#     bash scripts/screenshots_look.sh [folder]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine.sh
export WINEDEBUG=-all

out="${1:-build/screenshots}"
mkdir -p "$out"
cmake --preset win64 >/dev/null
cmake --build build/win64 --target WindowsNorvik RingBufferTests look_screenshot_driver >/dev/null
bin=build/win64/bin

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp &
xvfb=$!
runner=""
cleanup() {
  if [ -n "$runner" ]; then kill "$runner" 2>/dev/null || true; fi
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY="$display"
sleep 1

"$NORVIK_WINE64" "$bin/WindowsNorvik.exe" "$(norvik_windows_path "$bin/RingBufferTests.dll")" &
runner=$!

# shot NAME STEP: puts the runner into STEP and saves the window it names.
shot() {
  local geometry
  geometry=$("$NORVIK_WINE64" "$bin/look_screenshot_driver.exe" "$2" | tr -d '\r')
  import -window root -crop "$geometry" +repage "$out/$1.png"
  echo "$out/$1.png"
}

shot main_window main
shot about_box about
"$NORVIK_WINE64" "$bin/look_screenshot_driver.exe" close >/dev/null
shot report_options report
"$NORVIK_WINE64" "$bin/look_screenshot_driver.exe" close >/dev/null
shot disabled_and_pressed_buttons buttons
