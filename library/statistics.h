#pragma once

#include "records.h"

namespace nvk {

// Leaves a test function that has not run alone; otherwise frees its failures and,
// unless only failures go, its passed count and time, then announces the reset.
void ResetTestFunction(NvkTestFunction *testFunction, bool failuresOnly);

// Announces the batch when something in it has run, then resets each test function.
void ResetBatch(NvkBatch *batch, bool failuresOnly);

uint32_t CountFailures(const NvkTestFunction *testFunction);

}  // namespace nvk
