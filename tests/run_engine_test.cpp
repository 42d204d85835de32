#include <string>
#include <vector>

#include "registry_fixture.h"

namespace {

using Codes = std::vector<int32_t>;

std::vector<std::string> callLog;

void NVK_CALL BatchSetup() {
    callLog.push_back("batchSetup");
    NvkAssert(1, nullptr, 0, nullptr);
}
void NVK_CALL BatchTearDown() {
    callLog.push_back("batchTearDown");
    NvkAssert(0, nullptr, 99, "from batch tear-down");
}
void NVK_CALL TestSetup() { callLog.push_back("testSetup"); }
void NVK_CALL TestTearDown() { callLog.push_back("testTearDown"); }
void NVK_CALL First() { callLog.push_back("first"); }
void NVK_CALL Second() { callLog.push_back("second"); }
void NVK_CALL Third() { callLog.push_back("third"); }
void NVK_CALL Passes() { NvkAssert(1, nullptr, 1, nullptr); }
void NVK_CALL Fails() { NvkAssert(0, nullptr, 2, "fails"); }

struct Nested {
    int32_t batchRun = -1;
    int32_t testRun = -1;
    int32_t running = -1;
    NvkTestFunction *current = nullptr;
};
Nested nested;

void NVK_CALL TriesNestedRuns() {
    nested.batchRun = NvkBatchRun(nullptr);
    nested.testRun = NvkTestFunctionRun(NvkTestFunctionGetCurrent());
    nested.running = NvkIsRunning();
    nested.current = NvkTestFunctionGetCurrent();
}

}  // namespace

TEST_F(RegistryTest, RunningAnEmptyRegistryRunsTheDefaultBatch) {
    EXPECT_EQ(1, NvkBatchRun(nullptr));
    NvkBatch *batch = NvkBatchGetFirst();
    EXPECT_EQ((std::vector<RecordedEvent>{{NvkEventBatchCreated, 0, batch, nullptr},
                                          {NvkEventRunStarted, 0, batch, nullptr},
                                          {NvkEventAllBatchesReset, 0, nullptr, nullptr},
                                          {NvkEventBatchRunStarted, 0, batch, nullptr},
                                          {NvkEventBatchRunFinished, 1, batch, nullptr},
                                          {NvkEventRunFinished, 0, nullptr, nullptr},
                                          {NvkEventAllBatchesRun, 1, nullptr, nullptr}}),
              EventRecorder::Events());
}

TEST_F(RegistryTest, FullRunRaisesEveryStepInOrder) {
    NvkBatch *a = NvkBatchCreate("A");
    NvkBatch *b = NvkBatchCreate("B");
    NvkTestFunction *pass = NvkBatchAddFunctionImp(a, "Passes", Passes);
    NvkTestFunction *fail = NvkBatchAddFunctionImp(b, "Fails", Fails);
    EXPECT_EQ(0, NvkBatchRun(nullptr));
    NvkAssertionFailure *failure = NvkTestFunctionGetFirstFailure(fail);
    EventRecorder::Clear();

    EXPECT_EQ(0, NvkBatchRun(nullptr));
    NvkAssertionFailure *newFailure = NvkTestFunctionGetFirstFailure(fail);
    EXPECT_EQ((std::vector<RecordedEvent>{
                  {NvkEventRunStarted, 0, nullptr, nullptr},      {NvkEventBatchReset, 0, a, nullptr},
                  {NvkEventTestFunctionReset, 0, a, pass},        {NvkEventBatchReset, 0, b, nullptr},
                  {NvkEventFailureFreed, 0, fail, failure},       {NvkEventTestFunctionReset, 0, b, fail},
                  {NvkEventAllBatchesReset, 0, nullptr, nullptr}, {NvkEventBatchRunStarted, 0, a, nullptr},
                  {NvkEventTestFunctionStarted, 0, a, pass},      {NvkEventAssertPassed, 0, a, pass},
                  {NvkEventTestFunctionFinished, 1, a, pass},     {NvkEventBatchRunFinished, 1, a, nullptr},
                  {NvkEventBatchRunStarted, 0, b, nullptr},       {NvkEventTestFunctionStarted, 0, b, fail},
                  {NvkEventAssertFailed, 0, fail, newFailure},    {NvkEventFailureAdded, 0, fail, newFailure},
                  {NvkEventTestFunctionFinished, 0, b, fail},     {NvkEventBatchRunFinished, 0, b, nullptr},
                  {NvkEventRunFinished, 0, nullptr, nullptr},     {NvkEventAllBatchesRun, 0, nullptr, nullptr}}),
              EventRecorder::Events());
    EXPECT_EQ(0, NvkIsRunning());
    EXPECT_EQ(nullptr, NvkTestFunctionGetCurrent());
}

