#pragma once

#include <vector>

#include "memory.h"
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

struct BatchResultCounts {
    const NvkBatch *batch;
    ResultCounts counts;
};
using BatchCounts = std::vector<BatchResultCounts, UntrackedAllocator<BatchResultCounts>>;

// Every batch's figures, and with them everyone's, in one walk of the records. The
// overall time is summed test by test in the order CountResults(NULL) sums it, so
// that both give the same figures to the last bit.
ResultCounts CountEachBatch(BatchCounts &each);

}  // namespace nvk
