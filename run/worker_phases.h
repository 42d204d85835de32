// The worker protocol as a state machine, kept by the runner for each worker: which
// phase of its life the worker is in, which line may come next, and where it was
// when it ended. A line that may not come is named with the phase it came in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "run_plan.h"
#include "test_outcome.h"
#include "worker_protocol.h"

namespace run {

// Starting: until it says it runs. Loading: the test library and the plan.
// BetweenTests: after a test's report, before anything of the next. InSetups: the
// next test's setups sent a failure. InTest: the test was called, or its tear-downs
// run. Refused: it cannot run the plan.
enum class WorkerState : uint8_t { Starting, Loading, BetweenTests, InSetups, InTest, Unloading, Done, Refused };

class WorkerPhases {
public:
    // For a worker given these steps, which it runs in order; under fail-fast it may
    // unload before its last test.
    explicit WorkerPhases(const std::vector<Step> &steps = {}, bool failFast = false);

    // Decodes a line into message and moves on; false when the line may not come
    // now, Violation() then naming it. The state stays where it was then.
    bool Take(const std::string &line, WorkerMessage &message);

    WorkerState State() const { return state_; }
    // The test whose turn it is, while there is one: the one in progress, in its
    // setups or in BetweenTests about to start.
    bool HasNext() const { return next_ < tests_.size(); }
    const TestRef &Next() const { return tests_[next_]; }
    // Where the next test is, as far as the lines tell: a test's own call and
    // tear-downs are not told apart, nor the setups of the first test of a step.
    Phase NextPhase() const;
    const std::string &Violation() const { return violation_; }

private:
    bool Breaks(const std::string &what);
    bool IsNext(const TestRef &test) const { return HasNext() && test == tests_[next_]; }
    std::string Where() const;

    MessageDecoder decoder_;
    std::vector<TestRef> tests_;
    std::vector<bool> opensStep_;  // by test: its setups include the batch's
    size_t next_ = 0;
    bool failFast_ = false;
    WorkerState state_ = WorkerState::Starting;
    std::string violation_;
};

// "test 2:5": a test by its place in the registry, as a violation names it.
std::string RefText(const TestRef &test);

}  // namespace run
