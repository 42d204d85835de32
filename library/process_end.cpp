// The runner's handler for the end of the process, and calling it once.
#include "process_end.h"

#include "other_threads.h"
#include "run_state.h"
#include "timing.h"

namespace {

NvkProcessEndHandler handler = nullptr;
bool called = false;

// The test the process ends in has run: its time so far, at least the 0.001 s that
// marks a test as run, lets the handler record its failure and the report show it.
void TimeTestInProgress() {
    NvkTestFunction *test = nvk::CurrentTestFunction();
    if (test == nullptr || !nvk::RunInProgress()) {
        return;
    }
    constexpr double kRunMark = 0.001;
    test->executionTime = nvk::currentTestStart != nvk::kNotTimed ? nvk::SecondsSince(nvk::currentTestStart) : kRunMark;
}

}  // namespace

namespace nvk {

// The thread that ends the process may be one a test started: it becomes the run's, so
// that what the handler records lands at once, after what other threads recorded.
void NotifyProcessEnd() {
    if (handler != nullptr && !called) {
        called = true;
        if (RunInProgress()) {
            runThread.store(CurrentThreadId(), std::memory_order_relaxed);
            MergeOtherThreads();
        }
        TimeTestInProgress();
        handler();
    }
}

}  // namespace nvk

extern "C" void NVK_CALL NvkSetProcessEndHandler(NvkProcessEndHandler newHandler) {
    nvk::WatchProcessEnd();
    handler = newHandler;
}
