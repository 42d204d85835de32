// The one account of how a test ended, which every printer, report and view reads:
// what became of it, in which phase, its time, its failures and the reason.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace run {

// Where in a test's life its end came.
enum class Phase : uint8_t { Loading, BatchSetup, TestSetup, Test, TestTearDown, BatchTearDown, Unloading };

// What became of a test. Skipped is a test that skipped itself; NotRun one that a
// stopped, cut-short or ended run never reached.
enum class Ending : uint8_t { Passed, Failed, Crashed, Skipped, TimedOut, ProcessEnded, Stopped, NotRun };

struct Failure {
    std::string file;
    int32_t line = 0;
    std::string message;
    bool crash = false;        // the run's own text for a fault, a timeout or a process end
    std::string crashDetails;  // what the crash ran into and where; "" when unknown
    // It named no place of its own (a crash, a timeout, a process's end), and file and
    // line are its test's definition.
    bool atDefinition = false;
};

// The message as shown: a crash's details follow its fixed text.
std::string ShownMessage(const Failure &failure);

struct TestOutcome {
    Ending ending = Ending::NotRun;
    Phase phase = Phase::Test;
    double seconds = 0;
    std::vector<Failure> failures;
    // Skipped: the test's own reason; NotRun: why the run did not reach it;
    // ProcessEnded: how the process ended.
    std::string reason;
    // Which try of the test this is, from 1: a run that tries a failed test again
    // ends it on a later one. A test that passed on a try after the first is flaky.
    unsigned tries = 1;
    // The checks that passed, and the file the test's first check named (none when
    // none did yet): the library keeps that file from one run of the test to the next.
    // One text is shared by the outcomes of the tests whose checks name one file.
    int32_t passedChecks = 0;
    std::shared_ptr<const std::string> checkFile;
};

// Passed, but only on a try after a failed one.
bool IsFlaky(const TestOutcome &outcome);

// Whether the ending fails the run: everything but a pass, a skip and not running.
bool IsFailure(Ending ending);

// "passed", "failed", "crashed", "skipped", "timed out", "process ended", "stopped",
// "not run"; and "loading", "batch setup", ... "unloading".
const char *EndingName(Ending ending);
const char *PhaseName(Phase phase);

// The closing counts of a run. Failed counts every failing ending; flaky counts
// the passed tests that passed only when tried again.
struct Counts {
    unsigned passed = 0;
    unsigned failed = 0;
    unsigned skipped = 0;
    unsigned notRun = 0;
    unsigned flaky = 0;
    double seconds = 0;

    void Add(const TestOutcome &outcome);
};

}  // namespace run
