// The clock a watchdog waits by: the steady clock, or one a test moves by hand.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace run {

class WatchClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Duration = std::chrono::steady_clock::duration;

    virtual TimePoint Now() const = 0;
    // Waits, the lock released meanwhile, until woken through changed or until the
    // deadline may have come; callers check Now() again.
    virtual void WaitUntil(std::condition_variable &changed, std::unique_lock<std::mutex> &lock,
                           TimePoint deadline) = 0;

protected:
    ~WatchClock() = default;
};

WatchClock &SteadyClock();

// A limit in seconds as a duration. A limit too long for the clock's count of
// nanoseconds is taken as about 31 years: a conversion that overflowed would make
// every test time out at once.
WatchClock::Duration LimitDuration(double seconds);

}  // namespace run