TEST_F(RegistryTest, OneBatchRunNamesTheBatchAndSkipsTheAllBatchEvents) {
    NvkBatch *a = NvkBatchCreate("A");
    NvkBatchCreate("B");
    NvkTestFunction *pass = NvkBatchAddFunctionImp(a, "Passes", Passes);
    EventRecorder::Clear();
    EXPECT_EQ(1, NvkBatchRun(a));
    EXPECT_EQ((std::vector<RecordedEvent>{{NvkEventRunStarted, 0, a, nullptr},
                                          {NvkEventBatchRunStarted, 0, a, nullptr},
                                          {NvkEventTestFunctionStarted, 0, a, pass},
                                          {NvkEventAssertPassed, 0, a, pass},
                                          {NvkEventTestFunctionFinished, 1, a, pass},
                                          {NvkEventBatchRunFinished, 1, a, nullptr},
                                          {NvkEventRunFinished, 0, nullptr, nullptr}}),
              EventRecorder::Events());
}

TEST_F(RegistryTest, SkippedTestInTheMiddleIsUntouchedAndBatchEndsRunOnce) {
    NvkBatch *batch = NvkBatchCreate("Ordered");
    NvkBatchSetSetupFunctions(batch, BatchSetup, BatchTearDown, TestSetup, TestTearDown);
    NvkTestFunction *first = NvkBatchAddFunctionImp(batch, "First", First);
    NvkTestFunction *second = NvkBatchAddFunctionImp(batch, "Second", Second);
    NvkTestFunction *third = NvkBatchAddFunctionImp(batch, "Third", Third);
    NvkTestFunctionSetSkip(second, 1);
    callLog.clear();

    EXPECT_EQ(0, NvkBatchRun(batch)) << "the batch tear-down's failure lands on the last test";
    EXPECT_EQ((std::vector<std::string>{"batchSetup", "testSetup", "first", "testTearDown", "testSetup", "third",
                                        "testTearDown", "batchTearDown"}),
              callLog);
    EXPECT_EQ(0, NvkTestFunctionGetStatistics(second, nullptr, nullptr, nullptr)) << "the skipped test never ran";
    int32_t passed = -1;
    int32_t failures = -1;
    NvkTestFunctionGetStatistics(first, &passed, &failures, nullptr);
    EXPECT_EQ(1, passed) << "the batch setup's pass counts for the first test";
    EXPECT_EQ(0, failures);
    NvkTestFunctionGetStatistics(third, &passed, &failures, nullptr);
    EXPECT_EQ(0, passed);
    EXPECT_EQ(1, failures);
    EXPECT_EQ(99, NvkAssertionFailureGetLineNumber(NvkTestFunctionGetFirstFailure(third)));
}

