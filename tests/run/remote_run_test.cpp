// A run of the library of this process whose tests fake workers execute: what the
// library records of each, and how an end, a stop or a failure shapes the run.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "fake_worker.h"
#include "plan_runner.h"
#include "registry_fixture.h"

namespace {

using fake::Behaviour;

int calledHere = 0;

// What the run's thread was told of workers, with the thread it was told on.
class Observer final : public run::RemoteRunObserver {
public:
    struct Told {
        NvkTestFunction *test;
        bool started;  // else ended
        std::thread::id thread;
        run::TestEnd end;
    };
    void TestStarted(NvkTestFunction *test) override { Add({test, true, std::this_thread::get_id(), {}}); }
    void TestOutput(NvkTestFunction *, const std::string &) override {}
    void TestEnded(NvkTestFunction *test, const run::TestEnd &end) override {
        Add({test, false, std::this_thread::get_id(), end});
    }
    bool WasToldOfStart(NvkTestFunction *test) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Told &each : told_) {
            if (each.test == test && each.started) {
                return true;
            }
        }
        return false;
    }
    std::vector<Told> All() {
        std::lock_guard<std::mutex> lock(mutex_);
        return told_;
    }

private:
    void Add(const Told &told) {
        std::lock_guard<std::mutex> lock(mutex_);
        told_.push_back(told);
    }
    std::mutex mutex_;
    std::vector<Told> told_;
};
void NVK_CALL NeverCalledHere() { ++calledHere; }

struct Failure {
    std::string file;
    int32_t line;
    std::string message;
    bool operator==(const Failure &other) const {
        return file == other.file && line == other.line && message == other.message;
    }
};

std::vector<Failure> FailuresOf(NvkTestFunction *test) {
    std::vector<Failure> failures;
    for (NvkAssertionFailure *failure = NvkTestFunctionGetFirstFailure(test); failure != nullptr;
         failure = NvkAssertionFailureGetNext(failure)) {
        const char *file = NvkAssertionFailureGetFileName(failure);
        failures.push_back({file != nullptr ? file : "", NvkAssertionFailureGetLineNumber(failure),
                            NvkAssertionFailureGetMessage(failure)});
    }
    return failures;
}

class RemoteRunTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        calledHere = 0;
        NvkBatch *batch = NvkBatchCreate("A");
        NvkBatchSetSetupFunctions(batch, NeverCalledHere, nullptr, NeverCalledHere, nullptr);
        tests_ = {NvkBatchAddFunctionImp(batch, "First", Proc<1>), NvkBatchAddFunctionImp(batch, "Second", Proc<2>),
                  NvkBatchAddFunctionImp(batch, "Third", Proc<3>)};
    }

    // Runs every test through a worker runner, as the console and the window do.
    run::PlanOutcome RunAll(const run::PoolSettings &settings, run::RunRequest request = run::RunRequest()) {
        runner_ = run::WorkerRunner(settings, fake::Starter(scene_), wait_, &observer_);
        return runner_->Run(request);
    }

    fake::Scene scene_;
    Observer observer_;
    run::BlockingWait wait_;
    std::unique_ptr<run::PlanRunner> runner_;
    std::vector<NvkTestFunction *> tests_;
};

}  // namespace

// Passes, failures with their own files and lines, and the time, as the worker saw
// them; nothing of the test's code runs here.
TEST_F(RemoteRunTest, RecordsWhatTheWorkerFoundAsIfItRanHere) {
    scene_.behaviours[{0, 1}] = {Behaviour::Kind::Fail, 0};
    const run::PlanOutcome outcome = RunAll(run::PoolSettings());
    EXPECT_TRUE(outcome.errors.empty());
    EXPECT_EQ(0, calledHere);
    for (NvkTestFunction *test : tests_) {
        int32_t passes = 0;
        double seconds = 0;
        EXPECT_EQ(1, NvkTestFunctionGetStatistics(test, &passes, nullptr, &seconds));
        EXPECT_EQ(3, passes);
        EXPECT_DOUBLE_EQ(0.25, seconds);
        EXPECT_STREQ("test.c", NvkTestFunctionGetFileName(test));
    }
    EXPECT_EQ((std::vector<Failure>{{"helper.c", 9, "it failed"}}), FailuresOf(tests_[1]));
    EXPECT_TRUE(FailuresOf(tests_[2]).empty());
}

