// Timing with the platform's monotonic clock, for callers outside the library.
#include "timing.h"

#include "norvik.h"

extern "C" {

int64_t NVK_CALL NvkTimeGetTickCount(void) { return nvk::ClockTicks(); }

double NVK_CALL NvkTimeGetElapsedTime(int64_t startTick) { return nvk::SecondsSince(startTick); }

}  // extern "C"
