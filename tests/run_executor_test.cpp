// A runner's executor standing in for the calls of user code, and the file each
// failure keeps of its own.
#include <string>
#include <vector>

#include "registry_fixture.h"

namespace {

struct SeenCall {
    int32_t call;
    NvkTestFunction *test;
    bool operator==(const SeenCall &other) const { return call == other.call && test == other.test; }
};

// Records each call; replies with the planned result for the n-th call, else returns,
// after handing over the planned crash details, if any.
struct Executor {
    std::vector<SeenCall> calls;
    std::vector<int32_t> results;
    std::vector<const char *> crashDetails;
    double testSeconds = -1;

    static int32_t NVK_CALL Call(void *context, int32_t call, NvkTestFunction *test, NvkTestProc function,
                                 double *seconds) {
        Executor &self = *static_cast<Executor *>(context);
        EXPECT_NE(nullptr, function);
        EXPECT_EQ(call == NvkRunCallTestFunction, seconds != nullptr);
        if (seconds != nullptr && self.testSeconds >= 0) {
            *seconds = self.testSeconds;
        }
        self.calls.push_back({call, test});
        const size_t index = self.calls.size() - 1;
        if (index < self.crashDetails.size() && self.crashDetails[index] != nullptr) {
            NvkSetCrashDetails(self.crashDetails[index]);
        }
        return index < self.results.size() ? self.results[index] : NvkRunCallReturned;
    }
};

int calledDirectly = 0;
void NVK_CALL CountsDirectCall() { ++calledDirectly; }

class RunExecutorTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        calledDirectly = 0;
        batch_ = NvkBatchCreate("B");
        NvkBatchSetSetupFunctions(batch_, CountsDirectCall, CountsDirectCall, CountsDirectCall, CountsDirectCall);
        first_ = NvkBatchAddFunctionImp(batch_, "First", Proc<1>);
        second_ = NvkBatchAddFunctionImp(batch_, "Second", Proc<2>);
        ASSERT_EQ(1, NvkSetRunExecutor(&Executor::Call, &executor_));
    }
    void TearDown() override {
        NvkSetRunExecutor(nullptr, nullptr);
        RegistryTest::TearDown();
    }

    Executor executor_;
    NvkBatch *batch_ = nullptr;
    NvkTestFunction *first_ = nullptr;
    NvkTestFunction *second_ = nullptr;
};

}  // namespace

TEST_F(RunExecutorTest, StandsInForEveryCallInTheRunsOrder) {
    EXPECT_EQ(1, NvkBatchRun(nullptr));
    EXPECT_EQ(0, calledDirectly);
    EXPECT_EQ((std::vector<SeenCall>{{NvkRunCallBatchSetup, first_},
                                     {NvkRunCallTestSetup, first_},
                                     {NvkRunCallTestFunction, first_},
                                     {NvkRunCallTestTearDown, first_},
                                     {NvkRunCallTestSetup, second_},
                                     {NvkRunCallTestFunction, second_},
                                     {NvkRunCallTestTearDown, second_},
                                     {NvkRunCallBatchTearDown, second_}}),
              executor_.calls);

    NvkSetRunExecutor(nullptr, nullptr);
    NvkBatchRun(nullptr);
    EXPECT_EQ(6, calledDirectly);
}

TEST_F(RunExecutorTest, CrashesGetTheMessageOfTheirCall) {
    const struct {
        size_t call;
        const char *message;
    } cases[] = {
        {0, "A crash was detected in the batch setup function"},
        {1, "A crash was detected in the unit test setup function"},
        {2, "A crash was detected in the unit test function"},
        {3, "A crash was detected in the unit test tear down function"},
    };
    for (const auto &each : cases) {
        executor_.calls.clear();
        executor_.results.assign(4, NvkRunCallReturned);
        executor_.results[each.call] = NvkRunCallCrashed;
        EXPECT_EQ(0, NvkTestFunctionRun(first_));
        NvkAssertionFailure *failure = NvkTestFunctionGetFirstFailure(first_);
        ASSERT_NE(nullptr, failure);
        EXPECT_STREQ(each.message, NvkAssertionFailureGetMessage(failure));
        EXPECT_EQ(0, NvkAssertionFailureGetLineNumber(failure));
        EXPECT_EQ(nullptr, NvkAssertionFailureGetNext(failure));
    }
}

