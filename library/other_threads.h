// The side record of checks and skips that the threads a test starts make while it runs.
// They land here, under a lock, in the order they came; the run's thread merges them
// into their test after each call of user code and before the test ends, raising their
// events there, so that event handlers and the run's own checks stay on one thread
// and the run's thread never takes the lock while nothing waits. A check that races
// with its test's end may land after that last merge: the next merge finds that its
// test is no longer the current one, and it is recorded nowhere, as a later one is.
#pragma once

#include <atomic>
#include <cstdarg>

namespace nvk {

extern std::atomic<bool> otherThreadsWaiting;

// A check of a thread other than the run's: counted or recorded for the running test
// when the run's thread next merges. Returns the failure's message, or NULL for a pass
// or when no test runs any more (the check is then recorded nowhere, and says so).
const char *CheckFromOtherThread(int condition, const char *fileName, int lineNumber, const char *format,
                                 va_list arguments);

// A skip of a thread other than the run's; false when no test runs.
bool SkipFromOtherThread(const char *reason);

// A check made when no test runs, on a thread other than that of the latest run: it
// tells standard error, in one line, that it is recorded nowhere.
void NoteLateCheck(int condition, const char *fileName, int lineNumber, const char *format, va_list arguments);

void MergeWaiting();

// On the run's thread, during a test: merges what waits, at the cost of one load when
// nothing does.
inline void MergeOtherThreads() {
    if (otherThreadsWaiting.load(std::memory_order_acquire)) {
        MergeWaiting();
    }
}

// On the run's thread when the run ends, after its last test: what came as the last test
// ended, too late for it, is recorded nowhere and says so, as nothing merges it later.
void SweepOtherThreadsAtRunEnd();

}  // namespace nvk
