#include "watchdog.h"

#include <algorithm>

namespace run {
namespace {

class Steady final : public WatchClock {
public:
    TimePoint Now() const override { return std::chrono::steady_clock::now(); }
    void WaitUntil(std::condition_variable &changed, std::unique_lock<std::mutex> &lock, TimePoint deadline) override {
        changed.wait_until(lock, deadline);
    }
};

}  // namespace

WatchClock &SteadyClock() {
    static Steady clock;
    return clock;
}

WatchClock::Duration LimitDuration(double seconds) {
    constexpr double kLongest = 1e9;
    return std::chrono::duration_cast<WatchClock::Duration>(std::chrono::duration<double>(std::min(seconds, kLongest)));
}

// Returns once the thread runs: a thread that only starts later could find the
// loader busy with the library it is to watch, and wait for it for good.
Watchdog::Watchdog(double limitSeconds, TimeoutHandler onTimeout, WatchClock &clock)
    : clock_(clock),
      limit_(LimitDuration(limitSeconds)),
      onTimeout_(std::move(onTimeout)),
      thread_(&Watchdog::Watch, this) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return running_; });
}

Watchdog::~Watchdog() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_one();
    thread_.join();
}

// Only an idle watch, or one that waits for a later deadline (the grace of a
// start), needs waking: one that waits for an earlier deadline finds the later one
// when it wakes. That spares a system call per test.
void Watchdog::Arm(WatchClock::Duration grace) {
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        armed_ = true;
        started_ = clock_.Now() + grace;
        wake = idle_ || started_ + limit_ < waitingUntil_;
    }
    if (wake) {
        changed_.notify_one();
    }
}

void Watchdog::Disarm() {
    std::lock_guard<std::mutex> lock(mutex_);
    armed_ = false;
}

// The handler runs with the lock held, so the owner, should its work end meanwhile,
// stops at its next Arm or Disarm and never reports alongside it.
void Watchdog::Watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    running_ = true;
    changed_.notify_all();
    while (!stopping_) {
        if (!armed_) {
            idle_ = true;
            changed_.wait(lock);
            idle_ = false;
            continue;
        }
        const WatchClock::TimePoint now = clock_.Now();
        if (now - started_ >= limit_) {
            onTimeout_(std::chrono::duration<double>(now - started_).count());
            return;
        }
        waitingUntil_ = started_ + limit_;
        clock_.WaitUntil(changed_, lock, waitingUntil_);
    }
}

}  // namespace run
