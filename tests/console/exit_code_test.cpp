// The exit-code policy: each finding alone, and which one outweighs another.
#include <gtest/gtest.h>

#include "exit_code.h"

namespace {

using console::RunFindings;

RunFindings With(void (*set)(RunFindings &)) {
    RunFindings findings;
    set(findings);
    return findings;
}

TEST(ExitCode, EachFindingAndWhatOutweighsIt) {
    struct Case {
        const char *what;
        RunFindings findings;
        int exitCode;
    };
    const Case cases[] = {
        {"passed", RunFindings(), 0},
        {"failed", With([](RunFindings &f) { f.failedTests = 2; }), 1},
        {"registration errors", With([](RunFindings &f) { f.registrationErrors = true; }), 1},
        {"timeout", With([](RunFindings &f) {
             f.timedOut = true;
             f.failedTests = 1;
         }),
         3},
        {"load hang in a worker", With([](RunFindings &f) { f.timedOut = true; }), 3},
        {"process ended", With([](RunFindings &f) {
             f.processEnded = f.timedOut = true;
             f.failedTests = 1;
         }),
         4},
        {"usage or load", With([](RunFindings &f) { f.usageOrLoadError = f.processEnded = true; }), 2},
        {"protocol error", With([](RunFindings &f) { f.workersUnusable = f.timedOut = true; }), 2},
        {"empty selection", With([](RunFindings &f) { f.emptySelection = true; }), 2},
        {"empty selection allowed", With([](RunFindings &f) { f.emptySelection = f.allowEmpty = true; }), 0},
        {"empty selection with registration errors",
         With([](RunFindings &f) { f.emptySelection = f.allowEmpty = f.registrationErrors = true; }), 1},
    };
    for (const Case &check : cases) {
        EXPECT_EQ(check.exitCode, console::ExitCodeOf(check.findings)) << check.what;
    }
}

}  // namespace

// How each end of a test decides the run's course, with and without --isolate and
// --fail-fast.
TEST(RunVerdict, EndsThatStopTheRunAndWhy) {
    struct Case {
        run::Ending ending;
        bool isolate, failFast;
        bool stopped, timedOut, processEnded;
        const char *reason;
    };
    const Case cases[] = {
        {run::Ending::Passed, false, true, false, false, false, ""},
        {run::Ending::Skipped, false, true, false, false, false, ""},
        {run::Ending::Failed, false, false, false, false, false, ""},
        {run::Ending::Failed, false, true, true, false, false, "the run stopped at the first failure"},
        {run::Ending::Crashed, true, true, true, false, false, "the run stopped at the first failure"},
        {run::Ending::TimedOut, false, false, true, true, false, "the run ended at a timeout"},
        {run::Ending::TimedOut, true, false, false, true, false, ""},
        {run::Ending::ProcessEnded, false, true, true, false, true, "the run ended with a test's process"},
        {run::Ending::ProcessEnded, true, false, false, false, false, ""},
    };
    for (const Case &check : cases) {
        console::RunVerdict verdict(check.isolate, check.failFast);
        run::TestOutcome outcome;
        outcome.ending = check.ending;
        verdict.TestEnded(run::TestIdentity(), outcome);
        const std::string what = std::string(run::EndingName(check.ending)) + (check.isolate ? " isolated" : "") +
                                 (check.failFast ? " fail-fast" : "");
        EXPECT_EQ(check.stopped, verdict.Stopped()) << what;
        EXPECT_EQ(check.timedOut, verdict.findings.timedOut) << what;
        EXPECT_EQ(check.processEnded, verdict.findings.processEnded) << what;
        EXPECT_EQ(check.reason, verdict.NotRunReason()) << what;
    }
}
