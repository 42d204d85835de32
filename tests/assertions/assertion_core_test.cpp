#include <algorithm>
#include <string>
#include <vector>

#include "assertion_run.h"

namespace {

bool EndsWith(const char *text, const std::string &end) {
    const std::string whole = text == nullptr ? "" : text;
    return whole.size() >= end.size() && whole.compare(whole.size() - end.size(), end.size(), end) == 0;
}

// The files the tests of one batch name, in their order, through one reused buffer, as
// a runner replaying a worker's results names them.
const char *const kNamedFiles[] = {"a.c", "b.c", "a.c", "c.c", "b.c"};
std::string namingBuffer;

template <int Test>
void NVK_CALL NameFile() {
    namingBuffer = kNamedFiles[Test];
    NvkAssert(1, namingBuffer.c_str(), 1, nullptr);
}

}  // namespace

TEST_F(AssertionRun, ChecksOutsideARunChangeNothing) {
    NvkTestFunction *test = RunAsTest([] { NvkAssert(1, "kept.c", 1, nullptr); });
    const int32_t allocations = NvkMemGetAllocCount();
    EventRecorder::Clear();

    EXPECT_EQ(nullptr, NvkAssert(1, "outside.c", 2, nullptr));
    EXPECT_EQ(nullptr, NvkAssert(0, "outside.c", 3, "failed with %d", 3));
    EXPECT_EQ(nullptr, NVK_ASSERT_EQUAL_INT(1, 2));
    EXPECT_EQ(nullptr, NVK_ASSERT_TRUE(1));

    EXPECT_TRUE(EventRecorder::Events().empty());
    EXPECT_EQ(allocations, NvkMemGetAllocCount());
    EXPECT_EQ(1, PassedAssertions(test));
    EXPECT_TRUE(Failures(test).empty());
    EXPECT_STREQ("kept.c", NvkTestFunctionGetFileName(test));
}

TEST_F(AssertionRun, PassWithoutMessageCountsAndRaisesPassedEvent) {
    const char *returned = "not called";
    std::vector<RecordedEvent> events;
    NvkTestFunction *test = RunAsTest([&] {
        EventRecorder::Clear();
        returned = NvkAssert(1, "pass.c", 5, nullptr);
        events = EventRecorder::Events();
    });

    EXPECT_EQ(nullptr, returned);
    EXPECT_EQ(1, PassedAssertions(test));
    EXPECT_TRUE(Failures(test).empty());
    EXPECT_EQ((std::vector<RecordedEvent>{{NvkEventAssertPassed, 0, batch_, test}}), events);
}

TEST_F(AssertionRun, FailureWithoutMessageIsDropped) {
    std::vector<const char *> returned;
    int32_t allocationsInside = 0;
    size_t eventsInside = 99;
    NvkTestFunction *test = RunAsTest([&] {
        EventRecorder::Clear();
        const int32_t before = NvkMemGetAllocCount();
        returned.push_back(NvkAssert(0, "dropped.c", 7, ""));
        returned.push_back(NvkAssert(0, "dropped.c", 8, nullptr));
        allocationsInside = NvkMemGetAllocCount() - before;
        eventsInside = EventRecorder::Events().size();
    });

    EXPECT_EQ((std::vector<const char *>{nullptr, nullptr}), returned);
    EXPECT_EQ(0, allocationsInside);
    EXPECT_EQ(0u, eventsInside);
    EXPECT_TRUE(Failures(test).empty());
    EXPECT_EQ(nullptr, NvkTestFunctionGetFileName(test));
    EXPECT_EQ(1, lastRunResult_);
}

TEST_F(AssertionRun, FormatIsUsedOnlyWhenItHoldsAPercentSign) {
    std::vector<const char *> returned;
    NvkTestFunction *test = RunAsTest([&] {
        returned.push_back(NvkAssert(0, "format.c", 1, "Braces {0} and \\n stay", 42));
        returned.push_back(NvkAssert(0, "format.c", 2, "%d%%", 75));
        returned.push_back(NvkAssert(0, "format.c", 3, "%s", ""));
    });

    const std::vector<NvkAssertionFailure *> failures = Failures(test);
    ASSERT_EQ(3u, failures.size());
    EXPECT_EQ((std::vector<std::string>{"Braces {0} and \\n stay", "75%", "(null)"}), Messages(test));
    for (size_t i = 0; i < failures.size(); ++i) {
        EXPECT_EQ(NvkAssertionFailureGetMessage(failures[i]), returned[i]) << "failure " << i;
    }
    EXPECT_EQ(0, lastRunResult_);
}

