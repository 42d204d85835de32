// The one judgement of a test that expects how it ends, and how the ends it judges
// are read from a crash's details and from a worker process's end.
#include <gtest/gtest.h>

#include <string>

#include "expected_end.h"

namespace {

using run::ActualEnd;
using run::ExpectedEnd;

ExpectedEnd Exit(uint32_t code) { return {ExpectedEnd::Kind::Exit, code}; }
ExpectedEnd Crash(uint32_t code) { return {ExpectedEnd::Kind::Crash, code}; }
ActualEnd Returned() { return ActualEnd(); }
ActualEnd Exited(uint32_t code) { return {ActualEnd::Kind::Exited, code, ""}; }
ActualEnd Crashed(uint32_t code, const std::string &details = "") { return {ActualEnd::Kind::Crashed, code, details}; }

constexpr uint32_t kAccessViolation = 0xC0000005u;
constexpr uint32_t kAnyCrash = 0;
const char kViolationDetails[] =
    "exception 0xC0000005 (EXCEPTION_ACCESS_VIOLATION) at tests.dll+0x1a2b: write to address 0x0000000000000000";

TEST(ExpectedEnd, JudgesEachEndAgainstEachExpectationOnWindows) {
    struct Case {
        ExpectedEnd expected;
        ActualEnd actual;
        const char *failure;
    };
    const Case cases[] = {
        {Exit(3), Exited(3), ""},
        {Exit(3), Exited(4), "expected the process to exit with 3; it exited with 4"},
        {Exit(0), Returned(), "expected the process to exit with 0; the test returned"},
        {Exit(0), Crashed(kAccessViolation, kViolationDetails),
         "expected exit code 0; the test crashed: exception 0xC0000005 (EXCEPTION_ACCESS_VIOLATION) at "
         "tests.dll+0x1a2b: "
         "write to address 0x0000000000000000"},
        {Exit(0), Crashed(0xC00000FDu), "expected exit code 0; the test crashed: exception 0xC00000FD"},
        {Crash(kAccessViolation), Crashed(kAccessViolation, kViolationDetails), ""},
        {Crash(kAccessViolation), Returned(), "expected a crash (0xC0000005); the test returned"},
        {Crash(kAccessViolation), Crashed(0xC0000094u, "exception 0xC0000094 at tests.dll+0x10"),
         "expected a crash (0xC0000005); the test crashed: exception 0xC0000094 at tests.dll+0x10"},
        {Crash(kAccessViolation), Exited(1), "expected a crash (0xC0000005); the process exited with 1"},
        {Crash(kAnyCrash), Crashed(0xC00000FDu), ""},
        // A C++ exception the guard caught names no code: only any crash takes it.
        {Crash(kAnyCrash), Crashed(0, "C++ exception std::runtime_error: no"), ""},
        {Crash(kAnyCrash), Returned(), "expected a crash; the test returned"},
        {ExpectedEnd(), Crashed(kAccessViolation), ""},
    };
    for (const Case &each : cases) {
        EXPECT_EQ(each.failure, run::JudgeEnd(each.expected, each.actual, false)) << each.failure;
    }
}

TEST(ExpectedEnd, NamesSignalsByNumberElsewhere) {
    EXPECT_EQ("", run::JudgeEnd(Crash(11), Crashed(11), true));
    EXPECT_EQ("expected a crash (signal 11); the test crashed: signal 6", run::JudgeEnd(Crash(11), Crashed(6), true));
    EXPECT_EQ("expected exit code 2; the test crashed: signal 9", run::JudgeEnd(Exit(2), Crashed(9), true));
}

TEST(ExpectedEnd, ReadsTheCrashCodeFromItsDetails) {
    struct Case {
        const char *details;
        uint32_t code;
    };
    const Case cases[] = {
        {kViolationDetails, kAccessViolation},
        {"exception 0xE04E564B at tests.dll+0x10", 0xE04E564Bu},
        {"signal 11 (SIGSEGV) at tests.so+0x1139: write to address 0x0000000000000000", 11},
        {"signal 6 (SIGABRT) at libc.so.6+0x8aeec", 6},
        {"C++ exception std::runtime_error: said 0x12", 0},
        {"", 0},
        {"exception 0x", 0},
    };
    for (const Case &each : cases) {
        const ActualEnd actual = run::EndOfCrash(each.details);
        EXPECT_EQ(ActualEnd::Kind::Crashed, actual.kind) << each.details;
        EXPECT_EQ(each.code, actual.code) << each.details;
        EXPECT_EQ(each.details, actual.crashDetails);
    }
}

TEST(ExpectedEnd, TellsAnExitFromACrashByHowTheProcessEnded) {
    struct Case {
        run::ProcessEnd end;
        bool crashesAreSignals;
        ActualEnd::Kind kind;
    };
    const Case cases[] = {
        {{false, 3}, false, ActualEnd::Kind::Exited},
        {{false, 0xC00000FDu}, false, ActualEnd::Kind::Crashed},
        {{false, 0x80000003u}, false, ActualEnd::Kind::Crashed},
        {{true, 11}, true, ActualEnd::Kind::Crashed},
        // A POSIX exit code is a byte: none is a crash.
        {{false, 255}, true, ActualEnd::Kind::Exited},
    };
    for (const Case &each : cases) {
        const ActualEnd actual = run::EndOfProcess(each.end, each.crashesAreSignals);
        EXPECT_EQ(each.kind, actual.kind) << each.end.code;
        EXPECT_EQ(each.end.code, actual.code);
    }
}

TEST(ExpectedEnd, OnlyAnExitOrAnOverflowThatEscapesTheGuardNeedsAWorkerOfItsOwn) {
    EXPECT_TRUE(run::NeedsOwnWorker(Exit(0)));
    EXPECT_FALSE(run::NeedsOwnWorker(ExpectedEnd()));
    EXPECT_FALSE(run::NeedsOwnWorker(Crash(kAccessViolation)));
#if defined(_WIN64)
    EXPECT_TRUE(run::NeedsOwnWorker(Crash(0xC00000FDu)));
    EXPECT_TRUE(run::NeedsOwnWorker(Crash(kAnyCrash)));
#else
    EXPECT_FALSE(run::NeedsOwnWorker(Crash(kAnyCrash)));
#endif
}

}  // namespace
