#include <vector>

#include "registry_fixture.h"

namespace {

using Codes = std::vector<int32_t>;

void NVK_CALL PassesTwice() {
    NvkAssert(1, nullptr, 1, nullptr);
    NvkAssert(1, nullptr, 2, nullptr);
}
void NVK_CALL FailsTwice() {
    NvkAssert(1, nullptr, 1, nullptr);
    NvkAssert(0, nullptr, 2, "one");
    NvkAssert(0, nullptr, 3, "two");
}

struct Statistics {
    int32_t run = -1, passed = -1, failed = -1, notRun = -1, passedAssertions = -1, failures = -1;
    double time = -1;
    int32_t result = -1;
};

Statistics StatisticsOf(NvkBatch *batch) {
    Statistics s;
    s.result = NvkBatchGetStatistics(batch, &s.run, &s.passed, &s.failed, &s.notRun, &s.passedAssertions, &s.failures,
                                     &s.time);
    return s;
}

std::vector<NvkTestFunction *> RanTests;

void NVK_CALL CollectStarted(int32_t code, uint32_t, intptr_t, void *, void *second) {
    if (code == NvkEventTestFunctionStarted) {
        RanTests.push_back(static_cast<NvkTestFunction *>(second));
    }
}

}  // namespace

TEST_F(RegistryTest, StatisticsCountRunPassedFailedAndNotRun) {
    NvkBatch *batch = NvkBatchCreate("Counted");
    NvkTestFunction *passes = NvkBatchAddFunctionImp(batch, "Passes", PassesTwice);
    NvkBatchAddFunctionImp(batch, "NotRun", Proc<1>);
    Statistics before = StatisticsOf(nullptr);
    EXPECT_EQ(0, before.result);
    EXPECT_EQ(0, before.run);
    EXPECT_EQ(2, before.notRun);
    EXPECT_EQ(0.0, before.time);

    NvkTestFunctionRun(passes);
    Statistics after = StatisticsOf(batch);
    EXPECT_EQ(1, after.result);
    EXPECT_EQ(1, after.run);
    EXPECT_EQ(1, after.passed);
    EXPECT_EQ(0, after.failed);
    EXPECT_EQ(1, after.notRun);
    EXPECT_EQ(2, after.passedAssertions);
    EXPECT_EQ(0, after.failures);
    EXPECT_GE(after.time, 0.001);

    NvkBatch *other = NvkBatchCreate("Other");
    NvkTestFunction *fails = NvkBatchAddFunctionImp(other, "Fails", FailsTwice);
    NvkTestFunctionRun(fails);
    Statistics all = StatisticsOf(nullptr);
    EXPECT_EQ(2, all.run);
    EXPECT_EQ(1, all.passed);
    EXPECT_EQ(1, all.failed);
    EXPECT_EQ(3, all.passedAssertions);
    EXPECT_EQ(2, all.failures);
    double passesTime = 0;
    double failsTime = 0;
    NvkTestFunctionGetStatistics(passes, nullptr, nullptr, &passesTime);
    NvkTestFunctionGetStatistics(fails, nullptr, nullptr, &failsTime);
    EXPECT_EQ(passesTime + failsTime, all.time);
    EXPECT_EQ(1, NvkBatchGetStatistics(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));

    int32_t passed = 5, failures = 5;
    double time = 5;
    EXPECT_EQ(0, NvkTestFunctionGetStatistics(nullptr, &passed, &failures, &time));
    EXPECT_EQ(5, passed) << "a NULL test function leaves the outputs untouched";
}

TEST_F(RegistryTest, SelectionDecidesWhatABatchRunRuns) {
    NvkBatch *a = NvkBatchCreate("A");
    NvkBatch *b = NvkBatchCreate("B");
    NvkBatchAddFunctionImp(a, "A1", Proc<1>);
    NvkTestFunction *a2 = NvkBatchAddFunctionImp(a, "A2", Proc<2>);
    NvkTestFunction *b1 = NvkBatchAddFunctionImp(b, "B1", Proc<3>);
    NvkBatchAddFunctionImp(b, "B2", Proc<4>);
    EXPECT_EQ(1, NvkBatchSkip(nullptr, 1));
    EXPECT_EQ(1, NvkTestFunctionSetSkip(a2, 0));
    EXPECT_EQ(1, NvkTestFunctionSetSkip(b1, 0));

    uint32_t selected = 9, skipped = 9;
    EXPECT_EQ(4u, NvkBatchGetTestFunctionInformation(nullptr, &selected, &skipped));
    EXPECT_EQ(2u, selected);
    EXPECT_EQ(2u, skipped);
    EXPECT_EQ(2u, NvkBatchGetTestFunctionInformation(a, &selected, nullptr));
    EXPECT_EQ(1u, selected);

    RanTests.clear();
    NvkSetEventHandler(CollectStarted, 0);
    NvkBatchRun(nullptr);
    EventRecorder::Install();
    EXPECT_EQ((std::vector<NvkTestFunction *>{a2, b1}), RanTests);
}

