#include <string>

#include "registry_fixture.h"

namespace {

void NVK_CALL FailWithFileName() {
    NvkAssert(0, "navigation_test.cpp", 12, "first");
    NvkAssert(0, "other.cpp", 13, "second");
}

void NVK_CALL CrashLikeFailureOnly() { NvkAssert(0, nullptr, 0, "no file name"); }

}  // namespace

TEST_F(RegistryTest, CountWithNullCreatesNothingWhileGetFirstCreatesTheDefault) {
    EXPECT_EQ(0u, NvkBatchGetCount(nullptr));
    EXPECT_TRUE(EventRecorder::Events().empty());
    NvkBatch *batch = NvkBatchGetFirst();
    ASSERT_NE(nullptr, batch);
    EXPECT_STREQ("DefaultBatch", NvkBatchGetName(batch));
    EXPECT_EQ((std::vector<int32_t>{NvkEventBatchCreated}), EventRecorder::Codes());
    EXPECT_EQ(1u, NvkBatchGetCount(nullptr));
    EXPECT_EQ(0u, NvkBatchGetCount(batch));
}

TEST_F(RegistryTest, WalkingFollowsCreationAndRegistrationOrder) {
    NvkBatch *a = NvkBatchCreate("A");
    NvkBatch *b = NvkBatchCreate("B");
    NvkBatch *c = NvkBatchCreate("C");
    EXPECT_EQ(a, NvkBatchGetFirst());
    EXPECT_EQ(b, NvkBatchGetNext(a));
    EXPECT_EQ(b, NvkBatchGetNext(nullptr)) << "NULL stands for the first batch";
    EXPECT_EQ(c, NvkBatchGetNext(b));
    EXPECT_EQ(nullptr, NvkBatchGetNext(c));
    EXPECT_STREQ("A", NvkBatchGetName(nullptr));

    NvkTestFunction *t1 = NvkBatchAddFunctionImp(b, "T1", Proc<1>);
    NvkTestFunction *t2 = NvkBatchAddFunctionImp(b, "T2", Proc<2>);
    EXPECT_EQ(t1, NvkBatchGetFirstTestFunction(b));
    EXPECT_EQ(t2, NvkTestFunctionGetNext(t1));
    EXPECT_EQ(nullptr, NvkTestFunctionGetNext(t2));
    EXPECT_EQ(b, NvkTestFunctionGetBatch(t2));
    EXPECT_EQ(nullptr, NvkBatchGetFirstTestFunction(nullptr)) << "first batch A has none";
}

TEST_F(RegistryTest, FailuresAndFileNamesAreReadThroughGetters) {
    NvkTestFunction *test = NvkBatchAddFunctionImp(nullptr, "Fails", FailWithFileName);
    NvkTestFunction *crashOnly = NvkBatchAddFunctionImp(nullptr, "CrashOnly", CrashLikeFailureOnly);
    EXPECT_EQ(nullptr, NvkTestFunctionGetFileName(test));
    NvkBatchRun(nullptr);
    EXPECT_STREQ("navigation_test.cpp", NvkTestFunctionGetFileName(test));
    EXPECT_EQ(nullptr, NvkTestFunctionGetFileName(crashOnly));

    NvkAssertionFailure *first = NvkTestFunctionGetFirstFailure(test);
    NvkAssertionFailure *second = NvkAssertionFailureGetNext(first);
    EXPECT_STREQ("first", NvkAssertionFailureGetMessage(first));
    EXPECT_EQ(12, NvkAssertionFailureGetLineNumber(first));
    EXPECT_EQ(test, NvkAssertionFailureGetTestFunction(first));
    EXPECT_STREQ("second", NvkAssertionFailureGetMessage(second));
    EXPECT_EQ(13, NvkAssertionFailureGetLineNumber(second));
    EXPECT_EQ(nullptr, NvkAssertionFailureGetNext(second));
}

TEST_F(RegistryTest, UserDataIsFixedOnceLocked) {
    NvkTestFunction *locked = NvkBatchAddFunctionImp(nullptr, "Locked", Proc<1>);
    NvkTestFunction *open = NvkBatchAddFunctionImp(nullptr, "Open", Proc<2>);
    NvkTestFunctionSetUserData(locked, 7, 1);
    NvkTestFunctionSetUserData(locked, 9, 0);
    EXPECT_EQ(7, NvkTestFunctionGetUserData(locked));
    NvkTestFunctionSetUserData(open, 5, 0);
    NvkTestFunctionSetUserData(open, 6, 0);
    EXPECT_EQ(6, NvkTestFunctionGetUserData(open));

    NvkBatchSetUserData(nullptr, -3, 0);
    EXPECT_EQ(-3, NvkBatchGetUserData(NvkBatchGetFirst()));
    NvkBatchSetUserData(nullptr, 11, 2);
    NvkBatchSetUserData(nullptr, 12, 0);
    EXPECT_EQ(11, NvkBatchGetUserData(nullptr));

    NvkTestFunctionRun(NvkBatchAddFunctionImp(nullptr, "Fails", FailWithFileName));
    NvkAssertionFailure *failure = NvkTestFunctionGetFirstFailure(NvkTestFunctionGetNext(open));
    NvkAssertionFailureSetUserData(failure, 42, 1);
    NvkAssertionFailureSetUserData(failure, 43, 1);
    EXPECT_EQ(42, NvkAssertionFailureGetUserData(failure));
}

TEST_F(RegistryTest, GettersOnNullRecordsGiveNothing) {
    EXPECT_EQ(nullptr, NvkTestFunctionGetName(nullptr));
    EXPECT_EQ(nullptr, NvkTestFunctionGetNext(nullptr));
    EXPECT_EQ(nullptr, NvkTestFunctionGetBatch(nullptr));
    EXPECT_EQ(nullptr, NvkTestFunctionGetFileName(nullptr));
    EXPECT_EQ(nullptr, NvkTestFunctionGetFirstFailure(nullptr));
    EXPECT_EQ(0, NvkTestFunctionGetUserData(nullptr));
    NvkTestFunctionSetUserData(nullptr, 1, 1);
    EXPECT_EQ(0, NvkAssertionFailureGetLineNumber(nullptr));
    EXPECT_EQ(nullptr, NvkAssertionFailureGetMessage(nullptr));
    EXPECT_EQ(nullptr, NvkAssertionFailureGetNext(nullptr));
    EXPECT_EQ(nullptr, NvkAssertionFailureGetTestFunction(nullptr));
    EXPECT_EQ(0, NvkAssertionFailureGetUserData(nullptr));
    NvkAssertionFailureSetUserData(nullptr, 1, 1);
    EXPECT_TRUE(EventRecorder::Events().empty());
}
