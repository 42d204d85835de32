// TAP version 14 as one flat stream, for harnesses that read TAP: a line per test as
// it ends, "ok" or "not ok", skips as "# SKIP reason", tests the run never reached
// as "# SKIP not run: reason", and the plan once the run is over.
#pragma once

#include <functional>
#include <string>

#include "run_events.h"

namespace console {

// Descriptions are the names as --list prints them, with '#' as "\#"; reasons are
// escaped alike but for '#'. A test that did not pass, skip or go unrun is "not ok"
// with a YAML block saying how and where it ended.
class TapReport final : public run::RunListener {
public:
    // write takes each piece of the stream as it is ready: the version line with the
    // first, then a test's line and its block together.
    explicit TapReport(std::function<void(const std::string &)> write);

    // A repetition of several names its batch as the console does, so that no two
    // lines of the stream describe the same test.
    void RunStarted(const run::LibraryRun &run) override;
    void TestEnded(const run::TestIdentity &test, const run::TestOutcome &outcome) override;
    // Ends the stream: the plan, "1..N". Call once, after the last library.
    void Finish();

private:
    // The version line before the stream's first piece, "" after it.
    std::string Opening();

    std::function<void(const std::string &)> write_;
    std::string repetitionLabel_;
    unsigned number_ = 0;
    bool opened_ = false;
};

}  // namespace console
