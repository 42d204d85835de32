// How a runner's stops and fail-fast shape which tests the library of this process
// runs: in this process, and with fake workers that run batches side by side.
#include <gtest/gtest.h>

#include "fake_worker.h"
#include "plan_runner.h"
#include "registry_fixture.h"

namespace {

using fake::Behaviour;

bool failNow = false;
void NVK_CALL FailsHere() { NvkAssert(failNow ? 0 : 1, "test.c", 1, "%s", "failed"); }

class PlanRunnerTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        failNow = true;
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
