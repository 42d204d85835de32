// The monotonic clock that times test functions: one file per platform.
#pragma once

#include <cstdint>

namespace nvk {

// The clock's current value in its own ticks. The first call sets the clock up,
// so call it before ClockSeconds.
int64_t ClockTicks();

// Seconds from one value of ClockTicks to another; negative when `end` came first.
double ClockSeconds(int64_t start, int64_t end);

// What the ticks count, for benchmarks and tests.
const char *ClockSource();

}  // namespace nvk
