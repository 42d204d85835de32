// In a process of its own: a stack overflow that the guard missed would end it.
#if defined(_WIN32)
#  include <windows.h>
#endif

#include "faults.h"
#include "registry_fixture.h"
#include "user_mode_emulation.h"

namespace {

void NVK_CALL Passes() { NvkAssert(1, __FILE__, __LINE__, nullptr); }
void NVK_CALL OverflowsFirst() { OverflowStack(); }
void NVK_CALL OverflowsAgain() { OverflowStack(); }

bool Wine64() {
#if defined(_WIN64)
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
#else
    return false;
#endif
}

}  // namespace

TEST_F(RegistryTest, EveryStackOverflowBecomesACrashFailure) {
    if (Wine64()) {
        GTEST_SKIP() << "Wine 8 cannot deliver a stack overflow exception to any handler of a 64-bit process";
    }
    if (UnderUserModeEmulation()) {
        GTEST_SKIP() << kEmulationSkip
                     << "the emulator itself ends with a segmentation fault when Wine calls a frame's "
                        "handler for a stack overflow";
    }
    NvkBatch *batch = NvkBatchCreate("Overflows");
    NvkTestFunction *first = NvkBatchAddFunctionImp(batch, "OverflowsFirst", &OverflowsFirst);
    NvkTestFunction *again = NvkBatchAddFunctionImp(batch, "OverflowsAgain", &OverflowsAgain);
    NvkTestFunction *passes = NvkBatchAddFunctionImp(batch, "Passes", &Passes);

    // The second run shows that the guard page of the stack was put back each time.
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(0, NvkBatchRun(batch));
        for (NvkTestFunction *overflowed : {first, again}) {
            NvkAssertionFailure *failure = NvkTestFunctionGetFirstFailure(overflowed);
            ASSERT_NE(nullptr, failure);
            EXPECT_EQ(0, NvkAssertionFailureGetLineNumber(failure));
            EXPECT_STREQ("A crash was detected in the unit test function", NvkAssertionFailureGetMessage(failure));
            EXPECT_EQ(nullptr, NvkAssertionFailureGetNext(failure));
        }
        int32_t passedAssertions = 0, failures = -1;
        NvkTestFunctionGetStatistics(passes, &passedAssertions, &failures, nullptr);
        EXPECT_EQ(1, passedAssertions);
        EXPECT_EQ(0, failures);
        EXPECT_EQ(0, NvkIsRunning());
        EXPECT_EQ(nullptr, NvkTestFunctionGetCurrent());
    }
}
