// Calls one thread hands another to make in their order without waiting for them,
// made in stretches so that the making thread sees to its other work between.
// Portable.
#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

#include "rules/queued_call.h"

namespace runner {

class QueuedCalls {
public:
    // From any thread. True when the making thread must be told: no call was waiting
    // for it, so nothing would make this one.
    bool Add(QueuedCall call);

    // On the making thread: makes the calls in their order while goOn says so (asked
    // after every few calls; none: all of them). True when none is left, and the next
    // Add tells again; false while some wait for the next Make.
    bool Make(const std::function<bool()> &goOn = nullptr);
    // On the making thread: gives back the room the longest queue took, once it is
    // empty; a call still waiting keeps its place.
    void Release();
    // On the making thread: how many calls the queue holds without growing.
    size_t Room();

private:
    // The room a stretch of calls keeps once made, for the next: a longer one gives its
    // room back then. A run whose window fell behind queues a few calls a test, and
    // their room would otherwise stay until the run's thread is gone, well after the
    // run's results show.
    static constexpr size_t kRoomKept = 4096;

    bool Take();

    std::mutex lock_;
    std::vector<QueuedCall> added_;
    // The maker was told and has not yet found the queue empty.
    bool told_ = false;
    // The making thread's share: calls taken and made up to next_.
    std::vector<QueuedCall> taken_;
    size_t next_ = 0;
};

}  // namespace runner
