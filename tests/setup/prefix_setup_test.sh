#!/usr/bin/env bash
# Runs scripts/setup.sh as a new user meets it, in Wine prefixes of its own under a
# temporary folder: from no prefix at all, and from one that an interrupted set-up
# left behind. Each must end with a prefix in which the console runner starts.
#
#   prefix_setup_test.sh win64 RUNNER           the 64-bit prefix
#   prefix_setup_test.sh win32 native RUNNER    the 32-bit one, 32-bit programs run natively
#   prefix_setup_test.sh win32 emulation RUNNER the 32-bit one, under user-mode emulation
#   prefix_setup_test.sh unmakeable             a prefix Wine refuses: its reason is shown
set -euo pipefail
repository=$(cd "$(dirname "$0")/../.." && pwd)
source "$repository/scripts/wine.sh"
export WINEDEBUG=-all

work=$(mktemp -d)
registered_entry=
cleanup() {
  local prefix
  for prefix in "$work"/*; do
    [ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  done
  rm -rf "$work"
  # An emulator this test registered for its own run gives the host back as it was.
  if [ -n "$registered_entry" ] && [ -e "$registered_entry" ]; then echo -1 >"$registered_entry"; fi
}
trap cleanup EXIT

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# setup.sh with the prefixes given; its output is shown, and it must succeed.
set_up() { # ENVIRONMENT...
  env "$@" bash "$repository/scripts/setup.sh" || fail "setup.sh ended with $? ($*)"
}

runner_starts() { # PREFIX LOADER RUNNER
  local output
  output=$(WINEPREFIX="$1" "$2" "$3" --help 2>&1) || fail "NorvikRun.exe --help ended with $? in $1: $output"
  [[ "$output" == *"Usage: "* ]] || fail "NorvikRun.exe --help printed no usage in $1: $output"
  [ "$(cat "$1/.norvik-setup")" = ready ] || fail "setup.sh did not mark $1 ready"
}

# What Wine leaves when it is stopped before it saved its registry: a folder of
# its own without system.reg, here with a file of the user's in it.
leave_unsaved_prefix() { # PREFIX
  mkdir -p "$1/drive_c/windows/system32" "$1/drive_c/users/Public" "$1/dosdevices"
  touch "$1/.update-timestamp"
  echo kept >"$1/drive_c/users/Public/notes.txt"
}

# What our set-up leaves when it is interrupted after Wine saved its registry: its
# mark says it started, and no program starts in the prefix.
leave_interrupted_setup() { # PREFIX
  leave_unsaved_prefix "$1"
  echo started >"$1/.norvik-setup"
  echo 'WINE REGISTRY Version 2' >"$1/system.reg"
}

case "$1" in
win64)
  runner=$2
  set_up WINEPREFIX="$work/fresh" NORVIK_NO_32BIT=1
  runner_starts "$work/fresh" "$NORVIK_WINE64" "$runner"
  leave_unsaved_prefix "$work/unsaved"
  set_up WINEPREFIX="$work/unsaved" NORVIK_NO_32BIT=1
  runner_starts "$work/unsaved" "$NORVIK_WINE64" "$runner"
  # Repaired in place or moved aside, never deleted.
  [ "$(cat "$work"/unsaved*/drive_c/users/Public/notes.txt)" = kept ] || fail "the user's file in the prefix is gone"
  ;;
win32)
  way=$2 runner=$3
  emulation=()
  if [ "$way" = native ]; then
    if ! norvik_can_run_32bit; then
      echo "skipped: this host cannot execute 32-bit programs"
      exit 0
    elif norvik_i386_binfmt_entry >/dev/null; then
      echo "skipped: this host runs 32-bit programs under user-mode emulation"
      exit 0
    fi
  elif [ "${NORVIK_NO_32BIT:-0}" = 1 ]; then
    echo "skipped: this host cannot execute 32-bit programs (NORVIK_NO_32BIT=1)"
    exit 0
  elif ! norvik_i386_binfmt_entry >/dev/null; then
    if [ "$(id -u)" != 0 ]; then
      echo "skipped: registering user-mode emulation for 32-bit programs needs root"
      exit 0
    fi
    emulation=(NORVIK_32BIT_EMULATION=1)
  fi
  # The 64-bit prefix is the one this build's tests already run in.
  set_up "${emulation[@]}" NORVIK_WINE32_PREFIX="$work/fresh32"
  if [ ${#emulation[@]} -gt 0 ]; then registered_entry=$(norvik_i386_binfmt_entry); fi
  if [ "$way" = emulation ] && ! norvik_i386_binfmt_entry >/dev/null; then fail "no emulator runs 32-bit programs"; fi
  runner_starts "$work/fresh32" "$NORVIK_WINE32" "$runner"
  leave_interrupted_setup "$work/interrupted32"
  set_up "${emulation[@]}" NORVIK_WINE32_PREFIX="$work/interrupted32"
  runner_starts "$work/interrupted32" "$NORVIK_WINE32" "$runner"
  ;;
unmakeable)
  if [ "$(id -u)" != 0 ]; then
    echo "skipped: only root can hand a prefix folder to another user"
    exit 0
  fi
  mkdir "$work/foreign"
  chown nobody "$work/foreign"
  status=0
  output=$(WINEPREFIX="$work/foreign" NORVIK_NO_32BIT=1 bash "$repository/scripts/setup.sh" 2>&1) || status=$?
  echo "$output"
  [ "$status" != 0 ] || fail "setup.sh succeeded with a prefix Wine refuses"
  [[ "$output" == *"could not be created at $work/foreign: wine: '$work/foreign' is not owned by you"* ]] ||
    fail "setup.sh did not give Wine's reason"
  ;;
*)
  fail "unknown case $1"
  ;;
esac
echo "passed"
