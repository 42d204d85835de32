// The performance counter, whose raw value NvkTimeGetTickCount hands out.
#include <windows.h>

#include "clock.h"

namespace {

double frequency = 0;

}  // namespace

namespace nvk {

int64_t ClockTicks() {
    if (frequency == 0) {
        LARGE_INTEGER ticksPerSecond;
        QueryPerformanceFrequency(&ticksPerSecond);
        frequency = static_cast<double>(ticksPerSecond.QuadPart);
    }
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

double ClockSeconds(int64_t start, int64_t end) { return static_cast<double>(end - start) / frequency; }

const char *ClockSource() { return "performance_counter"; }

}  // namespace nvk
