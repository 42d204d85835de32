// Calls user code so that any fault or exception raised during the call comes
// back to the caller instead of ending the process. One file per platform.
#pragma once

#include "norvik.h"

namespace nvk {

// Returns false when the call was abandoned because of a fault or exception.
bool CallGuarded(NvkTestProc function);

// What the last abandoned call ran into, as one line (crash_facts.h); "" when
// nothing is known. It stays until the next call is abandoned.
const char *LastCrashDetails();

// A run arms the guard once for all its calls, so a guarded call costs little;
// disarming gives the program its own fault handling back.
void ArmCrashGuard();
void DisarmCrashGuard();

}  // namespace nvk
