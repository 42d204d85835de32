#include <string>
#include <vector>

#include "registry_fixture.h"

namespace {

using Codes = std::vector<int32_t>;

std::vector<std::string> BatchNames() {
    std::vector<std::string> names;
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        names.push_back(NvkBatchGetName(batch));
    }
    return names;
}

void NVK_CALL FailOnce() { NvkAssert(0, "registry_test.cpp", 7, "failed once"); }
void NVK_CALL FailTwice() {
    NvkAssert(0, nullptr, 1, "first");
    NvkAssert(0, nullptr, 2, "second");
}

}  // namespace

TEST_F(RegistryTest, NullOrEmptyNameMakesOneDefaultBatch) {
    NvkBatch *batch = NvkBatchCreate(nullptr);
    ASSERT_NE(nullptr, batch);
    EXPECT_STREQ("DefaultBatch", NvkBatchGetName(batch));
    EXPECT_EQ(nullptr, NvkBatchCreate(""));
    EXPECT_EQ(nullptr, NvkBatchCreate("DefaultBatch"));
    EXPECT_EQ((std::vector<RecordedEvent>{{NvkEventBatchCreated, 0, batch, nullptr}}), EventRecorder::Events());
}

TEST_F(RegistryTest, BatchNamesAreUniqueByteForByte) {
    NvkBatch *first = NvkBatchCreate("Parser");
    EventRecorder::Clear();
    EXPECT_EQ(nullptr, NvkBatchCreate("Parser"));
    EXPECT_TRUE(EventRecorder::Events().empty()) << "a refused creation raises nothing";
    NvkBatch *other = NvkBatchCreate("parser");
    EXPECT_NE(nullptr, other);
    EXPECT_NE(first, other);
    EXPECT_EQ((std::vector<std::string>{"Parser", "parser"}), BatchNames());
}

TEST_F(RegistryTest, AddingToNullBatchOnEmptyRegistryCreatesDefaultBatchFirst) {
    NvkTestFunction *test = NvkBatchAddFunctionImp(nullptr, "TestOne", Proc<1>);
    ASSERT_NE(nullptr, test);
    NvkBatch *batch = NvkTestFunctionGetBatch(test);
    EXPECT_STREQ("DefaultBatch", NvkBatchGetName(batch));
    EXPECT_EQ((std::vector<RecordedEvent>{{NvkEventBatchCreated, 0, batch, nullptr},
                                          {NvkEventTestFunctionAdded, 0, batch, test}}),
              EventRecorder::Events());
}

TEST_F(RegistryTest, NamesAndFunctionsAreUniqueWithinABatchOnly) {
    NvkBatch *math = NvkBatchCreate("Math");
    NvkBatch *text = NvkBatchCreate("Text");
    ASSERT_NE(nullptr, NvkBatchAddFunctionImp(math, "Adds", Proc<1>));
    EventRecorder::Clear();
    EXPECT_EQ(nullptr, NvkBatchAddFunctionImp(math, "AddsAgain", Proc<1>)) << "same function";
    EXPECT_EQ(nullptr, NvkBatchAddFunctionImp(math, "Adds", Proc<2>)) << "same name";
    EXPECT_EQ(nullptr, NvkBatchAddFunctionImp(math, "", Proc<3>));
    EXPECT_EQ(nullptr, NvkBatchAddFunctionImp(math, nullptr, Proc<3>));
    EXPECT_EQ(nullptr, NvkBatchAddFunctionImp(math, "NoFunction", nullptr));
    EXPECT_TRUE(EventRecorder::Events().empty());
    EXPECT_NE(nullptr, NvkBatchAddFunctionImp(math, "adds", Proc<4>)) << "names are case-sensitive";
    EXPECT_NE(nullptr, NvkBatchAddFunctionImp(text, "Adds", Proc<1>)) << "another batch may reuse both";
    EXPECT_EQ(2u, NvkBatchGetCount(math));
    EXPECT_EQ(1u, NvkBatchGetCount(text));
}

TEST_F(RegistryTest, AddFunctionsLeavesOutRefusedPairsInOrder) {
    NvkBatch *batch = NvkBatchCreate("Batch");
    const char *names[] = {"First", "First", "Third"};
    const NvkTestProc functions[] = {Proc<1>, Proc<2>, Proc<3>};
    EXPECT_EQ(1, NvkBatchAddFunctions(batch, 3, names, functions));
    NvkTestFunction *first = NvkBatchGetFirstTestFunction(batch);
    ASSERT_NE(nullptr, first);
    EXPECT_STREQ("First", NvkTestFunctionGetName(first));
    EXPECT_STREQ("Third", NvkTestFunctionGetName(NvkTestFunctionGetNext(first)));
    EXPECT_EQ(nullptr, NvkTestFunctionGetNext(NvkTestFunctionGetNext(first)));

    EXPECT_EQ(0, NvkBatchAddFunctions(batch, 0, names, functions));
    EXPECT_EQ(0, NvkBatchAddFunctions(batch, 3, nullptr, functions));
    EXPECT_EQ(0, NvkBatchAddFunctions(batch, 3, names, nullptr));
    EXPECT_EQ(1, NvkBatchAddFunctions(batch, 3, names, functions)) << "every pair refused still walks";
    EXPECT_EQ(2u, NvkBatchGetCount(batch));
}

