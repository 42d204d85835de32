#!/usr/bin/env bash
# Installs, only when missing, what the three builds and their tests need, and
# prepares the Wine prefix once. Safe to run again: it takes seconds when
# everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest libxml2-utils clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 wine32:i386 xvfb xauth imagemagick
  llvm lld unzip meson libwine-dev
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done

# Installing needs root: as another user, sudo asks for it where there is one.
norvik_as_root() {
  if [ "$(id -u)" = 0 ]; then
    "$@"
  elif command -v sudo >/dev/null; then
    sudo "$@"
  else
    echo "setup: '$*' needs root: run this as root, or where sudo is installed" >&2
    exit 1
  fi
}

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    norvik_as_root dpkg --add-architecture i386
  fi
  norvik_as_root apt-get update -qq
  norvik_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# MinGW's default alternative may be the win32 thread model; the posix one is
# what our C++17 code and static winpthread need.
for triplet in x86_64-w64-mingw32 i686-w64-mingw32; do
  for tool in gcc g++; do
    if [ -x "/usr/bin/$triplet-$tool-posix" ] && [ "$(readlink -f "/usr/bin/$triplet-$tool")" != "/usr/bin/$triplet-$tool-posix" ]; then
      norvik_as_root update-alternatives --set "$triplet-$tool" "/usr/bin/$triplet-$tool-posix" >/dev/null
    fi
  done
done

source "$(dirname "$0")/wine.sh"

# A kernel that cannot execute 32-bit programs can still run them through user-mode
# emulation: qemu 10 from the backports suite (Debian 12's own 7.2 cannot start
# Wine's 32-bit server connection), registered with binfmt_misc for i386 programs.
# Only as root, and never where 32-bit programs already run or an i386 entry exists,
# unless NORVIK_32BIT_EMULATION=1 asks for it, to reproduce such a host's runs here.
norvik_set_up_32bit_emulation() {
  local codename backports
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  backports=/etc/apt/sources.list.d/debian-backports.sources
  if ! qemu-i386 --version 2>/dev/null | grep -q -E 'version ([1-9][0-9]+)\.'; then
    if ! grep -rqs -- "$codename-backports" /etc/apt/sources.list /etc/apt/sources.list.d/; then
      echo "setup: adding the $codename-backports suite to the package sources"
      printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: %s-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$codename" >"$backports"
    fi
    echo "setup: installing qemu-user from $codename-backports"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends -t "$codename-backports" qemu-user >/dev/null
  fi
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  fi
  if ! norvik_i386_binfmt_entry >/dev/null; then
    echo "setup: running 32-bit programs through qemu-i386"
    # Debian's entry for i386 carries the F flag: the emulator is opened once, at
    # registration, so it also serves programs in other mount namespaces.
    cat /usr/share/qemu/binfmt.d/qemu-i386.conf >/proc/sys/fs/binfmt_misc/register
  fi
}

if { ! norvik_can_run_32bit || [ "${NORVIK_32BIT_EMULATION:-0}" = 1 ]; } &&
   [ "${NORVIK_NO_32BIT:-0}" != 1 ] && [ "$(id -u)" = 0 ] && ! norvik_i386_binfmt_entry >/dev/null; then
  # As root the 32-bit tests always run; a host where they cannot is said so at once.
  if ! norvik_set_up_32bit_emulation; then
    echo "setup: user-mode emulation for 32-bit programs could not be set up; set NORVIK_NO_32BIT=1 to build the win32 preset without running its programs" >&2
    exit 1
  fi
fi

# A fresh Wine prefix takes a while to create and would offer to install its .NET
# and HTML engines in dialogs; create each once, quietly, so every test starts from
# a ready prefix: the 64-bit one through the 64-bit loader (which every host can
# run), the 32-bit one where 32-bit programs run.
source "$(dirname "$0")/wine_prefix.sh"
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine}"
export WINEDEBUG=-all
norvik_make_prefix "$WINEPREFIX" "$NORVIK_WINE64" win64
if norvik_can_run_32bit; then
  norvik_make_prefix "$NORVIK_WINE32_PREFIX" "$NORVIK_WINE32" win32
  echo "setup: ready; 32-bit Windows programs run $(norvik_32bit_mode)"
else
  echo "setup: ready; 32-bit Windows programs will not run: $NORVIK_NO_32BIT_REASON"
fi
