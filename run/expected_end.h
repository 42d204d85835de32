// Tests that expect how they end: what a test's declaration expects, how it ended,
// and the one judgement of the one against the other, which becomes the test's
// pass or failure in the library's records.
#pragma once

#include <cstdint>
#include <string>

#include "norvik.h"
#include "process_end.h"
#include "worker_protocol.h"

namespace run {

// Whether a crash's code is a signal's number (POSIX) or an exception's code (Windows).
#if defined(_WIN32)
constexpr bool kCrashesAreSignals = false;
#else
constexpr bool kCrashesAreSignals = true;
#endif

struct ExpectedEnd {
    enum class Kind : uint8_t { Return, Exit, Crash };
    Kind kind = Kind::Return;
    uint32_t code = 0;  // the exit code; the crash's code, 0 for any crash
};

ExpectedEnd ExpectedEndOf(NvkTestFunction *test);

// An expected exit ends the process the test runs in, so it runs in a worker process of
// its own; so does a crash that may be a stack overflow on 64-bit Windows, where the
// crash guard cannot count on catching one in process (Wine's loader does not let it).
bool NeedsOwnWorker(const ExpectedEnd &expected);

struct ActualEnd {
    enum class Kind : uint8_t { Returned, Exited, Crashed };
    Kind kind = Kind::Returned;
    uint32_t code = 0;         // the exit code, or the crash's code (0: unknown, a C++ exception)
    std::string crashDetails;  // what the crash ran into and where; "" when unknown
};

// A crash the guard caught, by its details, which open with the exception's code or
// the signal's number ("exception 0xC0000005 (...) at ...", "signal 11 (...) at ...").
ActualEnd EndOfCrash(const std::string &crashDetails);

// A worker process that ended during the test: a signal, or on Windows an exception's
// code (the high bit set), is a crash; any other code an exit.
ActualEnd EndOfProcess(const ProcessEnd &end, bool crashesAreSignals = kCrashesAreSignals);

// "" when the test ended as expected; else what was expected and what happened.
std::string JudgeEnd(const ExpectedEnd &expected, const ActualEnd &actual, bool crashesAreSignals = kCrashesAreSignals);

// Whether a failure a worker reported is the record of a crash of the test function
// itself, which for a test that expects how it ends is its end, judged, not a failure.
bool IsTestFunctionCrash(const ReportedFailure &failure);

// Records the judgement on the current test function: a failure without a place of
// its own (so at the test's definition), or nothing when it ended as expected.
void RecordJudgement(const ExpectedEnd &expected, const ActualEnd &actual);

}  // namespace run
