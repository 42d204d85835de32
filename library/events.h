// The one process-wide event handler. Raising an event is inline: with no handler
// installed it costs a load and a branch on the path of every test.
#pragma once

#include <cstdint>

#include "norvik.h"

namespace nvk {

extern NvkEventHandler installedEventHandler;

// Calls the installed handler, if any, synchronously on the caller's thread.
inline void RaiseEvent(int32_t code, uint32_t value, void *first, void *second) {
    const NvkEventHandler handler = installedEventHandler;
    if (handler != nullptr)
        handler(code, value, 0, first, second);
}

}  // namespace nvk
