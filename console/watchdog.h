// Watches the test that runs on the main thread, from a thread of its own, and
// calls a handler when that test runs longer than the limit.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "run_results.h"

namespace console {

class Watchdog {
public:
    // Called once, on the watchdog's thread, with the key of the test and the
    // seconds it ran; the watchdog watches no more after it. Arm and Disarm wait
    // while it runs.
    using TimeoutHandler = std::function<void(const TestKey &test, double seconds)>;

    Watchdog(double limitSeconds, TimeoutHandler onTimeout);
    ~Watchdog();
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

    // From the main thread: the test's time starts now, setups included.
    void Arm(const TestKey &test);
    // From the main thread: the test is over. Does not return once the limit was hit.
    void Disarm();

private:
    void Watch();

    using Clock = std::chrono::steady_clock;
    const Clock::duration limit_;
    const TimeoutHandler onTimeout_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool armed_ = false;
    bool idle_ = false;  // waiting to be armed, not for a deadline
    bool stopping_ = false;
    TestKey test_;
    Clock::time_point started_;
    std::thread thread_;
};

}  // namespace console
