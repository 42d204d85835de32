// A stand-in until the TAP report lands: enough of the stream for the runner to link.
#include "tap_report.h"

namespace console {

TapReport::TapReport(std::function<void(const std::string &)> write) : write_(std::move(write)) {
    write_("TAP version 14\n");
}

void TapReport::TestEnded(const run::TestIdentity &test, const run::TestOutcome &outcome) {
    ++number_;
    const bool ok = !run::IsFailure(outcome.ending);
    std::string line = std::string(ok ? "ok " : "not ok ") + std::to_string(number_) + " - " + test.FullName();
    if (outcome.ending == run::Ending::Skipped || outcome.ending == run::Ending::NotRun) {
        line += std::string(" # SKIP ") + (outcome.ending == run::Ending::NotRun ? "not run: " : "") + outcome.reason;
    }
    write_(line + "\n");
}

void TapReport::Finish() { write_("1.." + std::to_string(number_) + "\n"); }

}  // namespace console
