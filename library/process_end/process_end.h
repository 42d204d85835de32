// Noticing that the process ends while the library is loaded, one file per platform.
#pragma once

#include "norvik.h"

namespace nvk {

// Makes sure the platform calls NotifyProcessEnd when the process ends.
void WatchProcessEnd();
// Calls the installed handler, once.
void NotifyProcessEnd();

}  // namespace nvk
