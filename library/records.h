// The registry's records. norvik.h declares them opaque, so callers reach them only
// through the exported functions and nothing outside the library depends on their
// fields or order; the fields after the marked line keep registration linear.
#pragma once

#include "norvik.h"

namespace nvk {
struct BatchIndex;
}

struct NvkAssertionFailure {
    int32_t lineNumber;
    char *message;
    NvkAssertionFailure *next;
    NvkTestFunction *testFunction;
    int32_t userData;
    int32_t userDataLocked;
    // bookkeeping: the file the failing check named, outside the allocation count
    // that tests read, so a failure still counts two allocations
    char *fileName;
    // what a crash ran into and where (a crash record only; NULL when unknown), also
    // outside the count
    char *crashDetails;
};

// The fields that say how a test expects to end fill the gaps the 32-bit fields
// leave, so that a record takes no more cache lines than it must: a run touches
// every record.
struct NvkTestFunction {
    int32_t passedAssertions;
    // how its declaration expects it to end (an NvkExpectedEnd), and the code expected
    int32_t expectedEnd;
    NvkBatch *batch;
    double executionTime;
    char *fileName;
    NvkAssertionFailure *firstFailure;
    char *name;
    NvkTestFunction *next;
    int32_t skip;
    int32_t userData;
    int32_t userDataLocked;
    uint32_t expectedCode;
    NvkTestProc function;
    // bookkeeping
    NvkAssertionFailure *lastFailure;
    // where the test was declared or added (outside the allocation count, so that
    // registering a test costs what it did), and why it skipped itself in its last run
    char *sourceFile;
    int32_t sourceLine;
    char *skipReason;
    // a test made from a row of a table: what its function calls, and with which row
    NvkRowTestProc rowFunction;
    const void *row;
};

struct NvkBatch {
    NvkTestFunction *firstTestFunction;
    char *name;
    NvkBatch *next;
    int32_t userData;
    int32_t userDataLocked;
    NvkTestProc batchSetup;
    NvkTestProc batchTearDown;
    NvkTestProc testSetup;
    NvkTestProc testTearDown;
    // bookkeeping
    NvkBatch *previous;
    NvkTestFunction *lastTestFunction;
    uint32_t testFunctionCount;
    nvk::BatchIndex *index;
};

namespace nvk {

// A test function has run since its last reset exactly when its time is above 0.
inline bool HasRun(const NvkTestFunction *testFunction) { return testFunction->executionTime > 0; }

// A test that skipped itself and failed nothing did not run: its time stays 0. A
// failure, before or after the skip, makes it a failed test that ran.
inline bool SkippedItself(const NvkTestFunction *testFunction) {
    return testFunction->skipReason != nullptr && testFunction->firstFailure == nullptr;
}

// What a reset has to clear: the results of a run, or a skip's reason.
inline bool HasResults(const NvkTestFunction *testFunction) {
    return HasRun(testFunction) || testFunction->skipReason != nullptr;
}

}  // namespace nvk