// Details go to the crash record of their own call only.
TEST_F(RunExecutorTest, HandsTheDetailsOfACrashToItsRecord) {
    const char *const kDetails = "signal 11 (SIGSEGV) at tests.so+0x10: write to address 0x0000000000000000";
    const struct {
        std::vector<int32_t> results;
        std::vector<const char *> details;
        const char *expected;
    } cases[] = {
        {{NvkRunCallReturned, NvkRunCallReturned, NvkRunCallCrashed}, {nullptr, nullptr, kDetails}, kDetails},
        {{NvkRunCallReturned, NvkRunCallReturned, NvkRunCallCrashed}, {nullptr, kDetails, nullptr}, nullptr},
        {{NvkRunCallReturned, NvkRunCallReturned, NvkRunCallCrashed}, {nullptr, nullptr, ""}, nullptr},
    };
    for (const auto &each : cases) {
        executor_.calls.clear();
        executor_.results = each.results;
        executor_.crashDetails = each.details;
        EXPECT_EQ(0, NvkTestFunctionRun(first_));
        NvkAssertionFailure *failure = NvkTestFunctionGetFirstFailure(first_);
        ASSERT_NE(nullptr, failure);
        EXPECT_STREQ(each.expected, NvkAssertionFailureGetCrashDetails(failure));
    }
    // Outside a run there is no crash to give them to.
    NvkSetCrashDetails(kDetails);
    executor_.calls.clear();
    executor_.crashDetails.clear();
    EXPECT_EQ(0, NvkTestFunctionRun(first_));
    EXPECT_EQ(nullptr, NvkAssertionFailureGetCrashDetails(NvkTestFunctionGetFirstFailure(first_)));
}

TEST_F(RunExecutorTest, KeepsTheTimeTheExecutorGives) {
    for (const double given : {2.5, 0.0}) {
        executor_.testSeconds = given;
        NvkTestFunctionRun(first_);
        double seconds = 0;
        NvkTestFunctionGetStatistics(first_, nullptr, nullptr, &seconds);
        EXPECT_DOUBLE_EQ(given > 0 ? given : 0.001, seconds);
    }
}

// The test in progress finishes with what was recorded; nothing after it runs, yet
// the run ends with its usual events, and the next run is whole again.
TEST_F(RunExecutorTest, StopEndsTheRunAfterTheCurrentTest) {
    NvkBatch *later = NvkBatchCreate("Later");
    NvkTestFunction *third = NvkBatchAddFunctionImp(later, "Third", Proc<3>);
    executor_.results = {NvkRunCallReturned, NvkRunCallReturned, NvkRunCallStopRun};
    EventRecorder::Clear();

    EXPECT_EQ(1, NvkBatchRun(nullptr));
    EXPECT_EQ(3u, executor_.calls.size());
    EXPECT_EQ(1, NvkTestFunctionGetStatistics(first_, nullptr, nullptr, nullptr));
    EXPECT_EQ(0, NvkTestFunctionGetStatistics(second_, nullptr, nullptr, nullptr));
    EXPECT_EQ(0, NvkTestFunctionGetStatistics(third, nullptr, nullptr, nullptr));
    const std::vector<RecordedEvent> events = EventRecorder::Events();
    const std::vector<RecordedEvent> ending(events.end() - 4, events.end());
    EXPECT_EQ((std::vector<RecordedEvent>{{NvkEventTestFunctionFinished, 1, batch_, first_},
                                          {NvkEventBatchRunFinished, 1, batch_, nullptr},
                                          {NvkEventRunFinished, 0, nullptr, nullptr},
                                          {NvkEventAllBatchesRun, 1, nullptr, nullptr}}),
              ending);

    executor_.results.clear();
    executor_.calls.clear();
    NvkBatchRun(nullptr);
    EXPECT_EQ(9u, executor_.calls.size());
}

TEST_F(RunExecutorTest, CannotBeChangedDuringARun) {
    struct Nested {
        static int32_t NVK_CALL Call(void *context, int32_t, NvkTestFunction *, NvkTestProc, double *) {
            *static_cast<int32_t *>(context) = NvkSetRunExecutor(nullptr, nullptr);
            return NvkRunCallReturned;
        }
    };
    int32_t refused = -1;
    NvkSetRunExecutor(&Nested::Call, &refused);
    NvkTestFunctionRun(first_);
    EXPECT_EQ(0, refused);
}

TEST_F(RegistryTest, EachFailureKeepsTheFileItsCheckNamed) {
    struct Checks {
        static void NVK_CALL InTwoFiles() {
            NvkAssert(1, "test.c", 1, nullptr);
            NvkAssert(0, "helper.c", 7, "from a helper");
            NvkAssert(0, nullptr, 9, "without a file");
        }
    };
    NvkTestFunction *test = NvkBatchAddFunctionImp(nullptr, "InTwoFiles", Checks::InTwoFiles);
    const int32_t allocations = NvkMemGetAllocCount();
    NvkTestFunctionRun(test);
    // Each failure still counts two allocations, its record and its message, beside the
    // test function's file name.
    EXPECT_EQ(allocations + 5, NvkMemGetAllocCount());
    EXPECT_STREQ("test.c", NvkTestFunctionGetFileName(test));
    NvkAssertionFailure *helper = NvkTestFunctionGetFirstFailure(test);
    EXPECT_STREQ("helper.c", NvkAssertionFailureGetFileName(helper));
    EXPECT_EQ(nullptr, NvkAssertionFailureGetFileName(NvkAssertionFailureGetNext(helper)));
    EXPECT_EQ(nullptr, NvkAssertionFailureGetFileName(nullptr));
}
