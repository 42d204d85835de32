// Marking a test as skipped at run time.
#pragma once

#include "records.h"

namespace nvk {

// Keeps the first reason a run gave; later skips of the same run change nothing.
void SkipCurrentTest(NvkTestFunction *testFunction, const char *reason);

}  // namespace nvk
