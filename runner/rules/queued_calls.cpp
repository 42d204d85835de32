// Calls handed from one thread to another, made in order and in stretches.
#include "rules/queued_calls.h"

#include <utility>

namespace runner {
namespace {

void GiveBackRoomOver(std::vector<QueuedCall> &calls, size_t kept) {
    if (calls.empty() && calls.capacity() > kept) {
        std::vector<QueuedCall>().swap(calls);
    }
}

}  // namespace

bool QueuedCalls::Add(QueuedCall call) {
    const std::lock_guard<std::mutex> guard(lock_);
    added_.push_back(std::move(call));
    const bool tell = !told_;
    told_ = true;
    return tell;
}

bool QueuedCalls::Take() {
    taken_.clear();
    next_ = 0;
    // Outside the lock that the run's thread waits for to add its calls.
    GiveBackRoomOver(taken_, kRoomKept);
    const std::lock_guard<std::mutex> guard(lock_);
    if (added_.empty()) {
        told_ = false;
        return false;
    }
    taken_.swap(added_);
    return true;
}

bool QueuedCalls::Make(const std::function<bool()> &goOn) {
    constexpr size_t kCallsBetweenQuestions = 64;
    for (;;) {
        if (next_ == taken_.size() && !Take()) {
            return true;
        }
        // Moved out first: a call may end up making the queued calls itself.
        QueuedCall call = std::move(taken_[next_++]);
        call();
        if (goOn && next_ % kCallsBetweenQuestions == 0 && !goOn()) {
            return false;
        }
    }
}

void QueuedCalls::Release() {
    if (next_ == taken_.size()) {
        taken_.clear();
        next_ = 0;
        GiveBackRoomOver(taken_, 0);
    }
    const std::lock_guard<std::mutex> guard(lock_);
    GiveBackRoomOver(added_, 0);
}

size_t QueuedCalls::Room() {
    const std::lock_guard<std::mutex> guard(lock_);
    return taken_.capacity() + added_.capacity();
}

}  // namespace runner
