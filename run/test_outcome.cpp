#include "test_outcome.h"

namespace run {

std::string ShownMessage(const Failure &failure) {
    return failure.crashDetails.empty() ? failure.message : failure.message + ": " + failure.crashDetails;
}

bool IsFailure(Ending ending) {
    return ending != Ending::Passed && ending != Ending::Skipped && ending != Ending::NotRun;
}

bool IsFlaky(const TestOutcome &outcome) { return outcome.ending == Ending::Passed && outcome.tries > 1; }

const char *EndingName(Ending ending) {
    switch (ending) {
    case Ending::Passed:
        return "passed";
    case Ending::Failed:
        return "failed";
    case Ending::Crashed:
        return "crashed";
    case Ending::Skipped:
        return "skipped";
    case Ending::TimedOut:
        return "timed out";
    case Ending::ProcessEnded:
        return "process ended";
    case Ending::Stopped:
        return "stopped";
    case Ending::NotRun:
        break;
    }
    return "not run";
}

const char *PhaseName(Phase phase) {
    switch (phase) {
    case Phase::Loading:
        return "loading";
    case Phase::BatchSetup:
        return "batch setup";
    case Phase::TestSetup:
        return "test setup";
    case Phase::Test:
        return "test";
    case Phase::TestTearDown:
        return "test tear-down";
    case Phase::BatchTearDown:
        return "batch tear-down";
    case Phase::Unloading:
        break;
    }
    return "unloading";
}

void Counts::Add(const TestOutcome &outcome) {
    seconds += outcome.seconds;
    if (outcome.ending == Ending::Passed) {
        ++passed;
        flaky += outcome.tries > 1 ? 1 : 0;
    } else if (outcome.ending == Ending::Skipped) {
        ++skipped;
    } else if (outcome.ending == Ending::NotRun) {
        ++notRun;
    } else {
        ++failed;
    }
}

}  // namespace run
