#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "faults.h"
#include "registry_fixture.h"
#include "user_mode_emulation.h"

namespace {

enum class Place { BatchSetup, TestSetup, TestFunction, TestTearDown, BatchTearDown };

const Place kPlaces[] = {Place::BatchSetup, Place::TestSetup, Place::TestFunction, Place::TestTearDown,
                         Place::BatchTearDown};

const char *CrashMessage(Place place) {
    switch (place) {
    case Place::BatchSetup:
        return "A crash was detected in the batch setup function";
    case Place::TestSetup:
        return "A crash was detected in the unit test setup function";
    case Place::TestFunction:
        return "A crash was detected in the unit test function";
    case Place::TestTearDown:
        return "A crash was detected in the unit test tear down function";
    case Place::BatchTearDown:
        return "A crash was detected in the batch tear down function";
    }
    return nullptr;
}

// Every step of a two-test batch logs itself; the step at the chosen place
// crashes the first time it runs.
struct Scenario {
    Place crashAt = Place::TestFunction;
    NvkTestProc crash = nullptr;
    bool crashed = false;
    std::vector<std::string> trace;
};
Scenario scenario;

void Step(Place place, const char *name) {
    scenario.trace.push_back(name);
    if (scenario.crashAt != place || scenario.crashed) {
        return;
    }
    scenario.crashed = true;
    scenario.crash();
}

void NVK_CALL BatchSetup() { Step(Place::BatchSetup, "batchSetup"); }
void NVK_CALL TestSetup() { Step(Place::TestSetup, "testSetup"); }
void NVK_CALL TestTearDown() { Step(Place::TestTearDown, "testTearDown"); }
void NVK_CALL BatchTearDown() { Step(Place::BatchTearDown, "batchTearDown"); }
void NVK_CALL First() {
    NvkAssert(1, __FILE__, __LINE__, nullptr);
    Step(Place::TestFunction, "first");
}
void NVK_CALL Second() {
    NvkAssert(1, __FILE__, __LINE__, nullptr);
    scenario.trace.push_back("second");
}
void NVK_CALL Passes() { NvkAssert(1, __FILE__, __LINE__, nullptr); }

const std::vector<std::string> kEveryStep = {"batchSetup", "testSetup", "first",        "testTearDown",
                                             "testSetup",  "second",    "testTearDown", "batchTearDown"};

struct TwoTestBatch {
    NvkBatch *batch;
    NvkTestFunction *first;
    NvkTestFunction *second;
};

TwoTestBatch MakeTwoTestBatch() {
    NvkBatch *batch = NvkBatchCreate("Crashes");
    NvkTestFunction *first = NvkBatchAddFunctionImp(batch, "First", &First);
    NvkTestFunction *second = NvkBatchAddFunctionImp(batch, "Second", &Second);
    NvkBatchSetSetupFunctions(batch, &BatchSetup, &BatchTearDown, &TestSetup, &TestTearDown);
    return {batch, first, second};
}

void ExpectRanOnce(NvkTestFunction *testFunction, int32_t failures) {
    int32_t passedAssertions = 0, failureCount = 0;
    double time = 0;
    NvkTestFunctionGetStatistics(testFunction, &passedAssertions, &failureCount, &time);
    EXPECT_EQ(1, passedAssertions) << NvkTestFunctionGetName(testFunction);
    EXPECT_EQ(failures, failureCount) << NvkTestFunctionGetName(testFunction);
    EXPECT_GE(time, 0.001) << NvkTestFunctionGetName(testFunction);
    EXPECT_STREQ(__FILE__, NvkTestFunctionGetFileName(testFunction)) << "the crash changed the file name";
}

void ExpectOneCrashFailure(NvkTestFunction *testFunction, const char *message) {
    NvkAssertionFailure *failure = NvkTestFunctionGetFirstFailure(testFunction);
    ASSERT_NE(nullptr, failure);
    EXPECT_EQ(0, NvkAssertionFailureGetLineNumber(failure));
    EXPECT_STREQ(message, NvkAssertionFailureGetMessage(failure));
    EXPECT_EQ(testFunction, NvkAssertionFailureGetTestFunction(failure));
    EXPECT_EQ(nullptr, NvkAssertionFailureGetNext(failure));
}

std::vector<RecordedEvent> ExpectedEvents(const TwoTestBatch &run, Place place) {
    NvkTestFunction *crashed = place == Place::BatchTearDown ? run.second : run.first;
    NvkAssertionFailure *failure = NvkTestFunctionGetFirstFailure(crashed);
    std::vector<RecordedEvent> events = {{NvkEventRunStarted, 0, run.batch, nullptr},
                                         {NvkEventBatchRunStarted, 0, run.batch, nullptr}};
    auto crashEvents = [&](Place where) {
        if (where != place) {
            return;
        }
        events.push_back({NvkEventAssertFailed, 0, crashed, failure});
        events.push_back({NvkEventFailureAdded, 0, crashed, failure});
    };
    crashEvents(Place::BatchSetup);
    crashEvents(Place::TestSetup);
    events.push_back({NvkEventTestFunctionStarted, 0, run.batch, run.first});
    events.push_back({NvkEventAssertPassed, 0, run.batch, run.first});
    crashEvents(Place::TestFunction);
    crashEvents(Place::TestTearDown);
    events.push_back({NvkEventTestFunctionFinished, crashed == run.first ? 0u : 1u, run.batch, run.first});
    events.push_back({NvkEventTestFunctionStarted, 0, run.batch, run.second});
    events.push_back({NvkEventAssertPassed, 0, run.batch, run.second});
    crashEvents(Place::BatchTearDown);
    events.push_back({NvkEventTestFunctionFinished, crashed == run.second ? 0u : 1u, run.batch, run.second});
    events.push_back({NvkEventBatchRunFinished, 0, run.batch, nullptr});
    events.push_back({NvkEventRunFinished, 0, nullptr, nullptr});
    return events;
}

void RunCrashingAt(Place place, NvkTestProc crash) {
    scenario = Scenario{place, crash, false, {}};
    const int32_t allocationsBefore = NvkMemGetAllocCount();
    EventRecorder::Clear();
    TwoTestBatch run = MakeTwoTestBatch();
    EventRecorder::Clear();

    EXPECT_EQ(0, NvkBatchRun(run.batch));

    EXPECT_TRUE(scenario.crashed);
    EXPECT_EQ(kEveryStep, scenario.trace);
    NvkTestFunction *crashed = place == Place::BatchTearDown ? run.second : run.first;
    NvkTestFunction *passed = crashed == run.first ? run.second : run.first;
    ExpectOneCrashFailure(crashed, CrashMessage(place));
    ExpectRanOnce(crashed, 1);
    ExpectRanOnce(passed, 0);
    EXPECT_EQ(ExpectedEvents(run, place), EventRecorder::Events());
    EXPECT_EQ(0, NvkIsRunning());
    EXPECT_EQ(nullptr, NvkTestFunctionGetCurrent());

    NvkBatchFree(nullptr);
    EXPECT_EQ(allocationsBefore, NvkMemGetAllocCount());
}

class EveryCrashKind : public RegistryTest, public ::testing::WithParamInterface<CrashKind> {};

std::string KindName(const ::testing::TestParamInfo<CrashKind> &info) { return info.param.name; }

}  // namespace

