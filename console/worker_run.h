// A worker process: runs the steps its parent sends, in one test library, and
// reports each finished test back at once.
#pragma once

#include "options.h"

namespace console {

// Returns the worker's exit code: 0 when every step ran, 2 when the channel, the
// library or the steps were unusable.
int RunWorker(const Options &options);

}  // namespace console
