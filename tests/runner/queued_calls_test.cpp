// The calls a run's thread queues for the window's: made once each, in their order,
// across stretches, with the window told once per empty queue.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "rules/queued_calls.h"

namespace {

TEST(QueuedCallsTest, StretchesAndReleasesKeepTheOrderAndTellOnlyAnEmptyQueue) {
    runner::QueuedCalls queued;
    std::vector<int> made;
    EXPECT_TRUE(queued.Add([&made] { made.push_back(0); }));
    for (int call = 1; call < 200; ++call) {
        EXPECT_FALSE(queued.Add([&made, call] { made.push_back(call); }));
    }
    // A stretch ends at the first question; what is left waits without telling again.
    EXPECT_FALSE(queued.Make([] { return false; }));
    EXPECT_EQ(64u, made.size());
    queued.Release();  // the calls left keep their places
    // A call that makes the queue's calls itself, as a nested message loop would.
    EXPECT_FALSE(queued.Add([&queued, &made] {
        made.push_back(200);
        queued.Make();
    }));
    EXPECT_FALSE(queued.Add([&made] { made.push_back(201); }));
    EXPECT_TRUE(queued.Make());
    ASSERT_EQ(202u, made.size());
    for (int call = 0; call < 202; ++call) {
        EXPECT_EQ(call, made[call]);
    }
    EXPECT_TRUE(queued.Make());
    queued.Release();
    EXPECT_TRUE(queued.Add([&made] { made.push_back(202); }));
    EXPECT_TRUE(queued.Make());
    EXPECT_EQ(203u, made.size());
}

// Once made, a stretch of calls that grew long gives its room back at once; a
// short one keeps it for the next calls.
TEST(QueuedCallsTest, OnlyALongQueueGivesItsRoomBackOnceMade) {
    runner::QueuedCalls queued;
    size_t made = 0;
    for (const size_t calls : {size_t{100}, size_t{20000}}) {
        for (size_t call = 0; call < calls; ++call) {
            queued.Add([&made] { ++made; });
        }
        EXPECT_TRUE(queued.Make());
        EXPECT_EQ(calls, made);
        made = 0;
        if (calls < 4096) {
            EXPECT_GE(queued.Room(), calls);
        } else {
            EXPECT_LT(queued.Room(), calls / 4);
        }
    }
}

// What a call captured is freed once, after it is made or with a queue that never made
// it: small captures are held in place, large ones on the heap, and both move along
// the queue as it grows.
TEST(QueuedCallsTest, EachCaptureIsFreedOnceWhereverItIsHeld) {
    const auto held = std::make_shared<int>(0);
    {
        runner::QueuedCalls queued;
        for (int call = 0; call < 100; ++call) {
            queued.Add([held] { ++*held; });
            queued.Add([held, large = std::array<char, 200>()] { *held += 1 + large[0]; });
        }
        EXPECT_EQ(201, held.use_count());
        EXPECT_FALSE(queued.Make([] { return false; }));
        EXPECT_EQ(64, *held);
        EXPECT_EQ(201 - 64, held.use_count());
    }
    EXPECT_EQ(1, held.use_count());

    // A call given another's place lets its own capture go, and the one it took from
    // holds none.
    runner::QueuedCall kept([held] { ++*held; });
    runner::QueuedCall moved([held, large = std::array<char, 200>()] { *held += 10 + large[0]; });
    EXPECT_EQ(3, held.use_count());
    kept = std::move(moved);
    EXPECT_EQ(2, held.use_count());
    moved = runner::QueuedCall();
    kept();
    EXPECT_EQ(74, *held);
}

// A thread adds calls while this one makes them in short stretches, as the window's
// thread does between its messages: a lost tell leaves calls unmade and times out.
TEST(QueuedCallsTest, EveryCallOfAnotherThreadIsMadeOnceInOrder) {
    constexpr int kCalls = 20000;
    runner::QueuedCalls queued;
    std::mutex lock;
    std::condition_variable told;
    int tells = 0;
    std::vector<int> made;
    std::thread adding([&] {
        for (int call = 0; call < kCalls; ++call) {
            if (queued.Add([&made, call] { made.push_back(call); })) {
                const std::lock_guard<std::mutex> guard(lock);
                ++tells;
                told.notify_one();
            }
        }
    });
    bool stretchLeft = false;
    int questions = 0;
    while (made.size() < static_cast<size_t>(kCalls)) {
        if (!stretchLeft) {
            std::unique_lock<std::mutex> guard(lock);
            ASSERT_TRUE(told.wait_for(guard, std::chrono::seconds(10), [&] { return tells > 0; }))
                << made.size() << " calls made";
            --tells;
        }
        stretchLeft = !queued.Make([&questions] { return ++questions % 3 != 0; });
    }
    adding.join();
    for (int call = 0; call < kCalls; ++call) {
        ASSERT_EQ(call, made[call]);
    }
    EXPECT_TRUE(queued.Make());
}

}  // namespace