TEST_P(EveryCrashKind, BecomesTheCrashFailureOfEachGuardedCall) {
    for (Place place : kPlaces) {
        SCOPED_TRACE(CrashMessage(place));
        RunCrashingAt(place, GetParam().crash);
    }
}

INSTANTIATE_TEST_SUITE_P(CrashGuard, EveryCrashKind, ::testing::ValuesIn(CrashKinds()), KindName);

namespace {

void ExpectHandledInsideTheTest(const std::vector<CrashKind> &kinds) {
    NvkBatch *batch = NvkBatchCreate("Handled");
    for (const CrashKind &kind : kinds) {
        NvkBatchAddFunctionImp(batch, kind.name, kind.crash);
    }

    EXPECT_EQ(1, NvkBatchRun(batch));

    for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
         test = NvkTestFunctionGetNext(test)) {
        int32_t passedAssertions = 0, failures = -1;
        NvkTestFunctionGetStatistics(test, &passedAssertions, &failures, nullptr);
        EXPECT_GT(passedAssertions, 0) << NvkTestFunctionGetName(test);
        EXPECT_EQ(0, failures) << NvkTestFunctionGetName(test);
    }
}

}  // namespace

TEST_F(RegistryTest, ExceptionsHandledInsideTheTestAreNoFailure) { ExpectHandledInsideTheTest(HandledExceptions()); }

