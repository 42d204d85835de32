#include "exit_code.h"

namespace console {

int ExitCodeOf(const RunFindings &findings) {
    if (findings.usageOrLoadError || findings.workersUnusable) {
        return kExitUsageOrLoad;
    }
    if (findings.emptySelection && !findings.allowEmpty) {
        return kExitUsageOrLoad;
    }
    if (findings.processEnded) {
        return kExitProcessEnded;
    }
    if (findings.timedOut) {
        return kExitTimeout;
    }
    return findings.failedTests != 0 || findings.registrationErrors ? kExitFailed : kExitPassed;
}

void RunVerdict::TestEnded(const run::TestIdentity &, const run::TestOutcome &outcome) {
    const bool timedOut = outcome.ending == run::Ending::TimedOut;
    findings.timedOut = findings.timedOut || timedOut;
    if ((timedOut || outcome.ending == run::Ending::ProcessEnded) && !isolate_ && !stopped_) {
        findings.processEnded = !timedOut;
        notRunReason_ = timedOut ? "the run ended at a timeout" : "the run ended with a test's process";
        stopped_ = true;
    }
    if (failFast_ && run::IsFailure(outcome.ending) && !stopped_) {
        notRunReason_ = "the run stopped at the first failure";
        stopped_ = true;
    }
}

}  // namespace console
