// Counting results, the skip flags that select tests, and clearing results.
#include "statistics.h"

#include <cstdlib>

#include "events.h"
#include "registry.h"
#include "run_state.h"

namespace {

// A large registry's records are not in the cache: ask for a record a few tests ahead
// of its turn, as the run does.
constexpr size_t kFetchAhead = 8;

void CountBatch(const NvkBatch *batch, nvk::ResultCounts &counts) {
    const nvk::TestFunctionArray &tests = nvk::TestFunctionsOf(batch);
    for (size_t position = 0; position < tests.size(); ++position) {
#if defined(__GNUC__)
        if (position + kFetchAhead < tests.size()) {
            __builtin_prefetch(tests[position + kFetchAhead]);
        }
#endif
        nvk::CountTestFunction(tests[position], counts);
    }
}

// The batch alone, or with NULL every batch from the first one on.
template <typename Visit>
void ForEachBatchConcerned(NvkBatch *batch, Visit visit) {
    NvkBatch *first = nvk::ResolveBatch(batch);
    if (batch != nullptr) {
        visit(first);
        return;
    }
    for (NvkBatch *walk = first; walk != nullptr; walk = walk->next) {
        visit(walk);
    }
}

template <typename Value>
void Store(Value *out, Value value) {
    if (out != nullptr) {
        *out = value;
    }
}

bool AnyHasResults(const NvkBatch *batch) {
    for (const NvkTestFunction *test = batch->firstTestFunction; test != nullptr; test = test->next) {
        if (nvk::HasResults(test)) {
            return true;
        }
    }
    return false;
}

}  // namespace

namespace nvk {

uint32_t CountFailures(const NvkTestFunction *testFunction) {
    uint32_t count = 0;
    for (const NvkAssertionFailure *failure = testFunction->firstFailure; failure != nullptr; failure = failure->next) {
        ++count;
    }
    return count;
}

ResultCounts CountResults(NvkBatch *batch) {
    ResultCounts counts;
    ForEachBatchConcerned(batch, [&counts](NvkBatch *each) {
        if (each != nullptr) {
            CountBatch(each, counts);
        }
    });
    return counts;
}

void ResetTestFunction(NvkTestFunction *testFunction, bool failuresOnly) {
    if (testFunction == nullptr || !HasResults(testFunction)) {
        return;
    }
    if (testFunction->firstFailure != nullptr) {
        FreeFailures(testFunction);
    }
    if (testFunction->skipReason != nullptr) {
        std::free(testFunction->skipReason);
        testFunction->skipReason = nullptr;
    }
    if (!failuresOnly) {
        testFunction->passedAssertions = 0;
        testFunction->executionTime = 0;
    }
    RaiseEvent(NvkEventTestFunctionReset, 0, testFunction->batch, testFunction);
}

void ResetBatch(NvkBatch *batch, bool failuresOnly) {
    if (!AnyHasResults(batch)) {
        return;
    }
    RaiseEvent(NvkEventBatchReset, 0, batch, nullptr);
    const TestFunctionArray &tests = TestFunctionsOf(batch);
    for (size_t i = 0; i < tests.size(); ++i) {
        ResetTestFunction(tests[i], failuresOnly);
    }
}

}  // namespace nvk

extern "C" {

int32_t NVK_CALL NvkBatchGetStatistics(NvkBatch *batch, int32_t *runCount, int32_t *passedCount, int32_t *failedCount,
                                       int32_t *notRunCount, int32_t *passedAssertions, int32_t *failures,
                                       double *totalTime) {
    const nvk::ResultCounts counts = nvk::CountResults(batch);
    Store(runCount, counts.run);
    Store(passedCount, counts.passed);
    Store(failedCount, counts.failed);
    Store(notRunCount, counts.notRun);
    Store(passedAssertions, counts.passedAssertions);
    Store(failures, counts.failures);
    Store(totalTime, counts.time);
    return counts.run > 0 ? 1 : 0;
}

uint32_t NVK_CALL NvkBatchGetTestFunctionInformation(NvkBatch *batch, uint32_t *selectedCount, uint32_t *skippedCount) {
    uint32_t total = 0;
    uint32_t selected = 0;
    ForEachBatchConcerned(batch, [&](NvkBatch *each) {
        if (each == nullptr) {
            return;
        }
        for (const NvkTestFunction *test = each->firstTestFunction; test != nullptr; test = test->next) {
            ++total;
            if (test->skip == 0) {
                ++selected;
            }
        }
    });
    Store(selectedCount, selected);
    Store(skippedCount, total - selected);
    return total;
}

int32_t NVK_CALL NvkTestFunctionGetStatistics(NvkTestFunction *testFunction, int32_t *passedAssertions,
                                              int32_t *failures, double *time) {
    if (testFunction == nullptr) {
        return 0;
    }
    Store(passedAssertions, testFunction->passedAssertions);
    Store(failures, static_cast<int32_t>(nvk::CountFailures(testFunction)));
    Store(time, testFunction->executionTime);
    return nvk::HasRun(testFunction) ? 1 : 0;
}

int32_t NVK_CALL NvkBatchSkip(NvkBatch *batch, int32_t skip) {
    if (nvk::RunInProgress()) {
        return 0;
    }
    ForEachBatchConcerned(batch, [skip](NvkBatch *each) {
        if (each == nullptr) {
            return;
        }
        nvk::RaiseEvent(NvkEventBatchSkip, static_cast<uint32_t>(skip), each, nullptr);
        for (NvkTestFunction *test = each->firstTestFunction; test != nullptr; test = test->next) {
            if (test->skip == skip) {
                continue;
            }
            test->skip = skip;
            nvk::RaiseEvent(NvkEventTestFunctionSkip, static_cast<uint32_t>(skip), each, test);
        }
    });
    return 1;
}

int32_t NVK_CALL NvkTestFunctionSetSkip(NvkTestFunction *testFunction, int32_t skip) {
    if (nvk::RunInProgress()) {
        return 0;
    }
    if (testFunction == nullptr || testFunction->skip == skip) {
        return 1;
    }
    testFunction->skip = skip;
    nvk::RaiseEvent(NvkEventTestFunctionSkip, static_cast<uint32_t>(skip), testFunction->batch, testFunction);
    return 1;
}

int32_t NVK_CALL NvkTestFunctionGetSkip(NvkTestFunction *testFunction) {
    return testFunction == nullptr ? 0 : testFunction->skip;
}

void NVK_CALL NvkBatchResetAllTests(NvkBatch *batch, int32_t failuresOnly) {
    ForEachBatchConcerned(batch, [failuresOnly](NvkBatch *each) {
        if (each != nullptr) {
            nvk::ResetBatch(each, failuresOnly != 0);
        }
    });
}

void NVK_CALL NvkTestFunctionReset(NvkTestFunction *testFunction, int32_t failuresOnly) {
    nvk::ResetTestFunction(testFunction, failuresOnly != 0);
}

}  // extern "C"
