// The worker pool with processes and a clock that are not real: what it reports of
// each test, the workers that follow one that ended, time limits and stopping.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "fake_worker.h"
#include "watchdog.h"
#include "worker_pool.h"

namespace {

using fake::Behaviour;
using run::Step;
using run::TestEnd;
using run::TestRef;

// A clock that moves only when told; a watchdog waiting on it looks again each
// millisecond of real time.
class ManualClock final : public run::WatchClock {
public:
    TimePoint Now() const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return now_;
    }
    void WaitUntil(std::condition_variable &changed, std::unique_lock<std::mutex> &lock, TimePoint) override {
        changed.wait_for(lock, std::chrono::milliseconds(1));
    }
    void Advance(std::chrono::seconds by) {
        std::lock_guard<std::mutex> lock(mutex_);
        now_ += by;
    }

private:
    mutable std::mutex mutex_;
    TimePoint now_;
};

struct Delivery {
    TestRef test;
    bool finished = false;
    TestEnd::Kind end = TestEnd::Kind::Died;
    uint32_t code = 0;
    size_t failures = 0;
    run::Phase phase = run::Phase::Test;
    std::string message;
    std::string output;
};

class Recorder final : public run::WorkerPool::Listener {
public:
    void Started(const TestRef &test) override {
        std::lock_guard<std::mutex> lock(mutex_);
        started_.push_back(test);
    }
    void Finished(run::TestReport &&report) override {
        std::lock_guard<std::mutex> lock(mutex_);
        delivered_.push_back(
            {report.test, true, TestEnd::Kind::Died, 0, report.failures.size(), run::Phase::Test, "", report.output});
    }
    void Ended(const TestRef &test, TestEnd &&end) override {
        std::lock_guard<std::mutex> lock(mutex_);
        delivered_.push_back(
            {test, false, end.kind, end.process.code, end.failures.size(), end.phase, end.message, end.output});
    }
    void AllDone() override {
        std::lock_guard<std::mutex> lock(mutex_);
        ++allDone_;
        done_.notify_all();
    }

    void AwaitAllDone() {
        std::unique_lock<std::mutex> lock(mutex_);
        ASSERT_TRUE(done_.wait_for(lock, std::chrono::seconds(20), [this] { return allDone_ > 0; }));
    }
    std::vector<Delivery> Delivered() {
        std::lock_guard<std::mutex> lock(mutex_);
        return delivered_;
    }
    int AllDoneCount() {
        std::lock_guard<std::mutex> lock(mutex_);
        return allDone_;
    }
    std::vector<TestRef> StartedTests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return started_;
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    std::vector<TestRef> started_;
    std::vector<Delivery> delivered_;
    int allDone_ = 0;
};

const std::vector<Step> kTwoBatches = {{false, {{0, 0}, {0, 1}, {0, 2}}}, {false, {{1, 0}, {1, 1}}}};

std::vector<TestRef> Tests(const std::vector<Delivery> &delivered) {
    std::vector<TestRef> tests;
    for (const Delivery &each : delivered) {
        tests.push_back(each.test);
    }
    return tests;
}

TEST(WorkerPool, ReportsEveryTestOnceWhateverTheWorkersDo) {
    const struct {
        const char *name;
        unsigned jobs;
        Behaviour second;  // the behaviour of test {0, 1}
        size_t workers;
    } cases[] = {
        {"all pass", 1, {Behaviour::Kind::Pass, 0}, 1},
        {"two workers", 2, {Behaviour::Kind::Fail, 0}, 2},
        {"one ends its process", 1, {Behaviour::Kind::Die, 3}, 2},
    };
    for (const auto &check : cases) {
        fake::Scene scene;
        scene.behaviours[{0, 1}] = check.second;
        Recorder recorder;
        run::PoolSettings settings;
        settings.jobs = check.jobs;
        {
            run::WorkerPool pool(settings, fake::Starter(scene), recorder);
            pool.Start(kTwoBatches);
            recorder.AwaitAllDone();
            pool.Join();
            EXPECT_TRUE(pool.Errors().empty()) << check.name;
        }
        std::vector<Delivery> delivered = recorder.Delivered();
        std::vector<TestRef> tests = Tests(delivered);
        std::sort(tests.begin(), tests.end(), [](const TestRef &a, const TestRef &b) {
            return a.batch != b.batch ? a.batch < b.batch : a.test < b.test;
        });
        EXPECT_EQ(run::TestsInOrder(kTwoBatches), tests) << check.name;
        EXPECT_EQ(check.workers, scene.plans.size()) << check.name;
        EXPECT_EQ(1, recorder.AllDoneCount()) << check.name;
    }
}

