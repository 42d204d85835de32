// Whether failures and crashes go to an attached debugger now.
#pragma once

#include "norvik.h"

namespace nvk {

// The setting is on and a debugger is attached; without the setting nothing is asked
// of the system.
bool BreaksIntoDebugger();

}  // namespace nvk
