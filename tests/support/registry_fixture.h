// A fixture for tests that build a registry: each test starts from an empty
// registry with the event recorder installed, and must leave no block behind.
#pragma once

#include <gtest/gtest.h>

#include "event_recorder.h"
#include "norvik.h"

// Distinct test functions: each instantiation has its own address.
template <int N>
void NVK_CALL Proc() {
    static volatile int calls = 0;
    calls = calls + N;
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        EventRecorder::Install();
        ASSERT_EQ(0u, NvkBatchGetCount(nullptr)) << "a previous test left batches behind";
        allocationsAtStart_ = NvkMemGetAllocCount();
        EventRecorder::Clear();
    }
    void TearDown() override {
        NvkBatchFree(nullptr);
        EXPECT_EQ(allocationsAtStart_, NvkMemGetAllocCount()) << "blocks leaked";
    }

private:
    int32_t allocationsAtStart_ = 0;
};