// A skip the worker saw is made here during the test's calls. One in the setups
// skips its own test only, although the batch setup was replayed for it; a batch
// setup's skip reaches here as a skip of each test it served.
TEST_F(RemoteRunTest, ATestThatSkippedInTheWorkerSkipsHereAlone) {
    using Kind = Behaviour::Kind;
    const struct {
        std::vector<Kind> kinds;
        std::vector<int32_t> passes;
        std::vector<int32_t> figures;  // run, passed, failed, not run
    } cases[] = {
        {{Kind::SkipInSetup, Kind::Pass, Kind::Pass}, {2, 3, 3}, {2, 2, 0, 1}},
        {{Kind::Pass, Kind::SkipInTest, Kind::Pass}, {3, 3, 3}, {2, 2, 0, 1}},
        {{Kind::SkipInSetup, Kind::SkipInSetup, Kind::SkipInSetup}, {2, 2, 2}, {0, 0, 0, 3}},
    };
    for (const auto &check : cases) {
        for (uint32_t index = 0; index < check.kinds.size(); ++index) {
            scene_.behaviours[{0, index}] = {check.kinds[index], 0};
        }
        RunAll(run::PoolSettings());
        std::vector<int32_t> passes;
        for (uint32_t index = 0; index < tests_.size(); ++index) {
            const bool skipped = check.kinds[index] != Kind::Pass;
            EXPECT_STREQ(skipped ? "no printer" : nullptr, NvkTestFunctionGetSkipReason(tests_[index])) << index;
            passes.emplace_back();
            NvkTestFunctionGetStatistics(tests_[index], &passes.back(), nullptr, nullptr);
        }
        EXPECT_EQ(check.passes, passes);
        std::vector<int32_t> figures(4);
        NvkBatchGetStatistics(nullptr, &figures[0], &figures[1], &figures[2], &figures[3], nullptr, nullptr, nullptr);
        EXPECT_EQ(check.figures, figures);
    }
}

// The crash the worker caught keeps its details here; the failure after it has none.
TEST_F(RemoteRunTest, ACrashKeepsWhatTheWorkerFoundOfIt) {
    scene_.behaviours[{0, 1}] = {Behaviour::Kind::Crash, 0};
    RunAll(run::PoolSettings());
    EXPECT_EQ(
        (std::vector<Failure>{{"", 0, "A crash was detected in the unit test function"}, {"helper.c", 9, "it failed"}}),
        FailuresOf(tests_[1]));
    NvkAssertionFailure *crash = NvkTestFunctionGetFirstFailure(tests_[1]);
    EXPECT_STREQ(fake::kCrashDetails, NvkAssertionFailureGetCrashDetails(crash));
    EXPECT_EQ(nullptr, NvkAssertionFailureGetCrashDetails(NvkAssertionFailureGetNext(crash)));
}

TEST_F(RemoteRunTest, ATestThatEndsItsWorkerFailsWithHowItEnded) {
    const struct {
        bool restart;
        bool thirdRuns;
    } cases[] = {{true, true}, {false, false}};
    for (const auto &check : cases) {
        scene_.behaviours[{0, 1}] = {Behaviour::Kind::Die, 0xC00000FDu};
        run::PoolSettings settings;
        settings.restartAfterEnd = check.restart;
        RunAll(settings);
        EXPECT_EQ((std::vector<Failure>{{"test.c", 5, "found before it ended"},
                                        {"", 0,
                                         "The test process ended during this test: exception 0xC00000FD "
                                         "(stack overflow)"}}),
                  FailuresOf(tests_[1]));
        EXPECT_EQ(check.thirdRuns ? 1 : 0, NvkTestFunctionGetStatistics(tests_[2], nullptr, nullptr, nullptr));
    }
}

// A stop from another thread ends the run at the test in progress, which fails as
// stopped; the tests after it stay not run.
TEST_F(RemoteRunTest, StopEndsTheTestInProgress) {
    scene_.behaviours[{0, 1}] = {Behaviour::Kind::Hang, 0};
    runner_ = run::WorkerRunner(run::PoolSettings(), fake::Starter(scene_), wait_);
    std::thread stopper([this] {
        while (NvkTestFunctionGetStatistics(tests_[0], nullptr, nullptr, nullptr) == 0) {
            std::this_thread::yield();
        }
        runner_->Stop();
    });
    runner_->Run(run::RunRequest());
    stopper.join();
    EXPECT_EQ(1, NvkTestFunctionGetStatistics(tests_[0], nullptr, nullptr, nullptr));
    EXPECT_EQ((std::vector<Failure>{{"test.c", 5, "found before it ended"}, {"", 0, "stopped"}}),
              FailuresOf(tests_[1]));
    EXPECT_EQ(0, NvkTestFunctionGetStatistics(tests_[2], nullptr, nullptr, nullptr));
}

// With fail-fast the worker stops at its own failure, and no test after it starts.
TEST_F(RemoteRunTest, FailFastStartsNothingAfterTheFailure) {
    scene_.behaviours[{0, 0}] = {Behaviour::Kind::Fail, 0};
    run::PoolSettings settings;
    settings.failFast = true;
    run::RunRequest request;
    request.kind = run::RunRequest::Kind::EachAlone;
    request.tests = {{0, 0}, {0, 1}, {0, 2}};
    runner_ = run::WorkerRunner(settings, fake::Starter(scene_), wait_);
    runner_->Run(request);
    EXPECT_EQ(1, NvkTestFunctionGetStatistics(tests_[0], nullptr, nullptr, nullptr));
    EXPECT_EQ(0, NvkTestFunctionGetStatistics(tests_[1], nullptr, nullptr, nullptr));
    ASSERT_EQ(1u, scene_.plans.size());
    EXPECT_TRUE(scene_.plans[0].failFast);
}

