// Calls user code so that any fault or exception raised during the call comes
// back to the caller instead of ending the process. One file per platform.
#pragma once

#include <cstddef>

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

// What an armed guard does when a thread other than the one that armed it crashes, which
// no guarded call can catch: the crash ends the process. If nameRunning names what was
// running (a test's full name; false when nothing was), the guard first writes one line
// on standard error (FormatLastChance) and then calls ending, before the process ends as
// it would have.
struct LastChance {
    bool (*nameRunning)(char *text, std::size_t size);
    void (*ending)();
};
void SetLastChance(const LastChance &lastChance);

}  // namespace nvk
