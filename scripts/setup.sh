#!/usr/bin/env bash
# Installs, only when missing, what the three builds and their tests need, and
# prepares the Wine prefix once. Safe to run again: it takes seconds when
# everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest libxml2-utils clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 wine32:i386 xvfb xauth imagemagick
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# MinGW's default alternative may be the win32 thread model; the posix one is
# what our C++17 code and static winpthread need.
for triplet in x86_64-w64-mingw32 i686-w64-mingw32; do
  for tool in gcc g++; do
    if [ -x "/usr/bin/$triplet-$tool-posix" ] && [ "$(readlink -f "/usr/bin/$triplet-$tool")" != "/usr/bin/$triplet-$tool-posix" ]; then
      update-alternatives --set "$triplet-$tool" "/usr/bin/$triplet-$tool-posix" >/dev/null
    fi
  done
done

# A fresh Wine prefix takes a while to create and would offer to install its .NET
# and HTML engines in dialogs; create it once, quietly, through the 64-bit loader
# (which every host can run), so every test starts from a ready prefix.
source "$(dirname "$0")/wine.sh"
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine}"
export WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "setup: initialising the Wine prefix at $WINEPREFIX"
  WINEDLLOVERRIDES="mscoree,mshtml=" "$NORVIK_WINE64" wineboot --init >/dev/null 2>&1 || true
  wineserver -w || true
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "setup: the Wine prefix could not be created at $WINEPREFIX" >&2
  exit 1
fi
if norvik_can_run_32bit; then
  echo "setup: ready"
else
  echo "setup: ready; 32-bit Windows programs will not run: $NORVIK_NO_32BIT_REASON"
fi
