// Running one batch, all batches or a single test function, with every call of
// user code under the crash guard or through the runner's executor.
#include <algorithm>
#include <cstring>
#include <string>

#include "break_on_failure.h"
#include "clock.h"
#include "crash_details.h"
#include "crash_guard.h"
#include "crash_texts.h"
#include "events.h"
#include "other_threads.h"
#include "process_end.h"
#include "registry.h"
#include "run_state.h"
#include "skip.h"
#include "statistics.h"
#include "timing.h"

namespace {

using nvk::kBatchSetupCrash;
using nvk::kBatchTearDownCrash;
using nvk::kTestCrash;
using nvk::kTestSetupCrash;
using nvk::kTestTearDownCrash;

// What a test that does nothing special never needs (setups, tear-downs, a crash, the
// runner's executor, a debugger) is kept out of line, so that the path of such a test
// stays as short as timing and guarding it.
#if defined(_MSC_VER)
#  define NVK_OUT_OF_LINE __declspec(noinline)
#else
#  define NVK_OUT_OF_LINE __attribute__((noinline))
#endif

// The function itself under the crash guard, or what the runner's executor made of it.
// A debugger that is to see failures sees crashes too, where they happen: the call is
// not guarded then.
inline int32_t Call(NvkRunCall call, NvkTestProc function, double *seconds) {
    if (nvk::runExecutor == nullptr) {
        if (nvk::BreaksIntoDebugger()) {
            function();
            return NvkRunCallReturned;
        }
        return nvk::CallGuarded(function) ? NvkRunCallReturned : NvkRunCallCrashed;
    }
    return nvk::runExecutor(nvk::runExecutorContext, call, nvk::CurrentTestFunction(), function, seconds);
}

// A fault under the guard alone, recorded as Guard records it.
NVK_OUT_OF_LINE void RecordGuardedCrash(const char *crashMessage) {
    nvk::HoldCrashDetails(nvk::LastCrashDetails());
    NvkAssert(0, nullptr, 0, crashMessage);
}

// What the threads of the test did meanwhile is merged after each call, so that a skip
// there counts before the next call; crash details no record took end with the call.
inline void AfterCall() {
    if (nvk::HoldsCrashDetails()) {
        nvk::DropCrashDetails();
    }
    nvk::MergeOtherThreads();
}

// A fault becomes an ordinary failure of the current test function, with what the
// guard or the executor learnt of it. Once a stop was asked for, no more user code runs.
NVK_OUT_OF_LINE void Guard(NvkRunCall call, NvkTestProc function, const char *crashMessage, double *seconds = nullptr) {
    if (function == nullptr || nvk::RunStopRequested()) {
        return;
    }
    const int32_t result = Call(call, function, seconds);
    if (result == NvkRunCallCrashed) {
        if (nvk::runExecutor == nullptr) {
            nvk::HoldCrashDetails(nvk::LastCrashDetails());
        }
        NvkAssert(0, nullptr, 0, crashMessage);
    } else if (result == NvkRunCallStopRun) {
        nvk::runStopRequested = true;
    }
    nvk::DropCrashDetails();
    nvk::MergeOtherThreads();
}

// The test function through Guard; the seconds the executor gave it, or below 0 when
// it gave none.
NVK_OUT_OF_LINE double GuardTestFunction(NvkTestProc function) {
    double seconds = -1;
    Guard(NvkRunCallTestFunction, function, kTestCrash, &seconds);
    return seconds;
}

// A test skipped before its call is not called, but timed all the same: until its
// tear-downs are over it counts as run, as any test does. Most tests are called
// under the crash guard alone, with nothing stopping the run.
inline void TimeTestFunction(NvkTestFunction *testFunction) {
    const int64_t start = nvk::ClockTicks();
    nvk::currentTestStart = start;
    if (testFunction->skipReason == nullptr) {
        const NvkTestProc function = testFunction->function;
        if (nvk::runExecutor == nullptr && function != nullptr && !nvk::RunStopRequested() &&
            !nvk::BreaksIntoDebugger()) {
            if (!nvk::CallGuarded(function)) {
                RecordGuardedCrash(kTestCrash);
            }
            AfterCall();
        } else {
            const double seconds = GuardTestFunction(function);
            if (seconds >= 0) {
                testFunction->executionTime = std::max(seconds, 0.001);
                return;
            }
        }
    }
    testFunction->executionTime = nvk::SecondsSince(start);
}

// Why the batch setup of the batch run in progress skipped the batch's tests; empty
// when it did not. The reason is kept here because the test that was current during
// the setup may be reset by the handler before the next test starts.
struct BatchSkip {
    bool skipped = false;
    std::string reason;
};
BatchSkip batchSkip;

NVK_OUT_OF_LINE void RunBatchSetup(NvkTestFunction *testFunction) {
    batchSkip = BatchSkip();
    Guard(NvkRunCallBatchSetup, testFunction->batch->batchSetup, kBatchSetupCrash);
    if (testFunction->skipReason != nullptr) {
        batchSkip.skipped = true;
        batchSkip.reason = testFunction->skipReason;
    }
}

// Appends text to what fits in the buffer, leaving it terminated; no heap, as a crash
// guard calls it on a thread that crashed.
size_t AppendCut(char *buffer, size_t size, size_t length, const char *text) {
    const size_t room = size - 1 - length;
    const size_t added = std::min(std::strlen(text), room);
    std::memcpy(buffer + length, text, added);
    buffer[length + added] = '\0';
    return length + added;
}

// The running test as Batch.Name, for a crash on another thread to name.
bool NameRunningTest(char *text, size_t size) {
    const NvkTestFunction *test = nvk::CurrentTestFunction();
    if (test == nullptr || size == 0) {
        return false;
    }
    text[0] = '\0';
    size_t length = AppendCut(text, size, 0, test->batch->name != nullptr ? test->batch->name : "");
    length = AppendCut(text, size, length, ".");
    AppendCut(text, size, length, test->name != nullptr ? test->name : "");
    return true;
}

// The guard is armed for a whole run rather than for each call.
bool StartRun() {
    if (!nvk::EnterRun()) {
        return false;
    }
    nvk::SetLastChance({&NameRunningTest, &nvk::NotifyProcessEnd});
    nvk::ArmCrashGuard();
    return true;
}

bool FinishRun() {
    if (!nvk::LeaveRun()) {
        return false;
    }
    nvk::SweepOtherThreadsAtRunEnd();
    nvk::DisarmCrashGuard();
    return true;
}

struct BatchEnds {
    bool runBatchSetup;
    bool runBatchTearDown;
};

// A test run alone is a run of its own; one of a batch's run is inside that run, and
// leaves the run's depth alone.
enum class Within { OwnRun, BatchRun };

template <Within within>
int32_t RunOne(NvkTestFunction *testFunction, BatchEnds ends) {
    NvkBatch *batch = testFunction->batch;
    if (within == Within::OwnRun && StartRun()) {
        nvk::RaiseEvent(NvkEventRunStarted, 0, nullptr, testFunction);
    }
    nvk::SetCurrentTestFunction(testFunction);
    if (nvk::HasResults(testFunction)) {
        nvk::ResetTestFunction(testFunction, false);
    }
    if (ends.runBatchSetup) {
        RunBatchSetup(testFunction);
    } else if (batchSkip.skipped) {
        nvk::SkipCurrentTest(testFunction, batchSkip.reason.c_str());
    }
    // A test the batch setup skipped gets none of its own calls; one that its test
    // setup skipped still gets its tear-down, for what the setup did before.
    const bool ownCalls = !batchSkip.skipped;
    if (ownCalls && batch->testSetup != nullptr) {
        Guard(NvkRunCallTestSetup, batch->testSetup, kTestSetupCrash);
    }
    nvk::RaiseEvent(NvkEventTestFunctionStarted, 0, batch, testFunction);
    TimeTestFunction(testFunction);
    if (ownCalls && batch->testTearDown != nullptr) {
        Guard(NvkRunCallTestTearDown, batch->testTearDown, kTestTearDownCrash);
    }
    if (ends.runBatchTearDown && batch->batchTearDown != nullptr) {
        Guard(NvkRunCallBatchTearDown, batch->batchTearDown, kBatchTearDownCrash);
    }
    nvk::MergeOtherThreads();
    nvk::SetCurrentTestFunction(nullptr);
    if (nvk::SkippedItself(testFunction)) {
        testFunction->executionTime = 0;
    }
    const int32_t passed = testFunction->firstFailure == nullptr ? 1 : 0;
    if (within == Within::OwnRun && FinishRun()) {
        nvk::RaiseEvent(NvkEventRunFinished, 0, nullptr, nullptr);
    }
    nvk::RaiseEvent(NvkEventTestFunctionFinished, static_cast<uint32_t>(passed), batch, testFunction);
    return passed;
}

// The records of a large batch are not in the cache when their turn comes, and
// one test is too short to wait for memory: ask for a record a few tests ahead.
constexpr size_t kFetchAhead = 4;

inline void FetchAhead(const nvk::TestFunctionArray &tests, size_t count, size_t position) {
#if defined(__GNUC__)
    if (position + kFetchAhead >= count) {
        return;
    }
    // A run reads the first line of a record alone.
    __builtin_prefetch(tests[position + kFetchAhead]);
#else
    (void)tests;
    (void)count;
    (void)position;
#endif
}

// The position of the first selected test function from `position` on, or the
// end of the array, which holds count.
size_t NextSelected(const nvk::TestFunctionArray &tests, size_t count, size_t position) {
    while (position < count && tests[position]->skip != 0) {
        ++position;
    }
    return position;
}

bool AnyRunTestHasFailed(const NvkBatch *batch) {
    for (const NvkTestFunction *test = batch->firstTestFunction; test != nullptr; test = test->next) {
        if (nvk::HasRun(test) && test->firstFailure != nullptr) {
            return true;
        }
    }
    return false;
}

int32_t RunBatchTests(NvkBatch *batch) {
    nvk::RaiseEvent(NvkEventBatchRunStarted, 0, batch, nullptr);
    int32_t result = 1;
    // Neither the list nor the selection can change during a run, so the test
    // that has no selected one after it is the last: the batch is walked once.
    const nvk::TestFunctionArray &tests = nvk::TestFunctionsOf(batch);
    const size_t count = tests.size();
    bool first = true;
    for (size_t position = NextSelected(tests, count, 0); position < count && !nvk::RunStopRequested();) {
        FetchAhead(tests, count, position);
        const size_t following = NextSelected(tests, count, position + 1);
        if (RunOne<Within::BatchRun>(tests[position], {first, following == count}) == 0) {
            result = 0;
        }
        first = false;
        position = following;
    }
    // Failures the event handler reset meanwhile no longer count.
    if (result == 0 && !AnyRunTestHasFailed(batch)) {
        result = 1;
    }
    nvk::RaiseEvent(NvkEventBatchRunFinished, static_cast<uint32_t>(result), batch, nullptr);
    return result;
}

}  // namespace

