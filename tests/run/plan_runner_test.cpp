// How a runner's stops, fail-fast and tries of failed tests shape which tests the library
// of this process runs: in this process, and with fake workers that run batches side by side.
#include <gtest/gtest.h>

#include <memory>

#include "fake_worker.h"
#include "plan_runner.h"
#include "registry_fixture.h"

namespace {

using fake::Behaviour;

bool failNow = false;
int callsOfFailsHere = 0;
void NVK_CALL FailsHere() {
    ++callsOfFailsHere;
    NvkAssert(failNow ? 0 : 1, "test.c", 1, "%s", "failed");
}

class PlanRunnerTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        failNow = true;
        callsOfFailsHere = 0;
        NvkBatch *first = NvkBatchCreate("A");
        tests_ = {NvkBatchAddFunctionImp(first, "Fails", FailsHere), NvkBatchAddFunctionImp(first, "Passes", Proc<1>)};
        tests_.push_back(NvkBatchAddFunctionImp(NvkBatchCreate("B"), "Passes", Proc<2>));
    }

    static run::RunRequest EachAlone() {
        run::RunRequest request;
        request.kind = run::RunRequest::Kind::EachAlone;
        request.tests = {{0, 0}, {0, 1}, {1, 0}};
        return request;
    }

    // Tries a test again while it failed, up to `retries` times, as the feed decides.
    static run::RunRequest Retrying(unsigned retries) {
        run::RunRequest request = EachAlone();
        auto tries = std::make_shared<unsigned>(0);
        request.triesAgain = [tries, retries](NvkTestFunction *test) {
            return NvkTestFunctionGetFirstFailure(test) != nullptr && ++*tries <= retries;
        };
        return request;
    }

    std::vector<int32_t> RunCounts() const {
        std::vector<int32_t> counts;
        for (NvkTestFunction *test : tests_) {
            counts.push_back(NvkTestFunctionGetStatistics(test, nullptr, nullptr, nullptr));
        }
        return counts;
    }

    std::vector<NvkTestFunction *> tests_;
};

TEST_F(PlanRunnerTest, InProcessFailFastStartsNothingAfterTheFailure) {
    run::InProcessRunner(true)->Run(EachAlone());
    EXPECT_EQ((std::vector<int32_t>{1, 0, 0}), RunCounts());
    failNow = false;
    run::InProcessRunner(false)->Run(EachAlone());
    EXPECT_EQ((std::vector<int32_t>{1, 1, 1}), RunCounts());
}

// Fail-fast waits for the failed test's last try; a test that passes when tried
// again lets the run go on.
TEST_F(PlanRunnerTest, InProcessTriesAFailedTestAgainBeforeFailFastStops) {
    run::InProcessRunner(true)->Run(Retrying(2));
    EXPECT_EQ(3, callsOfFailsHere);
    EXPECT_EQ((std::vector<int32_t>{1, 0, 0}), RunCounts());

    run::RunRequest flaky = Retrying(2);
    const auto decides = flaky.triesAgain;
    flaky.triesAgain = [decides](NvkTestFunction *test) {
        failNow = false;
        return decides(test);
    };
    callsOfFailsHere = 0;
    run::InProcessRunner(true)->Run(flaky);
    EXPECT_EQ(2, callsOfFailsHere);
    EXPECT_EQ((std::vector<int32_t>{1, 1, 1}), RunCounts());
    EXPECT_EQ(nullptr, NvkTestFunctionGetFirstFailure(tests_[0]));
}

// A stop between tries leaves the test with the try it had.
TEST_F(PlanRunnerTest, AStopEndsTheTries) {
    const std::unique_ptr<run::PlanRunner> here = run::InProcessRunner();
    run::RunRequest request = EachAlone();
    request.triesAgain = [&here](NvkTestFunction *) {
        here->Stop();
        return true;
    };
    here->Run(request);
    EXPECT_EQ(1, callsOfFailsHere);
    EXPECT_EQ((std::vector<int32_t>{1, 0, 0}), RunCounts());
}

// Each try after the first has a worker of its own, which runs only that test; the
// library records the last try.
TEST_F(PlanRunnerTest, WorkersTryAFailedTestAgainInAWorkerOfItsOwn) {
    fake::Scene scene;
    scene.behaviours[{0, 0}] = {Behaviour::Kind::FailsFirst, 0};
    run::BlockingWait wait;
    run::WorkerRunner(run::PoolSettings(), fake::Starter(scene), wait)->Run(Retrying(2));
    EXPECT_EQ((std::vector<int32_t>{1, 1, 1}), RunCounts());
    EXPECT_EQ(nullptr, NvkTestFunctionGetFirstFailure(tests_[0]));
    ASSERT_EQ(2u, scene.plans.size());
    EXPECT_EQ((std::vector<run::TestRef>{{0, 0}}), run::TestsInOrder(scene.plans[1].steps));
}

// With tries, the workers go on past a failure: the run stops once the failed
// test's tries are spent, and replays nothing after it.
TEST_F(PlanRunnerTest, WorkersFailFastAfterTheLastTry) {
    fake::Scene scene;
    scene.behaviours[{0, 0}] = {Behaviour::Kind::Fail, 0};
    run::PoolSettings settings;
    settings.failFast = true;
    run::BlockingWait wait;
    run::WorkerRunner(settings, fake::Starter(scene), wait)->Run(Retrying(1));
    EXPECT_EQ((std::vector<int32_t>{1, 0, 0}), RunCounts());
    EXPECT_NE(nullptr, NvkTestFunctionGetFirstFailure(tests_[0]));
    ASSERT_EQ(2u, scene.plans.size());
    EXPECT_FALSE(scene.plans[0].failFast);
}

// A stop that comes before the run stops it, and only that run.
TEST_F(PlanRunnerTest, StopBeforeTheRunStopsIt) {
    failNow = false;
    const std::unique_ptr<run::PlanRunner> here = run::InProcessRunner();
    here->Stop();
    here->Run(EachAlone());
    EXPECT_EQ((std::vector<int32_t>{0, 0, 0}), RunCounts());
    here->Run(EachAlone());
    EXPECT_EQ((std::vector<int32_t>{1, 1, 1}), RunCounts());

    fake::Scene scene;
    run::BlockingWait wait;
    const std::unique_ptr<run::PlanRunner> workers = run::WorkerRunner(run::PoolSettings(), fake::Starter(scene), wait);
    NvkBatchResetAllTests(nullptr, 0);
    workers->Stop();
    workers->Run(EachAlone());
    EXPECT_EQ((std::vector<int32_t>{0, 0, 0}), RunCounts());
}

// Batch B's worker fails while A's hangs in its first test: the failure in the later
// batch stops A's test, which is not run, and still fails the run.
TEST_F(PlanRunnerTest, FailureInALaterBatchIsReplayedPastTheTestItCutShort) {
    fake::Scene scene;
    scene.behaviours[{0, 0}] = {Behaviour::Kind::Hang, 0};
    scene.behaviours[{1, 0}] = {Behaviour::Kind::Fail, 0};
    run::PoolSettings settings;
    settings.jobs = 2;
    settings.failFast = true;
    run::BlockingWait wait;
    run::RunRequest request = EachAlone();
    request.tests = {{0, 0}, {1, 0}};
    run::WorkerRunner(settings, fake::Starter(scene), wait)->Run(request);
    EXPECT_EQ((std::vector<int32_t>{0, 0, 1}), RunCounts());
    EXPECT_NE(nullptr, NvkTestFunctionGetFirstFailure(tests_[2]));
}

}  // namespace
