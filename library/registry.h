#pragma once

#include "records.h"

namespace nvk {

// The head of the batch list, without applying the default batch rule.
NvkBatch *FirstBatch();

// NULL resolves to the first batch, creating "DefaultBatch" in an empty list.
// Returns NULL only when no batch can result (an empty list during a run).
NvkBatch *ResolveBatch(NvkBatch *batch);

// Raises one failure-freed event per failure, then frees them all.
void FreeFailures(NvkTestFunction *testFunction);

void AppendFailure(NvkTestFunction *testFunction, NvkAssertionFailure *failure);

}  // namespace nvk