// The test a worker ended in fails with how it ended and what it found before; a
// new worker starts from the next test, its batch's setup with it.
TEST(WorkerPool, ANewWorkerTakesTheTestsAfterTheOneThatEnded) {
    fake::Scene scene;
    scene.behaviours[{0, 1}] = {Behaviour::Kind::Die, 0xC0000005u};
    Recorder recorder;
    run::WorkerPool pool(run::PoolSettings(), fake::Starter(scene), recorder);
    pool.Start(kTwoBatches);
    recorder.AwaitAllDone();
    pool.Join();

    const std::vector<Delivery> delivered = recorder.Delivered();
    ASSERT_EQ(5u, delivered.size());
    EXPECT_FALSE(delivered[1].finished);
    EXPECT_EQ(TestEnd::Kind::Died, delivered[1].end);
    EXPECT_EQ(0xC0000005u, delivered[1].code);
    EXPECT_EQ(1u, delivered[1].failures);
    ASSERT_EQ(2u, scene.plans.size());
    EXPECT_EQ((std::vector<TestRef>{{0, 2}}), scene.plans[1].steps[0].tests);
    EXPECT_FALSE(scene.plans[1].steps[0].alone);

    // Without restarts the tests after it are not run at all.
    fake::Scene once;
    once.behaviours[{0, 1}] = {Behaviour::Kind::Die, 3};
    Recorder onlyTwo;
    run::PoolSettings settings;
    settings.restartAfterEnd = false;
    run::WorkerPool single(settings, fake::Starter(once), onlyTwo);
    single.Start(kTwoBatches);
    onlyTwo.AwaitAllDone();
    single.Join();
    EXPECT_EQ((std::vector<TestRef>{{0, 0}, {0, 1}}), Tests(onlyTwo.Delivered()));
}

// A start the system refuses now and then is tried again; one it keeps refusing ends
// the run with the tests unrun.
TEST(WorkerPool, ARefusedStartIsTriedAgainAFewTimes) {
    const struct {
        int refused;
        size_t delivered;
        std::vector<std::string> errors;
    } cases[] = {
        {2, 5, {}},
        {3, 0, {"cannot start a worker process"}},
    };
    for (const auto &check : cases) {
        fake::Scene scene;
        scene.refusedStarts = check.refused;
        Recorder recorder;
        ManualClock clock;
        run::WorkerPool pool(run::PoolSettings(), fake::Starter(scene), recorder, clock);
        pool.Start(kTwoBatches);
        recorder.AwaitAllDone();
        pool.Join();
        EXPECT_EQ(check.delivered, recorder.Delivered().size()) << check.refused;
        EXPECT_EQ(check.errors, pool.Errors()) << check.refused;
    }
}

// A finished test's output ends where its worker said, though the worker wrote on; a
// test that ended its worker has all the worker wrote after the test before.
TEST(WorkerPool, EachTestsOutputIsItsSpanOfItsWorkersFile) {
    fake::Scene scene;
    scene.writesOutput = true;
    scene.behaviours[{0, 1}] = {Behaviour::Kind::Die, 3};
    Recorder recorder;
    run::WorkerPool pool(run::PoolSettings(), fake::Starter(scene), recorder);
    pool.Start(kTwoBatches);
    recorder.AwaitAllDone();
    pool.Join();

    std::vector<std::string> outputs;
    for (const Delivery &each : recorder.Delivered()) {
        outputs.push_back(each.output);
    }
    EXPECT_EQ((std::vector<std::string>{"0.0\n", "0.1\n", "0.2\n", "1.0\n", "1.1\n"}), outputs);
}

