// The high-resolution clock: one file per platform.
#pragma once

#include <cstdint>

namespace nvk {

int64_t ClockFrequency();
int64_t ClockTicks();

}  // namespace nvk
