// Timing test functions on the platform's monotonic clock.
#pragma once

#include <cstdint>

namespace nvk {

// Seconds since a value of ClockTicks, never less than the 0.001 that marks a
// test function as run.
double SecondsSince(int64_t startTick);

}  // namespace nvk
