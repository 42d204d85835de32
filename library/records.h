// The registry's records. norvik.h declares them opaque, so callers reach them only
// through the exported functions and nothing outside the library depends on their
// fields or order; the fields after the marked line keep registration linear.
#pragma once

#include <cstddef>

#include "norvik.h"

namespace nvk {
struct BatchIndex;
}

struct NvkAssertionFailure {
    int32_t lineNumber;
    // what the message takes in the report, kept when it is made (see KeepText)
    uint32_t messageInReport;
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

// A run reads and writes a few fields of every record, twice: resetting the last
// results, then running the test. Those come first and fill one cache line, and the
// registry starts its blocks of records on a line, so that each walk of a large batch
// fetches one line a test instead of two. What only registration, names, failures or
// tables need comes after them.
struct NvkTestFunction {
    int32_t passedAssertions;
    int32_t skip;
    NvkBatch *batch;
    double executionTime;
    NvkAssertionFailure *firstFailure;
    NvkTestProc function;
    // why it skipped itself in its last run
    char *skipReason;
    NvkTestFunction *next;
    // every check reads it, to take the first file named; the registry's copy, which
    // every test that named the same file shares
    char *fileName;
    // The line a run reads ends here.
    char *name;
    int32_t userData;
    int32_t userDataLocked;
    // how its declaration expects it to end (an NvkExpectedEnd), and the code expected
    int32_t expectedEnd;
    uint32_t expectedCode;
    // bookkeeping
    NvkAssertionFailure *lastFailure;
    // where the test was declared or added (outside the allocation count, so that
    // registering a test costs what it did)
    char *sourceFile;
    int32_t sourceLine;
    // what the name and the file name take in the report, kept when each is set, so
    // that a report reads neither to measure it nor scans either to write it
    uint16_t nameInReport;
    uint16_t fileNameInReport;
    // a test made from a row of a table: what its function calls, and with which row
    NvkRowTestProc rowFunction;
    const void *row;
};

namespace nvk {
constexpr size_t kCacheLine = 64;
}
static_assert(offsetof(NvkTestFunction, fileName) + sizeof(char *) <= nvk::kCacheLine,
              "the fields a run reads fill one cache line");
static_assert(sizeof(void *) != 8 || sizeof(NvkTestFunction) % nvk::kCacheLine == 0,
              "each record of a block starts on a cache line");

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
