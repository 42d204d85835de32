#!/usr/bin/env bash
# Takes screenshots of the runner's window in its main states, with the sample test
# DLL, on a virtual X server: opened, after running everything with a failing test
# chosen, and the XML view. Writes PNGs to docs/images/ (or the folder given).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine.sh
export WINEDEBUG=-all

out=${1:-docs/images}
mkdir -p "$out"
cmake --preset win64 >/dev/null
cmake --build build/win64 --target WindowsNorvik RingBufferTests runner_window_driver >/dev/null
bin=build/win64/bin

display=":$((200 + RANDOM % 100))"
Xvfb "$display" -screen 0 1024x720x24 >/dev/null 2>&1 &
xvfb=$!
runner=
trap 'kill $runner $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 1

sample=$(norvik_windows_path "$PWD/$bin/RingBufferTests.dll")
"$NORVIK_WINE64" "$bin/WindowsNorvik.exe" "$sample" &
runner=$!
title="$sample - Windows Norvik"

# Each shot: the actions for the window, then the window alone, cut from the screen.
shot() {
  local name=$1
  shift
  local geometry
  geometry=$("$NORVIK_WINE64" "$bin/runner_window_driver.exe" "$title" "$@" | tr -d '\r')
  import -window root -crop "$geometry" +repage "$out/$name.png"
  echo "$out/$name.png"
}

shot window-opened
shot window-after-run 141 120 row:3
shot window-xml-view 151
"$NORVIK_WINE64" "$bin/runner_window_driver.exe" "$title" 101 >/dev/null
wait "$runner" || true
