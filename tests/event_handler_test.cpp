// Runs in a process of its own: a handler installed with a lock stays for good.
#include <gtest/gtest.h>

#include <vector>

#include "norvik.h"

namespace {

std::vector<char> calls;

void NVK_CALL HandlerA(int32_t, uint32_t, intptr_t reserved, void *, void *) {
    EXPECT_EQ(0, reserved);
    calls.push_back('A');
}
void NVK_CALL HandlerB(int32_t, uint32_t, intptr_t, void *, void *) { calls.push_back('B'); }
void NVK_CALL HandlerC(int32_t, uint32_t, intptr_t, void *, void *) { calls.push_back('C'); }

void RaiseOneEvent() {
    NvkBatch *batch = NvkBatchCreate("Probe");
    NvkBatchFree(&batch);
}

}  // namespace

TEST(EventHandler, UnlockedReplacedNullIgnoredLockedKeptForGood) {
    RaiseOneEvent();
    EXPECT_TRUE(calls.empty()) << "no handler: operations run silently";

    NvkSetEventHandler(HandlerA, 0);
    RaiseOneEvent();
    NvkSetEventHandler(nullptr, 0);
    RaiseOneEvent();
    NvkSetEventHandler(HandlerB, 1);
    RaiseOneEvent();
    NvkSetEventHandler(HandlerC, 0);
    NvkSetEventHandler(nullptr, 0);
    RaiseOneEvent();
    // Creating and freeing one batch raises two events.
    EXPECT_EQ((std::vector<char>{'A', 'A', 'A', 'A', 'B', 'B', 'B', 'B'}), calls);
}
