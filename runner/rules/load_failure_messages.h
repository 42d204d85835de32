// The string-table message the window shows for each reason a test library could
// not be loaded. Portable.
#pragma once

#include "load_failure.h"

namespace runner {

// 0 for None, else the id of the message in the string table.
unsigned LoadFailureMessageId(loader::LoadFailure failure);

}  // namespace runner
