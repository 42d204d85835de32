// Timing test functions on the platform's monotonic clock.
#pragma once

#include <cstdint>

#include "clock.h"

namespace nvk {

// Seconds since a value of ClockTicks, never less than the 0.001 that marks a
// test function as run. Inline, as every test is timed.
inline double SecondsSince(int64_t startTick) {
    constexpr double kFloor = 0.001;
    const double seconds = ClockSeconds(startTick, ClockTicks());
    return seconds > kFloor ? seconds : kFloor;
}

}  // namespace nvk