TEST(WorkerPool, AHungTestIsEndedAtTheLimitAndTheRunGoesOn) {
    fake::Scene scene;
    scene.behaviours[{1, 0}] = {Behaviour::Kind::Hang, 0};
    Recorder recorder;
    ManualClock clock;
    run::PoolSettings settings;
    settings.timeoutSeconds = 5;
    run::WorkerPool pool(settings, fake::Starter(scene), recorder, clock);
    pool.Start(kTwoBatches);
    scene.AwaitQuiet();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(0, recorder.AllDoneCount()) << "ended before its time";
    const std::vector<TestRef> started = recorder.StartedTests();
    EXPECT_NE(started.end(), std::find(started.begin(), started.end(), TestRef{1, 0})) << "its start told as it hangs";
    clock.Advance(std::chrono::seconds(6));
    recorder.AwaitAllDone();
    pool.Join();

    const std::vector<Delivery> delivered = recorder.Delivered();
    ASSERT_EQ(5u, delivered.size());
    EXPECT_EQ(TestEnd::Kind::TimedOut, delivered[3].end);
    EXPECT_EQ(run::Phase::Test, delivered[3].phase);
    EXPECT_TRUE(delivered[4].finished);
}

// The limit runs from the worker's start, with a grace for starting a process, and
// counts only where the kill found the worker alive: one that never says a word is ended,
// one that closed its pipe in a test and lives on still times out, and one that
// ended right at its limit, not yet waited for, timed nothing out.
TEST(WorkerPool, ATimeoutCountsOnlyAWorkerFoundAliveAtItsLimit) {
    const struct {
        const char *name;
        bool silent;
        Behaviour::Kind second;
        bool endsAtTheLimit;
        std::vector<std::string> errors;
        bool timedOutOutsideTests;
        TestEnd::Kind secondEnd;  // when it did not finish
    } cases[] = {
        {"silent from the start",
         true,
         Behaviour::Kind::Pass,
         false,
         {"a worker process did not start within 35 seconds"},
         true,
         TestEnd::Kind::Died},
        {"closes its pipe and lives", false, Behaviour::Kind::Closes, false, {}, false, TestEnd::Kind::TimedOut},
        {"hangs in a setup", false, Behaviour::Kind::HangInSetup, false, {}, false, TestEnd::Kind::TimedOut},
        {"ends at the limit", false, Behaviour::Kind::Pass, true, {}, false, TestEnd::Kind::Died},
    };
    for (const auto &check : cases) {
        fake::Scene scene;
        scene.hangsAtStart = check.silent;
        scene.behaviours[{0, 1}] = {check.second, 0};
        ManualClock clock;
        if (check.endsAtTheLimit) {
            scene.beforeWait = [&scene, &clock] {
                clock.Advance(std::chrono::seconds(6));
                for (int wait = 0; wait < 5000; ++wait) {
                    {
                        std::lock_guard<std::mutex> lock(scene.mutex);
                        if (scene.killsOfEnded > 0) {
                            return;
                        }
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            };
        }
        Recorder recorder;
        run::PoolSettings settings;
        settings.timeoutSeconds = 5;
        run::WorkerPool pool(settings, fake::Starter(scene), recorder, clock);
        pool.Start(kTwoBatches);
        if (!check.endsAtTheLimit) {
            scene.AwaitQuiet();
            clock.Advance(std::chrono::seconds(6));
        }
        if (check.silent) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            EXPECT_EQ(0, recorder.AllDoneCount()) << "a start has longer";
            clock.Advance(std::chrono::seconds(30));
        }
        recorder.AwaitAllDone();
        pool.Join();
        EXPECT_EQ(check.errors, pool.Errors()) << check.name;
        EXPECT_EQ(check.timedOutOutsideTests, pool.TimedOutOutsideTests()) << check.name;
        const std::vector<Delivery> delivered = recorder.Delivered();
        if (check.silent) {
            EXPECT_TRUE(delivered.empty()) << check.name;
            continue;
        }
        ASSERT_EQ(5u, delivered.size()) << check.name;
        EXPECT_EQ(check.second == Behaviour::Kind::Pass, delivered[1].finished) << check.name;
        if (!delivered[1].finished) {
            EXPECT_EQ(check.secondEnd, delivered[1].end) << check.name;
            EXPECT_EQ(check.second == Behaviour::Kind::HangInSetup ? run::Phase::TestSetup : run::Phase::Test,
                      delivered[1].phase)
                << check.name;
        }
        EXPECT_EQ(check.endsAtTheLimit ? 1 : 0, scene.killsOfEnded) << check.name;
    }
}

// A worker's start has a grace; once it said it started, the limit runs from then,
// although the watch sleeps until the later deadline of the grace.
TEST(Watchdog, ADeadlineMovedEarlierIsKeptOnTheSteadyClock) {
    std::mutex mutex;
    std::condition_variable changed;
    bool fired = false;
    run::Watchdog watchdog(0.05, [&](double) {
        std::lock_guard<std::mutex> lock(mutex);
        fired = true;
        changed.notify_all();
    });
    watchdog.Arm(std::chrono::seconds(60));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    watchdog.Arm();
    std::unique_lock<std::mutex> lock(mutex);
    EXPECT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return fired; }));
}