TEST_F(RemoteRunTest, NoWorkerLeavesTheTestFailedWithWhy) {
    scene_.refusal = "the registry differs";
    const run::PlanOutcome outcome = RunAll(run::PoolSettings());
    EXPECT_EQ(std::vector<std::string>{"the registry differs"}, outcome.errors);
    EXPECT_EQ((std::vector<Failure>{{"", 0, "no worker process ran this test: the registry differs"}}),
              FailuresOf(tests_[0]));
    EXPECT_EQ(0, NvkTestFunctionGetStatistics(tests_[1], nullptr, nullptr, nullptr));
}

// The run's thread learns that a hung test started while it hangs, once, before the
// library replays it: what shows the test as running until it is stopped.
TEST_F(RemoteRunTest, AHungTestIsToldAsStartedOnTheRunsThreadWhileItHangs) {
    scene_.behaviours[{0, 1}] = {Behaviour::Kind::Hang, 0};
    runner_ = run::WorkerRunner(run::PoolSettings(), fake::Starter(scene_), wait_, &observer_);
    std::atomic<bool> toldWhileHanging(false);
    std::thread stopper([this, &toldWhileHanging] {
        for (int wait = 0; wait < 5000 && !toldWhileHanging; ++wait) {
            toldWhileHanging = observer_.WasToldOfStart(tests_[1]);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        runner_->Stop();
    });
    runner_->Run(run::RunRequest());
    stopper.join();
    EXPECT_TRUE(toldWhileHanging);
    int starts = 0;
    for (const Observer::Told &told : observer_.All()) {
        EXPECT_EQ(std::this_thread::get_id(), told.thread);
        if (told.test == tests_[1]) {
            EXPECT_EQ(starts == 0, told.started) << "one start, before the end";
            starts += told.started ? 1 : 0;
        }
    }
    EXPECT_EQ(1, starts);
}

// A report out of order fails the test it came in with what came, and the phase;
// a new worker runs the tests after it.
TEST_F(RemoteRunTest, AProtocolErrorFailsItsTestWithWhatCame) {
    scene_.behaviours[{0, 0}] = {Behaviour::Kind::WrongReport, 0};
    RunAll(run::PoolSettings());
    EXPECT_EQ(
        (std::vector<Failure>{{"", 0, "the worker process broke the protocol: a report of test 0:1 came in test 0:0"}}),
        FailuresOf(tests_[0]));
    const std::vector<Observer::Told> told = observer_.All();
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(tests_[0], told.back().test);
    EXPECT_EQ(run::TestEnd::Kind::ProtocolError, told.back().end.kind);
    EXPECT_EQ(run::Phase::Test, told.back().end.phase);
    EXPECT_EQ(1, NvkTestFunctionGetStatistics(tests_[2], nullptr, nullptr, nullptr));
}

namespace {

// A blocking wait that counts how often the run's thread was woken.
class CountingWait final : public run::DeliveryWait {
public:
    void Notify() override {
        ++notified;
        blocking_.Notify();
    }
    void Await(std::unique_lock<std::mutex> &lock) override { blocking_.Await(lock); }

    std::atomic<int> notified{0};

private:
    run::BlockingWait blocking_;
};

template <int... N>
void AddTests(NvkBatch *batch, std::integer_sequence<int, N...>) {
    (NvkBatchAddFunctionImp(batch, ("T" + std::to_string(N)).c_str(), Proc<100 + N>), ...);
}

}  // namespace

// What one reading of a worker's channel gave wakes the run's thread once, not once a
// test: a wake is a trip to the system, which costs more than a trivial test. The fake
// worker's lines of every test come in one reading; its end and AllDone wake too.
TEST_F(RemoteRunTest, TheRunsThreadIsWokenOnceAReadingNotOnceATest) {
    AddTests(NvkBatchCreate("Many"), std::make_integer_sequence<int, 40>());
    CountingWait wait;
    runner_ = run::WorkerRunner(run::PoolSettings(), fake::Starter(scene_), wait, &observer_);
    EXPECT_TRUE(runner_->Run(run::RunRequest()).errors.empty());
    size_t passed = 0;
    for (const RecordedEvent &event : EventRecorder::Events()) {
        passed += event.code == NvkEventTestFunctionFinished && event.value == 1 ? 1 : 0;
    }
    EXPECT_EQ(43u, passed);
    EXPECT_LE(wait.notified.load(), 3);
}
