// The process-wide state of a run: how deep runs are nested and which test
// function is current. Registry changes, selection changes and new runs are
// refused while a run is in progress.
#pragma once

#include <cstdint>

#include "records.h"

namespace nvk {

bool RunInProgress();
// Returns true when the depth went from 0 to 1.
bool EnterRun();
// Returns true when the depth came back to 0.
bool LeaveRun();

NvkTestFunction *CurrentTestFunction();
void SetCurrentTestFunction(NvkTestFunction *testFunction);

}  // namespace nvk
