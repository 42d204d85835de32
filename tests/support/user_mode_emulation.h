// Whether this test program runs under user-mode emulation of a 32-bit processor,
// which the win32 test loader says in NORVIK_USER_MODE_EMULATION. The few cases that
// the emulator cannot carry out skip themselves with kEmulationSkip before the reason;
// CTest reports their test as skipped on that text.
#pragma once

#include <cstdlib>
#include <cstring>

constexpr const char *kEmulationSkip = "skipped under user-mode emulation: ";

inline bool UnderUserModeEmulation() {
    const char *value = std::getenv("NORVIK_USER_MODE_EMULATION");
    return value != nullptr && std::strcmp(value, "1") == 0;
}
