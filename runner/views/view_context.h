// What the views ask of the window that holds them. A view never calls another view
// or the window: the window gives each view these at its set-up, and it brings the
// other views in line.
#pragma once

#include <windows.h>

#include "norvik.h"
#include "rules/run_results.h"

namespace runner {

struct ViewContext {
    // The user picked a test function in a view (NULL: a batch, or nothing).
    void (*chooseTestFunction)(NvkTestFunction *testFunction) = nullptr;
    // A right click on a test function or batch, made current first.
    void (*showTestMenu)(HWND owner) = nullptr;
    // Double-click or Enter: the test function at its definition, a failure at its line.
    void (*openTestFunction)(HWND owner, NvkTestFunction *testFunction) = nullptr;
    void (*openFailure)(HWND owner, const TestResult &result, const run::Failure &failure) = nullptr;
    // Whether a run on another thread holds the registry: the views then change none
    // of it and read the tests' records only as the run's events bring them.
    bool (*registryHeldByRun)() = nullptr;
    // The copies of a test function's latest run: how it ended and what it wrote;
    // NULL when there are none.
    const TestResult *(*resultOf)(NvkTestFunction *testFunction) = nullptr;
    // The latest run's selected tests and how many of them failed so far.
    RunTally (*latestRun)() = nullptr;
};

// Longest the window goes without repainting while tests run, on its own thread or
// in a worker: often enough to look live, seldom enough that many thousands of short
// tests do not wait on a repaint each.
constexpr ULONGLONG kRunRepaintMilliseconds = 50;

inline bool RegistryHeldByRun(const ViewContext &context) {
    return context.registryHeldByRun != nullptr && context.registryHeldByRun();
}

// In this process or in a worker: a worker's results reach the records while this
// library runs nothing.
inline bool RunInProgress(const ViewContext &context) { return NvkIsRunning() != 0 || RegistryHeldByRun(context); }

}  // namespace runner
