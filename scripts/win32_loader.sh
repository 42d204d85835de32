#!/usr/bin/env bash
# Starts a 32-bit Windows program under Wine in the 32-bit prefix that setup.sh makes.
# The win32 build runs its tests through it, natively or under user-mode emulation;
# the tests read NORVIK_USER_MODE_EMULATION to skip what the emulator cannot do.
source "$(dirname "${BASH_SOURCE[0]}")/wine.sh"
export WINEPREFIX="$NORVIK_WINE32_PREFIX"
if norvik_i386_binfmt_entry >/dev/null; then
  export NORVIK_USER_MODE_EMULATION=1
fi
exec "$NORVIK_WINE32" "$@"
