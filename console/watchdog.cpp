#include "watchdog.h"

namespace console {

Watchdog::Watchdog(double limitSeconds, TimeoutHandler onTimeout)
    : limit_(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(limitSeconds))),
      onTimeout_(std::move(onTimeout)),
      thread_(&Watchdog::Watch, this) {}

Watchdog::~Watchdog() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_one();
    thread_.join();
}

// Only an idle watch needs waking: one that waits for a deadline finds the later
// one when it wakes. That spares a system call per test.
void Watchdog::Arm(const TestKey &test) {
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        armed_ = true;
        test_ = test;
        started_ = Clock::now();
        wake = idle_;
    }
    if (wake) {
        changed_.notify_one();
    }
}

void Watchdog::Disarm() {
    std::lock_guard<std::mutex> lock(mutex_);
    armed_ = false;
}

// The handler runs with the lock held, so the main thread, should its test end
// meanwhile, stops at its next Arm or Disarm and never reports alongside it.
void Watchdog::Watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        if (!armed_) {
            idle_ = true;
            changed_.wait(lock);
            idle_ = false;
            continue;
        }
        const Clock::time_point now = Clock::now();
        if (now - started_ >= limit_) {
            onTimeout_(test_, std::chrono::duration<double>(now - started_).count());
            return;
        }
        changed_.wait_until(lock, started_ + limit_);
    }
}

}  // namespace console
