// Watches one piece of work at a time from a thread of its own, and calls a handler
// when it runs longer than the limit.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "watch_clock.h"

namespace run {

class Watchdog {
public:
    // Called once, on the watchdog's thread, with the seconds the work ran; the
    // watchdog watches no more after it. Arm and Disarm wait while it runs.
    using TimeoutHandler = std::function<void(double seconds)>;

    Watchdog(double limitSeconds, TimeoutHandler onTimeout, WatchClock &clock = SteadyClock());
    ~Watchdog();
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

    // The work's time starts now, or once grace has passed.
    void Arm(WatchClock::Duration grace = WatchClock::Duration::zero());
    // The work is over.
    void Disarm();

private:
    void Watch();

    WatchClock &clock_;
    const WatchClock::Duration limit_;
    const TimeoutHandler onTimeout_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool armed_ = false;
    bool idle_ = false;                   // waiting to be armed, not for a deadline
    WatchClock::TimePoint waitingUntil_;  // the deadline waited for, when not idle
    bool running_ = false;
    bool stopping_ = false;
    WatchClock::TimePoint started_;
    std::thread thread_;
};

}  // namespace run
