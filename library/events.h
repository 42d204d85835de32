#pragma once

#include <cstdint>

namespace nvk {

// Calls the installed handler, if any, synchronously on the caller's thread.
void RaiseEvent(int32_t code, uint32_t value, void *first, void *second);
bool HasEventHandler();

}  // namespace nvk
