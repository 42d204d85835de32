// Timing with the platform's monotonic clock.
#include "timing.h"

#include "clock.h"
#include "norvik.h"

namespace nvk {

double SecondsSince(int64_t startTick) {
    // The floor keeps every test function that has run above zero seconds.
    constexpr double kFloor = 0.001;
    const double seconds = ClockSeconds(startTick, ClockTicks());
    return seconds > kFloor ? seconds : kFloor;
}

}  // namespace nvk

extern "C" {

int64_t NVK_CALL NvkTimeGetTickCount(void) { return nvk::ClockTicks(); }

double NVK_CALL NvkTimeGetElapsedTime(int64_t startTick) { return nvk::SecondsSince(startTick); }

}  // extern "C"