TEST_F(AssertionRun, FailuresKeepTheirOrderLinesAndEvents) {
    int32_t allocationsInside = 0;
    std::vector<RecordedEvent> events;
    NvkTestFunction *test = RunAsTest([&] {
        EventRecorder::Clear();
        const int32_t before = NvkMemGetAllocCount();
        NvkAssert(0, "order.c", 11, "first");
        NvkAssert(0, "order.c", 22, "second %d", 2);
        NvkAssert(0, "order.c", 33, "third");
        allocationsInside = NvkMemGetAllocCount() - before;
        events = EventRecorder::Events();
    });

    const std::vector<NvkAssertionFailure *> failures = Failures(test);
    ASSERT_EQ(3u, failures.size());
    EXPECT_EQ((std::vector<std::string>{"first", "second 2", "third"}), Messages(test));
    std::vector<RecordedEvent> expectedEvents;
    const int expectedLines[] = {11, 22, 33};
    for (size_t i = 0; i < failures.size(); ++i) {
        EXPECT_EQ(expectedLines[i], NvkAssertionFailureGetLineNumber(failures[i]));
        EXPECT_EQ(test, NvkAssertionFailureGetTestFunction(failures[i]));
        EXPECT_EQ(0, NvkAssertionFailureGetUserData(failures[i]));
        expectedEvents.push_back({NvkEventAssertFailed, 0, test, failures[i]});
        expectedEvents.push_back({NvkEventFailureAdded, 0, test, failures[i]});
    }
    EXPECT_EQ(expectedEvents, events);
    // A record and its message per failure, plus the captured file name.
    EXPECT_EQ(3 * 2 + 1, allocationsInside);
    EXPECT_EQ(0, PassedAssertions(test));
}

TEST_F(AssertionRun, FirstNonEmptyFileNameIsKept) {
    std::vector<std::string> seen;
    auto current = [&seen] {
        const char *name = NvkTestFunctionGetFileName(NvkTestFunctionGetCurrent());
        seen.push_back(name == nullptr ? "(null)" : name);
    };
    NvkTestFunction *test = RunAsTest([&] {
        NvkAssert(1, nullptr, 1, nullptr);
        current();
        NvkAssert(1, "", 2, nullptr);
        current();
        NvkAssert(0, "second.c", 3, "failed");
        current();
        NvkAssert(1, "third.c", 4, nullptr);
        current();
    });
    EXPECT_EQ((std::vector<std::string>{"(null)", "(null)", "second.c", "second.c"}), seen);

    RunAsTest([] { NvkAssert(0, "rerun.c", 5, "failed again"); });
    EXPECT_STREQ("second.c", NvkTestFunctionGetFileName(test));
}

// The registry keeps one copy of each file the tests name, but each test reads the name
// its own first check gave, counts it as one allocation of its own, and keeps it while
// its batch lasts, whatever other batches are freed.
TEST_F(AssertionRun, TestsKeepTheirOwnFileNamesWhileTheirBatchLasts) {
    const NvkTestProc functions[] = {&NameFile<0>, &NameFile<1>, &NameFile<2>, &NameFile<3>, &NameFile<4>};
    const char *const names[] = {"t0", "t1", "t2", "t3", "t4"};
    NvkBatch *first = NvkBatchCreateEx("Files", 5, names, functions);
    NvkBatch *second = NvkBatchCreateEx("MoreFiles", 5, names, functions);
    const auto namedIn = [](NvkBatch *batch) {
        std::vector<std::string> named;
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
             test = NvkTestFunctionGetNext(test)) {
            named.push_back(NvkTestFunctionGetFileName(test));
        }
        return named;
    };
    const std::vector<std::string> expected(std::begin(kNamedFiles), std::end(kNamedFiles));
    const int32_t registered = NvkMemGetAllocCount();
    for (int run = 0; run < 2; ++run) {
        NvkBatchRun(nullptr);
        EXPECT_EQ(registered + 10, NvkMemGetAllocCount()) << "run " << run;
        EXPECT_EQ(expected, namedIn(first)) << "run " << run;
    }
    NvkBatchFree(&first);
    EXPECT_EQ(expected, namedIn(second));
}

TEST_F(AssertionRun, MessagesAreCutAt1023Characters) {
    std::string text;
    for (int i = 0; i < 2000; ++i) {
        text += static_cast<char>('a' + i % 26);
    }
    const std::string fits = text.substr(0, 1023);
    const std::string oneTooMany = text.substr(0, 1024);
    NvkTestFunction *test = RunAsTest([&] {
        NvkAssert(0, "long.c", 1, "%s", text.c_str());
        NvkAssert(0, "long.c", 2, "%s", fits.c_str());
        NvkAssert(0, "long.c", 3, "%s", oneTooMany.c_str());
        // Without a percent sign the text is copied, not formatted, and cut alike.
        NvkAssert(0, "long.c", 4, text.c_str());
        NvkAssert(0, "long.c", 5, fits.c_str());
    });

    EXPECT_EQ((std::vector<std::string>{fits, fits, fits, fits, fits}), Messages(test));
}

