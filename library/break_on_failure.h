// Whether failures and crashes go to an attached debugger now.
#pragma once

#include "debugger.h"
#include "norvik.h"

namespace nvk {

extern bool breakOnFailure;

// The setting is on and a debugger is attached; without the setting nothing is asked
// of the system. Inline, as the run asks before every call of a test.
inline bool BreaksIntoDebugger() { return breakOnFailure && DebuggerAttached(); }

}  // namespace nvk
