#pragma once

#include "records.h"

namespace nvk {

// Leaves a test function that has neither run nor skipped itself alone; otherwise frees
// its failures and its skip's reason and, unless only failures go, its passed count and
// time, then announces the reset.
void ResetTestFunction(NvkTestFunction *testFunction, bool failuresOnly);

// Announces the batch when something in it has run or skipped itself, then resets each
// test function.
void ResetBatch(NvkBatch *batch, bool failuresOnly);

uint32_t CountFailures(const NvkTestFunction *testFunction);

// The figures of one batch, or with NULL of every batch (the default batch rule
// applies); a test function counts as run when its time is above 0.
struct ResultCounts {
    int32_t run = 0;
    int32_t passed = 0;
    int32_t failed = 0;
    int32_t notRun = 0;
    int32_t skippedItself = 0;  // of those not run
    int32_t passedAssertions = 0;
    int32_t failures = 0;
    double time = 0;
};
ResultCounts CountResults(NvkBatch *batch);

// What CountResults adds for one test function, for a walk of the records that does
// more than count: the report's, which also measures its lines on the way.
inline void CountTestFunction(const NvkTestFunction *test, ResultCounts &counts) {
    counts.passedAssertions += test->passedAssertions;
    counts.failures += static_cast<int32_t>(CountFailures(test));
    counts.time += test->executionTime;
    if (!HasRun(test)) {
        ++counts.notRun;
        counts.skippedItself += SkippedItself(test) ? 1 : 0;
    } else {
        ++counts.run;
        ++(test->firstFailure != nullptr ? counts.failed : counts.passed);
    }
}

// Adds one batch's figures to those of several, all but the time, which a walk adds
// test by test so that it sums in the order CountResults(NULL) sums it.
inline void AddAllButTime(ResultCounts &total, const ResultCounts &batch) {
    total.run += batch.run;
    total.passed += batch.passed;
    total.failed += batch.failed;
    total.notRun += batch.notRun;
    total.skippedItself += batch.skippedItself;
    total.passedAssertions += batch.passedAssertions;
    total.failures += batch.failures;
}

}  // namespace nvk
