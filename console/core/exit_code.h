// The console runner's exit code, from what the run found: one policy, in the order
// in which one finding outweighs another.
#pragma once

#include <string>

#include "run_events.h"

namespace console {

constexpr int kExitPassed = 0;
// A test failed, crashed, timed out in a worker that went on, or a library's
// registration refused a test or a setup.
constexpr int kExitFailed = 1;
// A usage error, a library that cannot be loaded, a report that cannot be written,
// workers that could not run the tests (their protocol broken, their registry
// another), or a selection of no test without --allow-empty.
constexpr int kExitUsageOrLoad = 2;
// A test, or a library's loading or unloading, here or in a worker, ran past --timeout.
constexpr int kExitTimeout = 3;
// A test, or a test library's loading, ended the runner's own process, or, with
// --timeout but without --isolate, the one worker that ran the tests.
constexpr int kExitProcessEnded = 4;

struct RunFindings {
    bool usageOrLoadError = false;  // a library not loaded, a report not written
    bool workersUnusable = false;   // no worker could run the tests: a protocol error, another registry
    bool emptySelection = false;    // no library had a test to select
    bool allowEmpty = false;
    bool processEnded = false;  // counted as kExitProcessEnded describes
    bool timedOut = false;      // a test, or a loading or unloading, in this process or a worker
    bool registrationErrors = false;
    unsigned failedTests = 0;
};

int ExitCodeOf(const RunFindings &findings);

// What the tests' ends decide of the run's course and its findings: without
// --isolate a timeout or a test that ends its worker ends the run, with --fail-fast
// any failure does.
class RunVerdict final : public run::RunListener {
public:
    RunVerdict(bool isolate, bool failFast) : isolate_(isolate), failFast_(failFast) {}

    void TestEnded(const run::TestIdentity &test, const run::TestOutcome &outcome) override;

    // No later test, repetition or library is to run.
    bool Stopped() const { return stopped_; }
    // Why the tests of the library run in progress that did not end were not run;
    // "" when nothing stopped them.
    const std::string &NotRunReason() const { return notRunReason_; }
    RunFindings findings;

private:
    const bool isolate_;
    const bool failFast_;
    bool stopped_ = false;
    std::string notRunReason_;
};

}  // namespace console
