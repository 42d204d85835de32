#include <time.h>

#include "clock.h"

namespace nvk {

int64_t ClockFrequency() { return 1000000000; }

int64_t ClockTicks() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace nvk