#if defined(_WIN32)
// CTest runs this case as a test of its own, so that its skip shows there.
TEST_F(RegistryTest, ProbesOfUnreadablePointersAreNoFailure) {
    if (UnderUserModeEmulation()) {
        GTEST_SKIP() << kEmulationSkip
                     << "the emulator hands Wine a read of a no-access page as an illegal instruction, "
                        "which the system's probe does not handle";
    }
    ExpectHandledInsideTheTest({{"ProbeUnreadablePointers", &ProbeUnreadablePointers}});
}
#endif

namespace {

// What the details of a kind of crash say on this platform, where '*' stands for any
// run of characters. The faults are in this program, but for a call to a page 64
// bytes into one that NoAccessPage reserved. User-mode emulation hands Wine some faults
// as others.
struct ExpectedDetails {
    const char *kind;
    const char *pattern;
    bool changedByEmulation;
};

#if UINTPTR_MAX > 0xFFFFFFFFu
#  define NVK_NULL "0x0000000000000000"
#else
#  define NVK_NULL "0x00000000"
#endif
#if defined(_WIN32)
#  define NVK_HERE "at crash_guard_test.exe+0x*"
#  define NVK_ACCESS_VIOLATION "exception 0xC0000005 (EXCEPTION_ACCESS_VIOLATION) "
const ExpectedDetails kExpectedDetails[] = {
    {"WriteThroughNull", NVK_ACCESS_VIOLATION NVK_HERE ": write to address " NVK_NULL, true},
    {"ReadThroughNull", NVK_ACCESS_VIOLATION NVK_HERE ": read from address " NVK_NULL, true},
    {"CallNull", NVK_ACCESS_VIOLATION "at " NVK_NULL ": execute at address " NVK_NULL, true},
    {"CallWildPointer", NVK_ACCESS_VIOLATION "at 0x*040: execute at address 0x*040", true},
    {"IntegerDivisionByZero", "exception 0xC0000094 (EXCEPTION_INT_DIVIDE_BY_ZERO) " NVK_HERE, true},
    {"Breakpoint", "exception 0x80000003 (EXCEPTION_BREAKPOINT) " NVK_HERE, false},
    {"Abort", "exception 0xE04E564B (abort) at *", false},
    {"RaiseNoncontinuable", "exception 0xC0001234 at *", false},
#  if defined(_WIN64)
    // A 64-bit throw that no frame catches reaches the guard as it was raised.
    {"CppException", "exception 0x20474343 (C++ exception) at *", false},
#  endif
};
#else
#  define NVK_HERE "at crash_guard_test+0x*"
const ExpectedDetails kExpectedDetails[] = {
    {"WriteThroughNull", "signal 11 (SIGSEGV) " NVK_HERE ": write to address " NVK_NULL, true},
    {"ReadThroughNull", "signal 11 (SIGSEGV) " NVK_HERE ": read from address " NVK_NULL, true},
    {"CallNull", "signal 11 (SIGSEGV) at " NVK_NULL ": execute at address " NVK_NULL, true},
    {"CallWildPointer", "signal 11 (SIGSEGV) at 0x*040: execute at address 0x*040", true},
    {"IntegerDivisionByZero", "signal 8 (SIGFPE) " NVK_HERE, true},
    {"Breakpoint", "signal 5 (SIGTRAP) " NVK_HERE, false},
    {"Abort", "signal 6 (SIGABRT) at *", false},
    {"CppException", "C++ exception std::runtime_error: thrown out of a test function", false},
    {"CppExceptionOfAnyType", "C++ exception int", false},
};
#endif

bool Matches(const char *text, const char *pattern) {
    if (*pattern == '\0') {
        return *text == '\0';
    }
    if (*pattern == '*') {
        return Matches(text, pattern + 1) || (*text != '\0' && Matches(text + 1, pattern));
    }
    return *text == *pattern && Matches(text + 1, pattern + 1);
}

NvkTestProc CrashOfKind(const std::string &name) {
    for (const CrashKind &kind : CrashKinds()) {
        if (name == kind.name) {
            return kind.crash;
        }
    }
    return nullptr;
}

void ExpectDetailsOf(bool changedByEmulation) {
    NvkBatch *batch = NvkBatchCreate("Details");
    for (const ExpectedDetails &expected : kExpectedDetails) {
        if (expected.changedByEmulation != changedByEmulation) {
            continue;
        }
        SCOPED_TRACE(expected.kind);
        NvkTestFunction *test = NvkBatchAddFunctionImp(batch, expected.kind, CrashOfKind(expected.kind));
        ASSERT_NE(nullptr, test);
        EXPECT_EQ(0, NvkTestFunctionRun(test));
        const char *details = NvkAssertionFailureGetCrashDetails(NvkTestFunctionGetFirstFailure(test));
        ASSERT_NE(nullptr, details);
        EXPECT_TRUE(Matches(details, expected.pattern)) << details << "\nis not\n" << expected.pattern;
    }
}

}  // namespace