TEST_F(RegistryTest, BatchWithoutSelectedTestsRunsNoSetupButReportsPassed) {
    NvkBatch *batch = NvkBatchCreate("AllSkipped");
    NvkBatchSetSetupFunctions(batch, BatchSetup, BatchTearDown, TestSetup, TestTearDown);
    NvkBatchAddFunctionImp(batch, "First", First);
    NvkBatchSkip(batch, 1);
    callLog.clear();
    EventRecorder::Clear();
    EXPECT_EQ(1, NvkBatchRun(batch));
    EXPECT_TRUE(callLog.empty());
    EXPECT_EQ((Codes{NvkEventRunStarted, NvkEventBatchRunStarted, NvkEventBatchRunFinished, NvkEventRunFinished}),
              EventRecorder::Codes());
    EXPECT_EQ(1u, EventRecorder::Events()[2].value);
}

TEST_F(RegistryTest, SingleRunIgnoresSkipAndRunsBothBatchEnds) {
    NvkBatch *batch = NvkBatchCreate("Single");
    NvkBatchSetSetupFunctions(batch, BatchSetup, nullptr, TestSetup, nullptr);
    NvkTestFunction *test = NvkBatchAddFunctionImp(batch, "Second", Second);
    NvkTestFunctionSetSkip(test, 1);
    callLog.clear();
    EventRecorder::Clear();
    EXPECT_EQ(1, NvkTestFunctionRun(test));
    EXPECT_EQ((std::vector<std::string>{"batchSetup", "testSetup", "second"}), callLog);
    EXPECT_EQ((std::vector<RecordedEvent>{{NvkEventRunStarted, 0, nullptr, test},
                                          {NvkEventAssertPassed, 0, batch, test},
                                          {NvkEventTestFunctionStarted, 0, batch, test},
                                          {NvkEventRunFinished, 0, nullptr, nullptr},
                                          {NvkEventTestFunctionFinished, 1, batch, test}}),
              EventRecorder::Events());

    EventRecorder::Clear();
    NvkTestFunctionRun(test);
    EXPECT_EQ((Codes{NvkEventRunStarted, NvkEventTestFunctionReset, NvkEventAssertPassed, NvkEventTestFunctionStarted,
                     NvkEventRunFinished, NvkEventTestFunctionFinished}),
              EventRecorder::Codes());
    EXPECT_EQ(1, NvkTestFunctionRun(nullptr));
}

TEST_F(RegistryTest, FastTestGetsTheOneMillisecondFloor) {
    NvkTestFunction *test = NvkBatchAddFunctionImp(nullptr, "Fast", First);
    NvkTestFunctionRun(test);
    double time = 0;
    EXPECT_EQ(1, NvkTestFunctionGetStatistics(test, nullptr, nullptr, &time));
    EXPECT_EQ(0.001, time);
    EXPECT_EQ(0.001, NvkTimeGetElapsedTime(NvkTimeGetTickCount() + 1000000));
    EXPECT_GE(NvkTimeGetElapsedTime(0), 0.001);
}

TEST_F(RegistryTest, RunsStartedDuringARunAreRefused) {
    NvkTestFunction *test = NvkBatchAddFunctionImp(nullptr, "Nests", TriesNestedRuns);
    nested = Nested();
    EXPECT_EQ(1, NvkBatchRun(nullptr));
    EXPECT_EQ(0, nested.batchRun);
    EXPECT_EQ(0, nested.testRun);
    EXPECT_EQ(1, nested.running);
    EXPECT_EQ(test, nested.current);
    EXPECT_EQ(0, NvkIsRunning());
}

namespace {

void NVK_CALL ResetFailuresWhenFinished(int32_t code, uint32_t, intptr_t, void *, void *second) {
    if (code == NvkEventTestFunctionFinished) {
        NvkTestFunctionReset(static_cast<NvkTestFunction *>(second), 1);
    }
}

}  // namespace

TEST_F(RegistryTest, BatchPassesWhenTheHandlerClearedItsFailuresDuringTheRun) {
    NvkBatch *batch = NvkTestFunctionGetBatch(NvkBatchAddFunctionImp(nullptr, "Fails", Fails));
    NvkSetEventHandler(ResetFailuresWhenFinished, 0);
    EXPECT_EQ(1, NvkBatchRun(batch));
    EventRecorder::Install();
}
