// Tests that expect how they end, as the runs in this process and in workers record
// them: a crash in this process under the guard, an exit in a worker of its own, and
// workers that end or crash in such a test without ending the run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fake_worker.h"
#include "plan_runner.h"
#include "registry_fixture.h"

namespace {

using fake::Behaviour;

#if defined(_WIN32)
constexpr uint32_t kAbortCrash = 0xE04E564Bu;
#else
constexpr uint32_t kAbortCrash = 6;
#endif
constexpr uint32_t kAccessViolation = 0xC0000005u;

int calls = 0;
void NVK_CALL Aborts() {
    ++calls;
    std::abort();
}
void NVK_CALL AbortsToo() {
    ++calls;
    std::abort();
}
void NVK_CALL Returns() { ++calls; }
void NVK_CALL ReturnsToo() { ++calls; }
void NVK_CALL ExitsFromHere() { ++calls; }
void NVK_CALL ExitsAgain() { ++calls; }

std::vector<std::string> FailuresOf(NvkTestFunction *test) {
    std::vector<std::string> messages;
    for (NvkAssertionFailure *failure = NvkTestFunctionGetFirstFailure(test); failure != nullptr;
         failure = NvkAssertionFailureGetNext(failure)) {
        messages.push_back(NvkAssertionFailureGetMessage(failure));
    }
    return messages;
}

class ExpectedEndRun : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        calls = 0;
    }

    // Declares the tests of batch "Ends" in this order, as their macros would; each has a
    // function of its own, as registration asks.
    void Declare(const std::vector<NvkExpectedEndDeclaration> &declarations) {
        declarations_ = declarations;
        for (size_t each = 0; each < declarations_.size(); ++each) {
            declarations_[each].declaration.line = static_cast<int32_t>(each + 1);
            declarations_[each].declaration.next =
                each + 1 < declarations_.size() ? &declarations_[each + 1].declaration : nullptr;
        }
        ASSERT_EQ(1, NvkRegisterDeclarations(&declarations_[0].declaration));
    }
    static NvkExpectedEndDeclaration Test(int32_t kind, const char *name, NvkTestProc function, uint32_t code = 0) {
        return {{nullptr, kind, 0, "Ends", name, "ends.c", function}, code};
    }
    NvkTestFunction *At(uint32_t place) const {
        NvkTestFunction *test = NvkBatchGetFirstTestFunction(nullptr);
        for (; place > 0; --place) {
            test = NvkTestFunctionGetNext(test);
        }
        return test;
    }

private:
    std::vector<NvkExpectedEndDeclaration> declarations_;
};

// An expected crash is judged where it ran; a plain test's crash stays a crash with its
// details; an exit needs a worker, and a run without one fails the test uncalled.
TEST_F(ExpectedEndRun, InThisProcessJudgesCrashesAndRunsNoExit) {
    Declare({Test(NvkDeclarationExpectCrash, "AbortsAsExpected", Aborts, kAbortCrash),
             Test(NvkDeclarationExpectCrash, "ReturnsInsteadOfCrashing", Returns, kAbortCrash),
             Test(NvkDeclarationExpectExit, "ExitsWithoutAWorker", ExitsFromHere, 3),
             Test(NvkRunCallTestFunction, "CrashesUnexpectedly", AbortsToo)});
    run::InProcessRunner()->Run(run::RunRequest());
    EXPECT_EQ(3, calls);
    EXPECT_EQ(std::vector<std::string>(), FailuresOf(At(0)));
    ASSERT_EQ(1u, FailuresOf(At(1)).size());
    EXPECT_EQ(0u, FailuresOf(At(1))[0].find("expected a crash ("));
    EXPECT_EQ(std::vector<std::string>{"the test ends its process, and this run has no worker process to run it in"},
              FailuresOf(At(2)));
    EXPECT_EQ(std::vector<std::string>{"A crash was detected in the unit test function"}, FailuresOf(At(3)));
    EXPECT_NE(nullptr, NvkAssertionFailureGetCrashDetails(NvkTestFunctionGetFirstFailure(At(3))));
}

// The test that expects its exit runs alone in a worker of its own; the rest here.
TEST_F(ExpectedEndRun, InThisProcessRunsAnExitInAWorkerOfItsOwn) {
    Declare({Test(NvkRunCallTestFunction, "Returns", Returns),
             Test(NvkDeclarationExpectExit, "Exits", ExitsFromHere, 3),
             Test(NvkRunCallTestFunction, "ReturnsToo", ReturnsToo)});
    fake::Scene scene;
    scene.behaviours[{0, 1}] = {Behaviour::Kind::Die, 3};
    run::InProcessRunner(false, {fake::Starter(scene), nullptr, nullptr})->Run(run::RunRequest());
    EXPECT_EQ(2, calls);
    ASSERT_EQ(1u, scene.plans.size());
    EXPECT_EQ((std::vector<run::TestRef>{{0, 1}}), run::TestsInOrder(scene.plans[0].steps));
    EXPECT_TRUE(scene.plans[0].steps[0].alone);
    // What the test found before its exit stands; the exit itself was expected.
    EXPECT_EQ(std::vector<std::string>{"found before it ended"}, FailuresOf(At(1)));
    EXPECT_EQ(1, NvkTestFunctionGetStatistics(At(2), nullptr, nullptr, nullptr));
}

// In workers that do not start again after a test ended its worker, an expected exit
// is followed by a new worker all the same; an expected crash is no failure, and an
// exit of another code fails saying so.
TEST_F(ExpectedEndRun, WorkersJudgeEndsAndGoOnAfterAnExpectedExit) {
    Declare({Test(NvkDeclarationExpectExit, "Exits", ExitsFromHere, 3),
             Test(NvkDeclarationExpectCrash, "Crashes", Aborts, kAccessViolation),
             Test(NvkDeclarationExpectExit, "ExitsWithAnotherCode", ExitsAgain, 3),
             Test(NvkRunCallTestFunction, "Returns", Returns)});
    fake::Scene scene;
    scene.behaviours[{0, 0}] = {Behaviour::Kind::Die, 3};
    scene.behaviours[{0, 1}] = {Behaviour::Kind::Crash, 0};
    scene.behaviours[{0, 2}] = {Behaviour::Kind::Die, 4};
    run::PoolSettings settings;
    settings.restartAfterEnd = false;
    run::BlockingWait wait;
    run::WorkerRunner(settings, fake::Starter(scene), wait)->Run(run::RunRequest());
    EXPECT_EQ(3u, scene.plans.size());
    EXPECT_EQ(std::vector<std::string>{"found before it ended"}, FailuresOf(At(0)));
    EXPECT_EQ(std::vector<std::string>{"it failed"}, FailuresOf(At(1)));
    EXPECT_EQ(
        (std::vector<std::string>{"found before it ended", "expected the process to exit with 3; it exited with 4"}),
        FailuresOf(At(2)));
    EXPECT_EQ(std::vector<std::string>(), FailuresOf(At(3)));
    EXPECT_EQ(1, NvkTestFunctionGetStatistics(At(3), nullptr, nullptr, nullptr));
}

}  // namespace
