// Checks only count inside a running test function, so the tests here hand their
// checks to a real test function of a batch and run it with NvkBatchRun.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "event_recorder.h"
#include "norvik_test.h"

class AssertionRun : public ::testing::Test {
protected:
    void SetUp() override {
        allocationsBefore_ = NvkMemGetAllocCount();
        EventRecorder::Install();
        EventRecorder::Clear();
    }

    void TearDown() override {
        NvkBatchFree(nullptr);
        EXPECT_EQ(allocationsBefore_, NvkMemGetAllocCount());
    }

    // Runs body as the one test function of this test's batch (run again on each call).
    NvkTestFunction *RunAsTest(std::function<void()> body) {
        Body() = std::move(body);
        if (testFunction_ == nullptr) {
            batch_ = NvkBatchCreate("Assertions");
            testFunction_ = NvkBatchAddFunctionImp(batch_, "Checks", &CallBody);
        }
        lastRunResult_ = NvkBatchRun(batch_);
        return testFunction_;
    }

    static std::vector<NvkAssertionFailure *> Failures(NvkTestFunction *test) {
        std::vector<NvkAssertionFailure *> failures;
        for (NvkAssertionFailure *failure = NvkTestFunctionGetFirstFailure(test); failure != nullptr;
             failure = NvkAssertionFailureGetNext(failure)) {
            failures.push_back(failure);
        }
        return failures;
    }

    static std::vector<std::string> Messages(NvkTestFunction *test) {
        std::vector<std::string> messages;
        for (NvkAssertionFailure *failure : Failures(test)) {
            const char *message = NvkAssertionFailureGetMessage(failure);
            messages.push_back(message == nullptr ? "(null)" : message);
        }
        return messages;
    }

    static int32_t PassedAssertions(NvkTestFunction *test) {
        int32_t passed = -1;
        NvkTestFunctionGetStatistics(test, &passed, nullptr, nullptr);
        return passed;
    }

    NvkBatch *batch_ = nullptr;
    int32_t lastRunResult_ = -1;

private:
    static std::function<void()> &Body() {
        static std::function<void()> body;
        return body;
    }
    static void NVK_CALL CallBody() { Body()(); }

    int32_t allocationsBefore_ = 0;
    NvkTestFunction *testFunction_ = nullptr;
};