// A line the protocol does not allow ends the worker as a protocol error that names
// it, not as a death: in a test, that test's, and a new worker runs the rest; before
// the tests, the pool's.
TEST(WorkerPool, ALineOutOfOrderIsAProtocolErrorNamingIt) {
    fake::Scene scene;
    scene.behaviours[{0, 0}] = {Behaviour::Kind::WrongReport, 0};
    Recorder recorder;
    run::WorkerPool pool(run::PoolSettings(), fake::Starter(scene), recorder);
    pool.Start(kTwoBatches);
    recorder.AwaitAllDone();
    pool.Join();
    const std::vector<Delivery> delivered = recorder.Delivered();
    ASSERT_EQ(5u, delivered.size());
    EXPECT_EQ(TestEnd::Kind::ProtocolError, delivered[0].end);
    EXPECT_EQ("the worker process broke the protocol: a report of test 0:1 came in test 0:0", delivered[0].message);
    EXPECT_TRUE(delivered[1].finished);
    EXPECT_EQ(2u, scene.plans.size());
    EXPECT_TRUE(pool.Errors().empty());

    fake::Scene older;
    older.firstLine = "S\t1";
    Recorder none;
    run::WorkerPool refused(run::PoolSettings(), fake::Starter(older), none);
    refused.Start(kTwoBatches);
    none.AwaitAllDone();
    refused.Join();
    EXPECT_EQ(std::vector<std::string>{"a worker process broke the protocol: a worker of protocol version 1 "
                                       "answered a runner of version " +
                                       std::to_string(run::kProtocolVersion)},
              refused.Errors());
    EXPECT_TRUE(none.Delivered().empty());
}

// Stop may come from any thread while slots end; it never kills a worker already
// waited for, and what was in progress is reported as stopped.
TEST(WorkerPool, StopRacingTheEndOfSlotsEndsEverythingOnce) {
    for (int round = 0; round < 50; ++round) {
        fake::Scene scene;
        scene.behaviours[{0, 2}] = {Behaviour::Kind::Hang, 0};
        Recorder recorder;
        run::PoolSettings settings;
        settings.jobs = 2;
        run::WorkerPool pool(settings, fake::Starter(scene), recorder);
        pool.Start(kTwoBatches);
        std::atomic<bool> go(false);
        std::thread stopper([&] {
            while (!go) {
            }
            pool.Stop();
        });
        go = true;
        pool.Stop();
        stopper.join();
        recorder.AwaitAllDone();
        pool.Join();
        EXPECT_EQ(0, scene.killsAfterWait);
        for (const Delivery &each : recorder.Delivered()) {
            EXPECT_TRUE(each.finished || each.end == TestEnd::Kind::Stopped);
        }
    }
}

TEST(WorkerPool, AWorkerThatRefusesThePlanFailsTheRun) {
    fake::Scene scene;
    scene.refusal = "the registry differs";
    Recorder recorder;
    run::WorkerPool pool(run::PoolSettings(), fake::Starter(scene), recorder);
    pool.Start(kTwoBatches);
    recorder.AwaitAllDone();
    pool.Join();
    EXPECT_EQ(std::vector<std::string>{"the registry differs"}, pool.Errors());
    EXPECT_TRUE(recorder.Delivered().empty());
}

}  // namespace