extern "C" {

int32_t NVK_CALL NvkBatchRun(NvkBatch *batch) {
    if (nvk::RunInProgress()) {
        return 0;
    }
    const bool allBatches = batch == nullptr;
    batch = nvk::ResolveBatch(batch);
    if (batch == nullptr) {
        return 1;
    }

    const bool several = allBatches && batch->next != nullptr;
    StartRun();
    nvk::RaiseEvent(NvkEventRunStarted, 0, several ? nullptr : batch, nullptr);
    if (allBatches) {
        for (NvkBatch *each = batch; each != nullptr; each = each->next) {
            nvk::ResetBatch(each, false);
        }
        nvk::RaiseEvent(NvkEventAllBatchesReset, 0, nullptr, nullptr);
    } else {
        nvk::ResetBatch(batch, false);
    }

    int32_t overall = 1;
    for (NvkBatch *each = batch; each != nullptr && !nvk::RunStopRequested();
         each = allBatches ? each->next : nullptr) {
        if (RunBatchTests(each) == 0) {
            overall = 0;
        }
    }

    if (FinishRun()) {
        nvk::RaiseEvent(NvkEventRunFinished, 0, nullptr, nullptr);
    }
    if (allBatches) {
        nvk::RaiseEvent(NvkEventAllBatchesRun, static_cast<uint32_t>(overall), nullptr, nullptr);
    }
    return overall;
}

int32_t NVK_CALL NvkCallGuarded(NvkTestProc function, const char **crashDetails) {
    if (function == nullptr || nvk::CallGuarded(function)) {
        return 1;
    }
    if (crashDetails != nullptr) {
        *crashDetails = nvk::LastCrashDetails();
    }
    return 0;
}

int32_t NVK_CALL NvkTestFunctionRun(NvkTestFunction *testFunction) {
    if (nvk::RunInProgress()) {
        return 0;
    }
    if (testFunction == nullptr) {
        return 1;
    }
    return RunOne<Within::OwnRun>(testFunction, {true, true});
}

}  // extern "C"
