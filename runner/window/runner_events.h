// The runner's one event handler: every library event reaches the views from here.
#pragma once

#include <cstdint>

#include "norvik.h"

namespace runner {

// On the window's thread: a separate run's thread hands its events over and waits.
// Passes the event to the run's feed, whose stream shows the test in progress and
// keeps the copies the views draw, then to those copies, then to the tree, the result list, the progress bar, the XML
// view and the failure list, in this order, then takes the event's final step.
void NVK_CALL OnRunnerEvent(int32_t code, uint32_t value, intptr_t reserved, void *first, void *second);

}  // namespace runner