TEST_F(RegistryTest, EachCrashSaysWhatItRanIntoAndWhere) { ExpectDetailsOf(false); }

// CTest runs this case as a test of its own, so that its skip shows there.
TEST_F(RegistryTest, AccessViolationsAndDivisionsByZeroSayWhatTheyWereAndWhere) {
    if (UnderUserModeEmulation()) {
        GTEST_SKIP() << kEmulationSkip
                     << "the emulator hands Wine a fault on an inaccessible address as an illegal instruction, "
                        "without its access, and an integer division by zero as an invalid floating-point "
                        "operation";
    }
    ExpectDetailsOf(true);
}

TEST_F(RegistryTest, SingleTestFunctionRunRecordsTheCrash) {
    NvkBatch *batch = NvkBatchCreate("Single");
    NvkTestFunction *crashes = NvkBatchAddFunctionImp(batch, "Crashes", CrashKinds().front().crash);
    NvkTestFunction *passes = NvkBatchAddFunctionImp(batch, "Passes", &Passes);
    EventRecorder::Clear();

    EXPECT_EQ(0, NvkTestFunctionRun(crashes));

    NvkAssertionFailure *failure = NvkTestFunctionGetFirstFailure(crashes);
    ExpectOneCrashFailure(crashes, "A crash was detected in the unit test function");
    EXPECT_EQ((std::vector<RecordedEvent>{{NvkEventRunStarted, 0, nullptr, crashes},
                                          {NvkEventTestFunctionStarted, 0, batch, crashes},
                                          {NvkEventAssertFailed, 0, crashes, failure},
                                          {NvkEventFailureAdded, 0, crashes, failure},
                                          {NvkEventRunFinished, 0, nullptr, nullptr},
                                          {NvkEventTestFunctionFinished, 0, batch, crashes}}),
              EventRecorder::Events());
    EXPECT_EQ(0, NvkIsRunning());
    EXPECT_EQ(nullptr, NvkTestFunctionGetCurrent());
    EXPECT_EQ(1, NvkTestFunctionRun(passes));
}

