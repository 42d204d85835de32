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

// The head of the batch list, without applying the default batch rule.
NvkBatch *FirstBatch();

// The batch of that name, or NULL.
NvkBatch *FindBatch(const char *name);

// NULL resolves to the first batch, creating "DefaultBatch" in an empty list.
// Returns NULL only when no batch can result (an empty list during a run).
NvkBatch *ResolveBatch(NvkBatch *batch);

// Raises one failure-freed event per failure, then frees them all.
void FreeFailures(NvkTestFunction *testFunction);

void AppendFailure(NvkTestFunction *testFunction, NvkAssertionFailure *failure);

}  // namespace nvk