TEST_F(RegistryTest, CreateExAddsToANewBatchOnly) {
    const char *names[] = {"A", "B"};
    const NvkTestProc functions[] = {Proc<1>, Proc<2>};
    NvkBatch *batch = NvkBatchCreateEx("Ex", 2, names, functions);
    ASSERT_NE(nullptr, batch);
    EXPECT_EQ(2u, NvkBatchGetCount(batch));
    EXPECT_EQ((Codes{NvkEventBatchCreated, NvkEventTestFunctionAdded, NvkEventTestFunctionAdded}),
              EventRecorder::Codes());
    const char *more[] = {"C"};
    const NvkTestProc moreFunctions[] = {Proc<3>};
    EXPECT_EQ(nullptr, NvkBatchCreateEx("Ex", 1, more, moreFunctions));
    EXPECT_EQ(2u, NvkBatchGetCount(batch)) << "nothing is added when the batch is refused";
    EXPECT_NE(nullptr, NvkBatchCreateEx("Empty", 0, nullptr, nullptr));
}

TEST_F(RegistryTest, FreeingAllRaisesEventsInOrderWithRecordsWhole) {
    EXPECT_EQ(0, NvkBatchFree(nullptr)) << "empty registry";
    EXPECT_TRUE(EventRecorder::Events().empty());

    NvkBatch *first = NvkBatchCreate("First");
    NvkBatch *second = NvkBatchCreate("Second");
    NvkTestFunction *one = NvkBatchAddFunctionImp(first, "One", FailOnce);
    NvkTestFunction *two = NvkBatchAddFunctionImp(second, "Two", FailOnce);
    NvkBatchRun(nullptr);
    NvkAssertionFailure *oneFailure = NvkTestFunctionGetFirstFailure(one);
    NvkAssertionFailure *twoFailure = NvkTestFunctionGetFirstFailure(two);
    ASSERT_NE(nullptr, oneFailure);
    ASSERT_NE(nullptr, twoFailure);

    EventRecorder::Clear();
    EXPECT_EQ(1, NvkBatchFree(nullptr));
    EXPECT_EQ((std::vector<RecordedEvent>{{NvkEventAllBatchesFreed, 0, nullptr, nullptr},
                                          {NvkEventBatchFreed, 0, first, nullptr},
                                          {NvkEventTestFunctionFreed, 0, first, one},
                                          {NvkEventFailureFreed, 0, one, oneFailure},
                                          {NvkEventBatchFreed, 0, second, nullptr},
                                          {NvkEventTestFunctionFreed, 0, second, two},
                                          {NvkEventFailureFreed, 0, two, twoFailure}}),
              EventRecorder::Events());
    EXPECT_EQ(0u, NvkBatchGetCount(nullptr));
}

TEST_F(RegistryTest, FreeingOneBatchUnlinksItAndClearsTheCallersPointer) {
    NvkBatchCreate("A");
    NvkBatch *middle = NvkBatchCreate("B");
    NvkBatchCreate("C");
    NvkBatchAddFunctionImp(middle, "Runs", FailTwice);
    NvkBatchRun(middle);
    EventRecorder::Clear();

    NvkBatch *held = middle;
    EXPECT_EQ(1, NvkBatchFree(&held));
    EXPECT_EQ(nullptr, held);
    EXPECT_EQ((Codes{NvkEventBatchFreed, NvkEventTestFunctionFreed, NvkEventFailureFreed, NvkEventFailureFreed}),
              EventRecorder::Codes());
    EXPECT_EQ((std::vector<std::string>{"A", "C"}), BatchNames());
    EXPECT_EQ(0, NvkBatchFree(&held));

    NvkBatch *last = NvkBatchGetNext(NvkBatchGetFirst());
    EXPECT_EQ(1, NvkBatchFree(&last));
    ASSERT_NE(nullptr, NvkBatchCreate("D")) << "appending after freeing the tail";
    EXPECT_EQ((std::vector<std::string>{"A", "D"}), BatchNames());
    EXPECT_NE(nullptr, NvkBatchCreate("B")) << "a freed batch's name is free again";
}

