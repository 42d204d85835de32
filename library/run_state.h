// The process-wide state of a run: how deep runs are nested, which thread runs the tests,
// which test function is current, and since when it is timed. Registry changes, selection
// changes and new runs are refused while a run is in progress. Inline, because every test
// passes here.
#pragma once

#include <atomic>
#include <cstdint>

#include "records.h"
#include "this_thread.h"

namespace nvk {

extern uint32_t runDepth;
// Written by the run's thread only; other threads of a test read it to learn whether a
// test is still running, so it is atomic, at no cost to the run's thread on the
// processors the library is built for.
extern std::atomic<NvkTestFunction *> currentTestFunction;
// Counts the tests started in this process, so that what belongs to one test (a label)
// is told from what a test before it left.
extern std::atomic<uint32_t> testStarts;
// The thread of the latest run; 0 before any.
extern std::atomic<ThreadId> runThread;
// When the current test function was called, or kNotTimed before that: a process
// that ends during the test gives it its time so far.
constexpr int64_t kNotTimed = INT64_MIN;
extern int64_t currentTestStart;
extern NvkRunExecutor runExecutor;
extern void *runExecutorContext;
extern bool runStopRequested;

inline bool RunInProgress() { return runDepth > 0; }
// Returns true when the depth went from 0 to 1; a new run is not stopped, and the
// calling thread is the run's.
inline bool EnterRun() {
    if (++runDepth != 1) {
        return false;
    }
    runStopRequested = false;
    runThread.store(CurrentThreadId(), std::memory_order_relaxed);
    return true;
}
// Returns true when the depth came back to 0.
inline bool LeaveRun() { return --runDepth == 0; }

inline NvkTestFunction *CurrentTestFunction() { return currentTestFunction.load(std::memory_order_relaxed); }

// Whether the caller is the thread that runs the tests; the others are threads that the
// tests started.
inline bool OnRunThread() { return CurrentThreadId() == runThread.load(std::memory_order_relaxed); }

// An executor asked for the run to end: no more user code is called in it.
inline bool RunStopRequested() { return runStopRequested; }

// A test that starts gets a new number. Only the run's thread writes either, so neither
// takes a locked instruction.
inline void SetCurrentTestFunction(NvkTestFunction *testFunction) {
    if (testFunction != nullptr) {
        testStarts.store(testStarts.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }
    currentTestFunction.store(testFunction, std::memory_order_release);
    currentTestStart = kNotTimed;
}

}  // namespace nvk
