# Sourced by the scripts: the Wine loaders and whether this host can run 32-bit
# programs. Debian's `wine` command tries the 32-bit loader first, which fails on a
# kernel that cannot execute 32-bit programs even when the program is 64-bit, so
# 64-bit programs always go through the 64-bit loader.
NORVIK_WINE64=/usr/lib/wine/wine64
NORVIK_WINE32=/usr/lib/wine/wine
NORVIK_NO_32BIT_REASON="this host cannot execute 32-bit programs"

norvik_can_run_32bit() {
  bash "$(dirname "${BASH_SOURCE[0]}")/can_run_32bit.sh"
}

# The loader for a build: win64 or win32.
norvik_wine_loader() {
  if [ "$1" = win32 ]; then echo "$NORVIK_WINE32"; else echo "$NORVIK_WINE64"; fi
}

# A host path as Windows programs see it.
norvik_windows_path() {
  "$NORVIK_WINE64" winepath -w "$1" 2>/dev/null
}
