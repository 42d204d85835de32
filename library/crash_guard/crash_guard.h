// Calls user code so that any fault or exception raised during the call comes
// back to the caller instead of ending the process. One file per platform.
#pragma once

#include "norvik.h"

namespace nvk {

// Returns false when the call was abandoned because of a fault or exception.
bool CallGuarded(NvkTestProc function);

// A run arms the guard once for all its calls, so a guarded call costs little;
// disarming gives the program its own fault handling back.
void ArmCrashGuard();
void DisarmCrashGuard();

}  // namespace nvk