// Where the cut falls inside a UTF-8 character, the bytes of that character before it go
// too; bytes that do not start a longer character than the cut leaves are kept.
TEST_F(AssertionRun, ACutMessageEndsWithAWholeUtf8Character) {
    struct Cut {
        const char *name;
        std::string end;   // its first three bytes fit
        std::string kept;  // of them
    };
    const std::vector<Cut> cuts = {
        {"whole characters", "z\xC3\xA9!", "z\xC3\xA9"},
        {"two-byte character after its lead", "ab\xC3\xA9", "ab"},
        {"three-byte character after two bytes", "a\xE2\x82\xAC", "a"},
        {"four-byte character after three bytes", "\xF0\x9F\x98\x80", ""},
        {"three-byte character ending at the cut", "\xE2\x82\xAC!", "\xE2\x82\xAC"},
        {"continuation bytes without a lead", "a\x82\x82!", "a\x82\x82"},
        {"bytes that start no character", "a\xC0\xF8!", "a\xC0\xF8"},
    };
    const std::string start(1020, 's');
    for (const Cut &cut : cuts) {
        SCOPED_TRACE(cut.name);
        const std::string text = start + cut.end + "tail";
        NvkTestFunction *test = RunAsTest([&] {
            NvkAssert(0, "cut.c", 1, "%s", text.c_str());
            NvkAssert(0, "cut.c", 2, text.c_str());
        });
        EXPECT_EQ((std::vector<std::string>{start + cut.kept, start + cut.kept}), Messages(test));
    }
}

TEST_F(AssertionRun, AssertMacroSuppliesFileLineAndAnyScalarCondition) {
    int lines[2] = {0, 0};
    NvkTestFunction *test = RunAsTest([&] {
        const long long lowBitsClear = 1LL << 32;
        NVK_ASSERT(lowBitsClear, "a 64-bit condition is not cut to 32 bits");
        const void *somewhere = lines;
        NVK_ASSERT(somewhere, "a pointer is a condition too");
        lines[0] = __LINE__ + 1;
        NVK_ASSERT(lines[0] < 0, "line %d is positive", lines[0]);
        lines[1] = __LINE__ + 1;
        NVK_ASSERT(false, "no arguments");
    });

    EXPECT_EQ(2, PassedAssertions(test));
    const std::vector<NvkAssertionFailure *> failures = Failures(test);
    ASSERT_EQ(2u, failures.size());
    EXPECT_EQ(lines[0], NvkAssertionFailureGetLineNumber(failures[0]));
    EXPECT_EQ(lines[1], NvkAssertionFailureGetLineNumber(failures[1]));
    EXPECT_EQ("line " + std::to_string(lines[0]) + " is positive", Messages(test)[0]);
    EXPECT_TRUE(EndsWith(NvkTestFunctionGetFileName(test), "assertion_core_test.cpp"))
        << NvkTestFunctionGetFileName(test);
}

namespace {

const char *tearDownResult = "not called";
std::vector<int32_t> codesSeen;

void NVK_CALL DoNothing() {}

void NVK_CALL FailInTearDown() { tearDownResult = NvkAssert(0, "teardown.c", 9, "tear-down failed"); }

// Resets are allowed while a run goes on, also from the handler itself.
void NVK_CALL ResetOnEachFailure(int32_t code, uint32_t, intptr_t, void *first, void *) {
    codesSeen.push_back(code);
    if (code == NvkEventAssertFailed) {
        NvkTestFunctionReset(static_cast<NvkTestFunction *>(first), 1);
    }
}

}  // namespace

// After the test function has been timed it counts as run, so a handler can free its new
// failure at once; the check must then neither announce nor return the freed record.
TEST_F(AssertionRun, FailureFreedByTheHandlerIsNotUsedAfterwards) {
    NvkBatch *batch = NvkBatchCreate("Resetting");
    NvkTestFunction *test = NvkBatchAddFunctionImp(batch, "Quiet", &DoNothing);
    NvkBatchSetSetupFunctions(batch, nullptr, nullptr, nullptr, &FailInTearDown);
    NvkSetEventHandler(&ResetOnEachFailure, 0);
    NvkBatchRun(batch);
    EventRecorder::Install();

    EXPECT_EQ(nullptr, tearDownResult);
    EXPECT_TRUE(Failures(test).empty());
    const std::vector<int32_t> failureEvents = {NvkEventAssertFailed, NvkEventFailureFreed, NvkEventTestFunctionReset};
    EXPECT_NE(codesSeen.end(),
              std::search(codesSeen.begin(), codesSeen.end(), failureEvents.begin(), failureEvents.end()));
    EXPECT_EQ(codesSeen.end(), std::find(codesSeen.begin(), codesSeen.end(), NvkEventFailureAdded));
}
