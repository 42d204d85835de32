// Test functions that fault on purpose, one for each kind of crash the guard
// must turn into a failure, and helpers to look at the process's fault handling.
#pragma once

#include <cstdint>
#include <vector>

#include "norvik.h"

struct CrashKind {
    const char *name;  // a test name: letters and digits only
    NvkTestProc crash;
};

// Every kind of crash this platform can produce.
std::vector<CrashKind> CrashKinds();

// Test functions that raise an exception and handle it themselves.
std::vector<CrashKind> HandledExceptions();

#if defined(_WIN32)
// Probes unreadable and unwritable addresses with the system's own checks, which
// handle the access violations themselves.
void NVK_CALL ProbeUnreadablePointers();
#endif

// Everything in the process that the guard changes while it runs a call.
std::vector<uintptr_t> FaultHandlingState();

// Installs a SIGABRT handler of the test program's own and removes it again.
void InstallOwnAbortHandler();
void RemoveOwnAbortHandler();

// Recursion without end.
void NVK_CALL OverflowStack();
