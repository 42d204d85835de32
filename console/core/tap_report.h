// TAP version 14 as one flat stream, for harnesses that read TAP: a line per test as
// it ends, "ok" or "not ok", skips as "# SKIP reason", tests the run never reached
// as "# SKIP not run: reason", and the plan once the run is over.
#pragma once

#include <functional>
#include <string>

#include "run_events.h"

namespace console {

class TapReport final : public run::RunListener {
public:
    // write takes each piece of the stream as it is ready.
    explicit TapReport(std::function<void(const std::string &)> write);

    void TestEnded(const run::TestIdentity &test, const run::TestOutcome &outcome) override;
    // Ends the stream: the plan, "1..N". Call once, after the last library.
    void Finish();

private:
    std::function<void(const std::string &)> write_;
    unsigned number_ = 0;
};

}  // namespace console
