// The registry's lists, as the rest of the library walks and changes them.
#pragma once

#include <vector>

#include "memory.h"
#include "records.h"

namespace nvk {

// The test functions of a batch in list order, in one array. Walking it lets the
// processor fetch many records at once, where following the links fetches one
// at a time: on large batches the fetches are most of a walk's cost. A handler
// may add test functions during a walk outside a run, so walks index the array
// and read its size again at each step.
using TestFunctionArray = std::vector<NvkTestFunction *, UntrackedAllocator<NvkTestFunction *>>;
const TestFunctionArray &TestFunctionsOf(const NvkBatch *batch);

// The batch of that name, or NULL.
NvkBatch *FindBatch(const char *name);

// NULL resolves to the first batch, creating "DefaultBatch" in an empty list.
// Returns NULL only when no batch can result (an empty list during a run).
NvkBatch *ResolveBatch(NvkBatch *batch);

// NvkBatchAddFunctionAt's work, also for a test made from a row (rowFunction not NULL):
// the tests of one table share their function, which calls the current test's row, so
// only their names have to differ.
NvkTestFunction *AddTestFunction(NvkBatch *batch, const char *name, NvkTestProc function, NvkRowTestProc rowFunction,
                                 const void *row, const char *sourceFile, int32_t sourceLine);

// The registry's one copy of a file name the tests' checks named, and what the copy
// takes in the report (KeepText). The copy lasts while any batch does.
struct SharedFileName {
    char *text;
    uint16_t inReport;
};
SharedFileName ShareFileName(const char *fileName);

// Raises one failure-freed event per failure, then frees them all.
void FreeFailures(NvkTestFunction *testFunction);

void AppendFailure(NvkTestFunction *testFunction, NvkAssertionFailure *failure);

}  // namespace nvk
