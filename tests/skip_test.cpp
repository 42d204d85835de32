// Tests that skip themselves at run time: which calls the run still makes, what the
// statistics, events and report then say, and a skip replayed by a runner's executor.
#include <string>
#include <vector>

#include "registry_fixture.h"

namespace {

// The calls of a run, and the one that skips (by its tag, the first time only) or
// fails then skips.
std::string trace;
std::string skipAt;
bool failBeforeSkip = false;

void Call(const char *tag) {
    trace += std::string(trace.empty() ? "" : " ") + tag;
    if (skipAt == tag) {
        skipAt.clear();
        if (failBeforeSkip) {
            NvkAssert(0, "s.c", 5, "failed first");
        }
        NvkSkip("no %s today", tag);
    }
}

void NVK_CALL BatchSetup() { Call("bs"); }
void NVK_CALL TestSetup() { Call("ts"); }
void NVK_CALL First() { Call("T1"); }
void NVK_CALL Second() { Call("T2"); }
void NVK_CALL TestTearDown() { Call("tt"); }
void NVK_CALL BatchTearDown() { Call("bt"); }

std::string ReasonOf(NvkTestFunction *test) {
    const char *reason = NvkTestFunctionGetSkipReason(test);
    return reason != nullptr ? reason : "(none)";
}

class SkipTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        trace.clear();
        failBeforeSkip = false;
        batch_ = NvkBatchCreate("B");
        NvkBatchSetSetupFunctions(batch_, BatchSetup, BatchTearDown, TestSetup, TestTearDown);
        first_ = NvkBatchAddFunctionImp(batch_, "T1", First);
        second_ = NvkBatchAddFunctionImp(batch_, "T2", Second);
    }

    // run, passed, failed, not run
    std::vector<int32_t> Figures() {
        std::vector<int32_t> figures(4);
        NvkBatchGetStatistics(batch_, &figures[0], &figures[1], &figures[2], &figures[3], nullptr, nullptr, nullptr);
        return figures;
    }

    std::vector<uint32_t> FinishedValues() {
        std::vector<uint32_t> values;
        for (const RecordedEvent &event : EventRecorder::Events()) {
            if (event.code == NvkEventTestFunctionFinished) {
                values.push_back(event.value);
            }
        }
        return values;
    }

    NvkBatch *batch_ = nullptr;
    NvkTestFunction *first_ = nullptr;
    NvkTestFunction *second_ = nullptr;
};

struct SkipCase {
    const char *skipAt;
    bool failFirst;
    const char *trace;
    const char *firstReason;
    const char *secondReason;
    std::vector<int32_t> figures;  // run, passed, failed, not run
};

}  // namespace

TEST_F(SkipTest, ASkipEndsWhatItSkipsAndCountsAsNotRun) {
    const SkipCase cases[] = {
        {"T1", false, "bs ts T1 tt ts T2 tt bt", "no T1 today", "(none)", {1, 1, 0, 1}},
        // The test tear-down still undoes what the test setup did before it skipped.
        {"ts", false, "bs ts tt ts T2 tt bt", "no ts today", "(none)", {1, 1, 0, 1}},
        {"tt", false, "bs ts T1 tt ts T2 tt bt", "no tt today", "(none)", {1, 1, 0, 1}},
        // The batch setup's skip serves every test of the run, and only its tear-down runs.
        {"bs", false, "bs bt", "no bs today", "no bs today", {0, 0, 0, 2}},
        {"bt", false, "bs ts T1 tt ts T2 tt bt", "(none)", "no bt today", {1, 1, 0, 1}},
        // A failure is never hidden by a skip.
        {"T1", true, "bs ts T1 tt ts T2 tt bt", "(none)", "(none)", {2, 1, 1, 0}},
    };
    for (const SkipCase &each : cases) {
        SCOPED_TRACE(std::string(each.skipAt) + (each.failFirst ? " after a failure" : ""));
        trace.clear();
        skipAt = each.skipAt;
        failBeforeSkip = each.failFirst;
        EventRecorder::Clear();
        EXPECT_EQ(each.failFirst ? 0 : 1, NvkBatchRun(batch_));
        EXPECT_EQ(each.trace, trace);
        EXPECT_EQ(each.firstReason, ReasonOf(first_));
        EXPECT_EQ(each.secondReason, ReasonOf(second_));
        EXPECT_EQ(each.figures, Figures());
        // Event 18 carries 1 for a skipped test: it did not fail.
        EXPECT_EQ((std::vector<uint32_t>{each.failFirst ? 0u : 1u, 1u}), FinishedValues());
    }
}

TEST_F(SkipTest, TheNextRunForgetsTheSkip) {
    skipAt = "T1";
    NvkBatchRun(batch_);
    EventRecorder::Clear();
    NvkBatchRun(batch_);
    EXPECT_EQ("(none)", ReasonOf(first_));
    EXPECT_EQ((std::vector<int32_t>{2, 2, 0, 0}), Figures());

    skipAt = "T1";
    NvkTestFunctionRun(first_);
    NvkBatchResetAllTests(batch_, 1);
    EXPECT_EQ("(none)", ReasonOf(first_)) << "any reset frees the reason";
    EXPECT_EQ(0, NvkSkip("outside a run"));
}

TEST_F(SkipTest, TheReportShowsSkippedTestsWithTheirReasonEvenWhenNothingRan) {
    skipAt = "bs";
    NvkBatchRun(batch_);
    size_t length = 0;
    char *report = NvkReportCreate(NVK_REPORT_ALL, &length);
    const std::string text = report;
    NvkMemFreeImp(&report);
    const std::string functionT2 =
        "<Name>T2</Name>\r\n"
        "                    <Result>Skipped</Result>\r\n"
        "                    <SkipReason>no bs today</SkipReason>\r\n"
        "                    <ExecutionTime>0.0</ExecutionTime>\r\n";
    EXPECT_NE(std::string::npos, text.find(functionT2)) << text;
    EXPECT_NE(std::string::npos, text.find("<Tested>0</Tested>")) << text;
    EXPECT_NE(std::string::npos, text.find("<Skipped>2</Skipped>")) << text;
}

namespace {

// Replays a skip that happened elsewhere, as a runner's executor does with what its
// worker process reported, during the call of the test function.
int32_t NVK_CALL ReplaysSkip(void *, int32_t call, NvkTestFunction *test, NvkTestProc, double *) {
    if (call == NvkRunCallTestFunction && std::string(NvkTestFunctionGetName(test)) == "T2") {
        NvkSkip("%s", "skipped in the worker");
    }
    return NvkRunCallReturned;
}

}  // namespace

TEST_F(SkipTest, AnExecutorRecordsASkipDuringTheCallItStandsIn) {
    ASSERT_EQ(1, NvkSetRunExecutor(ReplaysSkip, nullptr));
    EXPECT_EQ(1, NvkBatchRun(batch_));
    NvkSetRunExecutor(nullptr, nullptr);
    EXPECT_EQ("(none)", ReasonOf(first_));
    EXPECT_EQ("skipped in the worker", ReasonOf(second_));
    EXPECT_EQ((std::vector<int32_t>{1, 1, 0, 1}), Figures());
}
