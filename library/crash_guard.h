// Calls user code so that any fault or exception raised during the call comes
// back to the caller instead of ending the process. One file per platform.
#pragma once

#include "norvik.h"

namespace nvk {

// Returns false when the call was abandoned because of a fault or exception.
bool CallGuarded(NvkTestProc function);

}  // namespace nvk
