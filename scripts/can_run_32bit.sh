#!/usr/bin/env bash
# Exits 0 when this host can run 32-bit Windows programs under Wine, 1 when it
# cannot (no 32-bit loader, or a kernel that cannot execute 32-bit programs).
# NORVIK_NO_32BIT=1 forces the answer "cannot", to try that path anywhere.
# The scripts and the CMake builds both ask this one probe.
[ "${NORVIK_NO_32BIT:-0}" = 1 ] && exit 1
/usr/lib/wine/wine --version >/dev/null 2>&1 || exit 1
