# Sourced by the scripts: the Wine loaders and prefixes, and how this host runs 32-bit
# programs. Debian's `wine` command tries the 32-bit loader first, which fails on a
# kernel that cannot execute 32-bit programs even when the program is 64-bit, so
# 64-bit programs always go through the 64-bit loader.
NORVIK_WINE64=/usr/lib/wine/wine64
NORVIK_WINE32=/usr/lib/wine/wine
NORVIK_NO_32BIT_REASON="this host cannot execute 32-bit programs"
# Wine takes only an absolute prefix path, and a trailing slash would put the 32-bit
# prefix inside the 64-bit one.
if [ -n "${WINEPREFIX:-}" ]; then
  WINEPREFIX=$(realpath -m -- "$WINEPREFIX")
  export WINEPREFIX
fi
# A prefix made by the 64-bit loader lacks the 32-bit system, so 32-bit programs get
# a 32-bit prefix of their own, beside it.
NORVIK_WINE64_PREFIX=$(realpath -m -- "${WINEPREFIX:-$HOME/.wine}")
NORVIK_WINE32_PREFIX=$(realpath -m -- "${NORVIK_WINE32_PREFIX:-${NORVIK_WINE64_PREFIX}32}")
NORVIK_SCRIPTS_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

norvik_can_run_32bit() {
  bash "$NORVIK_SCRIPTS_DIR/can_run_32bit.sh"
}

# The binfmt_misc entry that hands 32-bit x86 programs to an emulator, if one is
# registered and enabled.
norvik_i386_binfmt_entry() {
  local entry
  for entry in /proc/sys/fs/binfmt_misc/*; do
    if grep -qx 'enabled' "$entry" 2>/dev/null &&
       grep -q '^magic 7f454c4601010100000000000000000002000300' "$entry" 2>/dev/null; then
      echo "$entry"
      return 0
    fi
  done
  return 1
}

# How 32-bit programs run here: "natively", "under emulation" or "not at all".
norvik_32bit_mode() {
  if ! norvik_can_run_32bit; then
    echo "not at all"
  elif norvik_i386_binfmt_entry >/dev/null; then
    echo "under emulation"
  else
    echo "natively"
  fi
}

# The loader for a build: win64 or win32.
norvik_wine_loader() {
  if [ "$1" = win32 ]; then echo "$NORVIK_SCRIPTS_DIR/win32_loader.sh"; else echo "$NORVIK_WINE64"; fi
}

# A host path as Windows programs see it.
norvik_windows_path() {
  "$NORVIK_WINE64" winepath -w "$1" 2>/dev/null
}

# The prefix that a build's programs run in: win64 or win32.
norvik_wine_prefix() {
  if [ "$1" = win32 ]; then echo "$NORVIK_WINE32_PREFIX"; else echo "$NORVIK_WINE64_PREFIX"; fi
}

# Holds a Wine session open with one idle program until norvik_release_wine_session.
# Every new session boots first, and a program that starts during the boot waits for
# it: for five minutes when the boot hangs, which a 32-bit boot under emulation was
# seen to do in the middle of a test run, stalling every test after it. Held, the
# session boots once, here, and later programs also skip the server's start. A boot
# that hangs here too is ended and tried once more.
#
#   norvik_hold_wine_session win64|win32
norvik_hold_wine_session() {
  local attempt
  for attempt in 1 2; do
    norvik_start_idle_program "$(norvik_wine_loader "$1")" && return 0
    echo "warning: the Wine session in $(norvik_wine_prefix "$1") did not start within two minutes (attempt $attempt); ending it" >&2
    norvik_release_wine_session
    WINEPREFIX=$(norvik_wine_prefix "$1") wineserver -k 2>/dev/null || true
  done
  return 0
}

# Starts the idle program and waits until it runs, which is after the boot.
norvik_start_idle_program() {
  local loader=$1 fifo ready started=1
  fifo=$(mktemp -u) ready=$(mktemp)
  mkfifo "$fifo"
  # Input that never ends keeps the program at its prompt.
  exec {NORVIK_SESSION_INPUT}<>"$fifo"
  rm -f "$fifo"
  "$loader" cmd /c "echo ready& pause" <&"$NORVIK_SESSION_INPUT" >"$ready" 2>/dev/null &
  NORVIK_SESSION_PID=$!
  exec {NORVIK_SESSION_INPUT}>&-
  for _ in $(seq 1200); do
    if grep -q ready "$ready" 2>/dev/null; then
      started=0
      break
    fi
    kill -0 "$NORVIK_SESSION_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$ready"
  return $started
}

norvik_release_wine_session() {
  if [ -n "${NORVIK_SESSION_PID:-}" ]; then
    kill "$NORVIK_SESSION_PID" 2>/dev/null || true
    wait "$NORVIK_SESSION_PID" 2>/dev/null || true
    NORVIK_SESSION_PID=
  fi
}