TEST_F(RegistryTest, SkipEventsOnlyForRealChanges) {
    NvkBatch *batch = NvkBatchCreate("Skips");
    NvkTestFunction *test = NvkBatchAddFunctionImp(batch, "T", Proc<1>);
    EventRecorder::Clear();
    EXPECT_EQ(1, NvkTestFunctionSetSkip(test, 0));
    EXPECT_EQ(1, NvkBatchSkip(batch, 0));
    EXPECT_EQ((std::vector<RecordedEvent>{{NvkEventBatchSkip, 0, batch, nullptr}}), EventRecorder::Events());

    EventRecorder::Clear();
    EXPECT_EQ(1, NvkBatchSkip(batch, 7));
    EXPECT_EQ(7, NvkTestFunctionGetSkip(test)) << "the value is stored unchanged";
    EXPECT_EQ((std::vector<RecordedEvent>{{NvkEventBatchSkip, 7, batch, nullptr},
                                          {NvkEventTestFunctionSkip, 7, batch, test}}),
              EventRecorder::Events());
    EXPECT_EQ(1, NvkTestFunctionSetSkip(nullptr, 1));
    EXPECT_EQ(0, NvkTestFunctionGetSkip(nullptr));
}

namespace {

int32_t skipDuringRun = -1;
int32_t batchSkipDuringRun = -1;

void NVK_CALL ChangesSelection() {
    skipDuringRun = NvkTestFunctionSetSkip(NvkTestFunctionGetCurrent(), 1);
    batchSkipDuringRun = NvkBatchSkip(nullptr, 1);
}

}  // namespace

TEST_F(RegistryTest, SelectionIsClosedDuringARun) {
    NvkTestFunction *test = NvkBatchAddFunctionImp(nullptr, "Changer", ChangesSelection);
    EventRecorder::Clear();
    NvkBatchRun(nullptr);
    EXPECT_EQ(0, skipDuringRun);
    EXPECT_EQ(0, batchSkipDuringRun);
    EXPECT_EQ(0, NvkTestFunctionGetSkip(test));
    for (const RecordedEvent &event : EventRecorder::Events()) {
        EXPECT_NE(NvkEventTestFunctionSkip, event.code);
        EXPECT_NE(NvkEventBatchSkip, event.code);
    }
}

TEST_F(RegistryTest, ResettingFailuresOnlyTurnsAFailedTestIntoAPassedOne) {
    NvkBatch *batch = NvkBatchCreate("Resets");
    NvkTestFunction *fails = NvkBatchAddFunctionImp(batch, "Fails", FailsTwice);
    NvkBatchAddFunctionImp(batch, "NeverRuns", Proc<1>);
    EventRecorder::Clear();
    NvkBatchResetAllTests(batch, 0);
    EXPECT_TRUE(EventRecorder::Events().empty()) << "nothing has run, nothing to announce";

    NvkTestFunctionRun(fails);
    double time = 0;
    NvkTestFunctionGetStatistics(fails, nullptr, nullptr, &time);
    EventRecorder::Clear();
    NvkTestFunctionReset(fails, 1);
    EXPECT_EQ((Codes{NvkEventFailureFreed, NvkEventFailureFreed, NvkEventTestFunctionReset}), EventRecorder::Codes());
    int32_t passed = 0, failures = 0;
    double timeAfter = 0;
    EXPECT_EQ(1, NvkTestFunctionGetStatistics(fails, &passed, &failures, &timeAfter));
    EXPECT_EQ(1, passed);
    EXPECT_EQ(0, failures);
    EXPECT_EQ(time, timeAfter);
    Statistics s = StatisticsOf(batch);
    EXPECT_EQ(1, s.passed);
    EXPECT_EQ(0, s.failed);

    EventRecorder::Clear();
    NvkBatchResetAllTests(nullptr, 0);
    EXPECT_EQ((std::vector<RecordedEvent>{{NvkEventBatchReset, 0, batch, nullptr},
                                          {NvkEventTestFunctionReset, 0, batch, fails}}),
              EventRecorder::Events());
    EXPECT_EQ(0, NvkTestFunctionGetStatistics(fails, &passed, nullptr, nullptr));
    EXPECT_EQ(0, passed);
    NvkTestFunctionReset(nullptr, 0);
}

namespace {

// Outside a run a handler may register test functions, here on the first reset
// of a walk over their batch, enough of them to move the batch's storage.
NvkBatch *growingBatch = nullptr;

void NVK_CALL AddsTestFunctionsOnFirstReset(int32_t code, uint32_t, intptr_t, void *, void *) {
    if (code != NvkEventTestFunctionReset || growingBatch == nullptr) {
        return;
    }
    NvkBatch *batch = growingBatch;
    growingBatch = nullptr;
    const char *const names[] = {"Added1", "Added2", "Added3", "Added4", "Added5", "Added6", "Added7", "Added8"};
    const NvkTestProc functions[] = {Proc<11>, Proc<12>, Proc<13>, Proc<14>, Proc<15>, Proc<16>, Proc<17>, Proc<18>};
    NvkBatchAddFunctions(batch, 8, names, functions);
}

}  // namespace

TEST_F(RegistryTest, AResetGoesOnWhenTheHandlerAddsTestFunctionsToTheBatch) {
    NvkBatch *batch = NvkBatchCreate("Growing");
    NvkBatchAddFunctionImp(batch, "First", Proc<1>);
    NvkBatchAddFunctionImp(batch, "Second", Proc<2>);
    NvkBatchRun(batch);
    growingBatch = batch;
    NvkSetEventHandler(AddsTestFunctionsOnFirstReset, 0);
    NvkBatchResetAllTests(batch, 0);
    EventRecorder::Install();
    EXPECT_EQ(10u, NvkBatchGetCount(batch));
    int32_t notRun = 0;
    EXPECT_EQ(0, NvkBatchGetStatistics(batch, nullptr, nullptr, nullptr, &notRun, nullptr, nullptr, nullptr));
    EXPECT_EQ(10, notRun) << "both tests that had run were reset";
}
