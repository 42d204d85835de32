// Timing with the platform's high-resolution counter.
#include "clock.h"
#include "norvik.h"

namespace {

int64_t counterFrequency = 0;

int64_t Frequency() {
    if (counterFrequency == 0) counterFrequency = nvk::ClockFrequency();
    return counterFrequency;
}

}  // namespace

extern "C" {

int64_t NVK_CALL NvkTimeGetTickCount(void) {
    Frequency();
    return nvk::ClockTicks();
}

double NVK_CALL NvkTimeGetElapsedTime(int64_t startTick) {
    const double frequency = static_cast<double>(Frequency());
    const int64_t difference = nvk::ClockTicks() - startTick;
    // The floor keeps every test function that has run above zero seconds.
    const double kFloor = 0.001;
    if (difference <= 0) return kFloor;
    const double seconds = static_cast<double>(difference) / frequency;
    return seconds > kFloor ? seconds : kFloor;
}

}  // extern "C"