TEST_F(RegistryTest, RunOfAllBatchesGoesOnAfterACrash) {
    NvkBatch *crashing = NvkBatchCreate("Crashing");
    NvkBatchAddFunctionImp(crashing, "Crashes", CrashKinds().back().crash);
    NvkBatch *passing = NvkBatchCreate("Passing");
    NvkTestFunction *passes = NvkBatchAddFunctionImp(passing, "Passes", &Passes);
    EventRecorder::Clear();

    EXPECT_EQ(0, NvkBatchRun(nullptr));

    ExpectRanOnce(passes, 0);
    const std::vector<RecordedEvent> &events = EventRecorder::Events();
    auto raised = [&](const RecordedEvent &event) {
        return std::find(events.begin(), events.end(), event) != events.end();
    };
    EXPECT_TRUE(raised({NvkEventBatchRunFinished, 0, crashing, nullptr}));
    EXPECT_TRUE(raised({NvkEventBatchRunFinished, 1, passing, nullptr}));
    EXPECT_EQ((RecordedEvent{NvkEventAllBatchesRun, 0, nullptr, nullptr}), events.back());
}

void NVK_CALL HandsOverDetailsAndFails() {
    NvkSetCrashDetails("stale details");
    NvkAssert(0, __FILE__, __LINE__, "fails");
}

void NVK_CALL HandsOverDetailsAndPasses() { NvkSetCrashDetails("stale details"); }

// Details that no crash record took end with the call that held them: neither an
// ordinary failure nor the crash of a later test carries them.
TEST_F(RegistryTest, DetailsHandedOverWithoutACrashEndWithTheirCall) {
    NvkBatch *batch = NvkBatchCreate("Details");
    NvkTestFunction *fails = NvkBatchAddFunctionImp(batch, "Fails", &HandsOverDetailsAndFails);
    NvkBatchAddFunctionImp(batch, "Passes", &HandsOverDetailsAndPasses);
    NvkTestFunction *crashes = NvkBatchAddFunctionImp(batch, "Crashes", CrashOfKind("Abort"));

    EXPECT_EQ(0, NvkBatchRun(batch));

    EXPECT_EQ(nullptr, NvkAssertionFailureGetCrashDetails(NvkTestFunctionGetFirstFailure(fails)));
    const char *details = NvkAssertionFailureGetCrashDetails(NvkTestFunctionGetFirstFailure(crashes));
    ASSERT_NE(nullptr, details);
    EXPECT_EQ(nullptr, std::strstr(details, "stale")) << details;
}

TEST_F(RegistryTest, TheProgramsOwnFaultHandlingComesBack) {
    InstallOwnAbortHandler();
    const std::vector<uintptr_t> before = FaultHandlingState();
    NvkBatch *batch = NvkBatchCreate("Handlers");
    for (const CrashKind &kind : CrashKinds()) {
        NvkBatchAddFunctionImp(batch, kind.name, kind.crash);
    }
    NvkBatchAddFunctionImp(batch, "Passes", &Passes);

    EXPECT_EQ(0, NvkBatchRun(batch));

    EXPECT_EQ(before, FaultHandlingState());
    RemoveOwnAbortHandler();
    int32_t run = 0, passed = 0, failed = 0;
    NvkBatchGetStatistics(batch, &run, &passed, &failed, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(static_cast<int32_t>(CrashKinds().size()) + 1, run);
    EXPECT_EQ(1, passed);
}

#if defined(_WIN32)
namespace {

int errorModeDuringCall = -1;
void NVK_CALL RecordErrorMode() { errorModeDuringCall = _set_error_mode(_REPORT_ERRMODE); }

}  // namespace

// A GUI program's C runtime would show abort()'s message in a modal box first.
TEST_F(RegistryTest, AbortMessageGoesToStandardErrorDuringACall) {
    _set_error_mode(_OUT_TO_MSGBOX);
    NvkBatch *batch = NvkBatchCreate("ErrorMode");
    NvkBatchAddFunctionImp(batch, "RecordErrorMode", &RecordErrorMode);

    EXPECT_EQ(1, NvkBatchRun(batch));

    EXPECT_EQ(_OUT_TO_STDERR, errorModeDuringCall);
    EXPECT_EQ(_OUT_TO_MSGBOX, _set_error_mode(_OUT_TO_DEFAULT));
}
#endif