TEST_F(RegistryTest, FreeEmptiesKeepsTheOthersInOrder) {
    NvkBatchCreate("Empty1");
    NvkBatchAddFunctionImp(NvkBatchCreate("Full1"), "t", Proc<1>);
    NvkBatchCreate("Empty2");
    NvkBatchCreate("Empty3");
    NvkBatchAddFunctionImp(NvkBatchCreate("Full2"), "t", Proc<1>);
    NvkBatchCreate("Empty4");
    EventRecorder::Clear();
    NvkBatchFreeEmpties();
    EXPECT_EQ((Codes{NvkEventBatchFreed, NvkEventBatchFreed, NvkEventBatchFreed, NvkEventBatchFreed}),
              EventRecorder::Codes());
    EXPECT_EQ((std::vector<std::string>{"Full1", "Full2"}), BatchNames());
    ASSERT_NE(nullptr, NvkBatchCreate("After"));
    EXPECT_EQ((std::vector<std::string>{"Full1", "Full2", "After"}), BatchNames());
}

TEST_F(RegistryTest, SetupFunctionsFollowTheDefaultBatchRule) {
    EXPECT_EQ(1, NvkBatchSetSetupFunctions(nullptr, Proc<1>, Proc<2>, Proc<3>, Proc<4>));
    EXPECT_EQ((Codes{NvkEventBatchCreated}), EventRecorder::Codes());
    EXPECT_STREQ("DefaultBatch", NvkBatchGetName(nullptr));
}

// A handler that walks the registry while batches are announced must only ever
// meet whole batches.
namespace {

std::vector<std::string> namesSeenWhileFreeing;

void NVK_CALL WalkOnBatchFreed(int32_t code, uint32_t, intptr_t, void *, void *) {
    if (code != NvkEventBatchFreed) {
        return;
    }
    std::string seen;
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        seen += NvkBatchGetName(batch);
    }
    namesSeenWhileFreeing.push_back(seen);
}

}  // namespace

TEST_F(RegistryTest, HandlerWalkingDuringFreeAllSeesOnlyLiveBatches) {
    NvkBatchCreate("X");
    NvkBatchCreate("Y");
    NvkBatchCreate("Z");
    NvkSetEventHandler(WalkOnBatchFreed, 0);
    NvkBatchFree(nullptr);
    EventRecorder::Install();
    EXPECT_EQ((std::vector<std::string>{"XYZ", "YZ", "Z"}), namesSeenWhileFreeing);
}

// Registration is closed while a run is in progress, from test code and from the
// event handler alike, and refusals raise nothing.
namespace {

struct RefusalResults {
    NvkBatch *created = reinterpret_cast<NvkBatch *>(1);
    NvkTestFunction *added = reinterpret_cast<NvkTestFunction *>(1);
    int32_t setups = -1;
    int32_t freed = -1;
    int32_t freedAll = -1;
    size_t eventsDuringCalls = 99;
    size_t batchesAfter = 99;
};

RefusalResults refusals;

void AttemptChanges() {
    const size_t before = EventRecorder::Events().size();
    NvkBatch *first = NvkBatchGetFirst();
    refusals.created = NvkBatchCreate("DuringRun");
    refusals.added = NvkBatchAddFunctionImp(first, "Late", Proc<9>);
    refusals.setups = NvkBatchSetSetupFunctions(first, Proc<9>, nullptr, nullptr, nullptr);
    refusals.freed = NvkBatchFree(&first);
    refusals.freedAll = NvkBatchFree(nullptr);
    NvkBatchFreeEmpties();
    refusals.eventsDuringCalls = EventRecorder::Events().size() - before;
    refusals.batchesAfter = NvkBatchGetCount(nullptr);
}

void NVK_CALL ChangeRegistryFromTest() { AttemptChanges(); }

void NVK_CALL ChangeRegistryFromHandler(int32_t code, uint32_t, intptr_t, void *, void *) {
    if (code == NvkEventTestFunctionStarted) {
        AttemptChanges();
    }
}

void ExpectAllRefused() {
    EXPECT_EQ(nullptr, refusals.created);
    EXPECT_EQ(nullptr, refusals.added);
    EXPECT_EQ(0, refusals.setups);
    EXPECT_EQ(0, refusals.freed);
    EXPECT_EQ(0, refusals.freedAll);
    EXPECT_EQ(0u, refusals.eventsDuringCalls);
    EXPECT_EQ(2u, refusals.batchesAfter);
}

}  // namespace

TEST_F(RegistryTest, RegistrationIsRefusedFromATestFunctionDuringARun) {
    NvkBatchAddFunctionImp(NvkBatchCreate("Running"), "Changer", ChangeRegistryFromTest);
    NvkBatchCreate("Empty");
    refusals = RefusalResults();
    NvkBatchRun(nullptr);
    ExpectAllRefused();
    EXPECT_EQ(1u, NvkBatchGetCount(NvkBatchGetFirst()));
}

TEST_F(RegistryTest, RegistrationIsRefusedFromTheEventHandlerDuringARun) {
    NvkBatchAddFunctionImp(NvkBatchCreate("Running"), "Plain", Proc<1>);
    NvkBatchCreate("Empty");
    refusals = RefusalResults();
    NvkSetEventHandler(ChangeRegistryFromHandler, 0);
    NvkTestFunctionRun(NvkBatchGetFirstTestFunction(NvkBatchGetFirst()));
    EventRecorder::Install();
    ExpectAllRefused();
}
