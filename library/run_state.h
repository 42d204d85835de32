// The process-wide state of a run: how deep runs are nested and which test
// function is current, and since when it is timed. Registry changes, selection changes and new runs are
// refused while a run is in progress. Inline, because every test passes here.
#pragma once

#include <cstdint>

#include "records.h"

namespace nvk {

extern uint32_t runDepth;
extern NvkTestFunction *currentTestFunction;
// When the current test function was called, or kNotTimed before that: a process
// that ends during the test gives it its time so far.
constexpr int64_t kNotTimed = INT64_MIN;
extern int64_t currentTestStart;
extern NvkRunExecutor runExecutor;
extern void *runExecutorContext;
extern bool runStopRequested;

inline bool RunInProgress() { return runDepth > 0; }
// Returns true when the depth went from 0 to 1; a new run is not stopped.
inline bool EnterRun() {
    if (++runDepth != 1) {
        return false;
    }
    runStopRequested = false;
    return true;
}
// Returns true when the depth came back to 0.
inline bool LeaveRun() { return --runDepth == 0; }

inline NvkTestFunction *CurrentTestFunction() { return currentTestFunction; }

// An executor asked for the run to end: no more user code is called in it.
inline bool RunStopRequested() { return runStopRequested; }
inline void SetCurrentTestFunction(NvkTestFunction *testFunction) {
    currentTestFunction = testFunction;
    currentTestStart = kNotTimed;
}

}  // namespace nvk
