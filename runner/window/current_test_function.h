// The current test function: the one whose failures the failure list shows and that
// F7 runs. Making one current brings the tree, the result list, the failure list
// and the commands in line with it.
#pragma once

#include "norvik.h"

namespace runner {

NvkTestFunction *CurrentTestFunction();

// Forgets the current test function without touching any view.
void ClearCurrentTestFunction();

// Selects its tree item and result row (or clears the row selection for NULL),
// refills the failure list and updates the commands. Nothing when already current.
void MakeCurrent(NvkTestFunction *testFunction);

// The batch the batch commands act on: the current test function's, else the
// selected tree item's; NULL when neither exists.
NvkBatch *AvailableBatch();

}  // namespace runner
