// Breaking into the debugger is for a process with a debugger only: without one, the
// setting changes nothing, so a failing check goes on and a crash stays guarded.
#include "norvik_test.h"
#include "registry_fixture.h"

namespace {

void NVK_CALL FailsThenCrashes() {
    NVK_ASSERT_EQUAL_INT(1, 2);
    NVK_ASSERT_EQUAL_TEXT("a", "b");
    throw 1;
}

class BreakOnFailureTest : public RegistryTest {
protected:
    void TearDown() override {
        NvkSetBreakOnFailure(0);
        RegistryTest::TearDown();
    }
};

}  // namespace

TEST_F(BreakOnFailureTest, TheSettingIsKeptButWithoutADebuggerNothingBreaks) {
    EXPECT_EQ(0, NvkSetBreakOnFailure(1)) << "off at first";
    EXPECT_EQ(1, NvkSetBreakOnFailure(7));
    EXPECT_EQ(0, NvkShouldBreakOnFailure()) << "no debugger is attached to this test";

    NvkTestFunction *test = NvkBatchAddFunctionImp(NvkBatchCreate("B"), "FailsThenCrashes", FailsThenCrashes);
    EXPECT_EQ(0, NvkBatchRun(nullptr));
    int32_t failures = 0;
    NvkTestFunctionGetStatistics(test, nullptr, &failures, nullptr);
    EXPECT_EQ(3, failures) << "both checks failed, then the guard caught the exception";
    EXPECT_EQ(1, NvkSetBreakOnFailure(0));
}
