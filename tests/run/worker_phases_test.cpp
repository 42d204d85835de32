// The worker protocol's state machine as a table: lines a worker sends, the phase
// they leave it in, and the line that breaks the protocol, named with its phase.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "worker_phases.h"

namespace {

using run::Phase;
using run::WorkerState;

std::string Failure() { return run::EncodeFailure({"t.c", 1, "no", ""}); }

std::string Report(uint32_t test) {
    run::TestReport report;
    report.test = {0, test};
    return run::EncodeTestFinished(report);
}

std::string Line(const std::string &encoded) { return encoded.substr(0, encoded.size() - 1); }

TEST(WorkerPhases, EachLineMovesThePhaseOnOrIsNamedWithThePhaseItCameIn) {
    const std::string S = Line(run::EncodeStarted()), R = Line(run::EncodeReady()), F = Line(Failure()),
                      U = Line(run::EncodeUnloading()), D = Line(run::EncodeDone()),
                      G0 = Line(run::EncodeTestStarted({0, 0})), G1 = Line(run::EncodeTestStarted({0, 1})),
                      T0 = Line(Report(0)), T1 = Line(Report(1)), E = Line(run::EncodeRefused("no"));
    const struct {
        std::vector<std::string> lines;
        WorkerState state;      // after the lines that were taken
        Phase phase;            // of the next test, where there is one
        std::string violation;  // of the last line; "" when every line was taken
        bool failFast = false;  // the plan's, which lets the worker unload early
    } cases[] = {
        {{S, R, G0, F, T0, T1, U, D}, WorkerState::Done, Phase::Test, ""},
        {{S}, WorkerState::Loading, Phase::BatchSetup, ""},
        {{S, E}, WorkerState::Refused, Phase::BatchSetup, ""},
        {{S, R, F}, WorkerState::InSetups, Phase::BatchSetup, ""},
        {{S, R, T0, F, F}, WorkerState::InSetups, Phase::TestSetup, ""},
        {{S, R, T0, G1, F}, WorkerState::InTest, Phase::Test, ""},
        {{S, R, T0, U}, WorkerState::Unloading, Phase::TestSetup, "", true},
        {{S, R, T0, U}, WorkerState::BetweenTests, Phase::TestSetup, "\"unloading\" came before test 0:1"},
        {{R}, WorkerState::Starting, Phase::BatchSetup, "\"ready\" came before the worker said it started"},
        {{Line(run::EncodeStarted(1))},
         WorkerState::Starting,
         Phase::BatchSetup,
         "a worker of protocol version 1 answered a runner of version " + std::to_string(run::kProtocolVersion)},
        {{S, G0}, WorkerState::Loading, Phase::BatchSetup, "a start of test 0:0 came while it loaded the test library"},
        {{S, R, T1}, WorkerState::BetweenTests, Phase::BatchSetup, "a report of test 0:1 came before test 0:0"},
        {{S, R, F, G1}, WorkerState::InSetups, Phase::BatchSetup, "a start of test 0:1 came in the setups of test 0:0"},
        {{S, R, G0, G0}, WorkerState::InTest, Phase::Test, "a start of test 0:0 came in test 0:0"},
        {{S, R, G0, U}, WorkerState::InTest, Phase::Test, "\"unloading\" came in test 0:0"},
        {{S, R, G0, D}, WorkerState::InTest, Phase::Test, "\"done\" came in test 0:0"},
        {{S, R, "hello\tworld"},
         WorkerState::BetweenTests,
         Phase::BatchSetup,
         "the line \"hello\\tworld\" came before test 0:0"},
        {{S, R, T0, T1, F}, WorkerState::BetweenTests, Phase::TestSetup, "a failure came after its last test"},
        {{S, R, T0, T1, U, T1},
         WorkerState::Unloading,
         Phase::TestSetup,
         "a report of test 0:1 came while it unloaded the test library"},
        {{S, R, T0, T1, U, D, R}, WorkerState::Done, Phase::TestSetup, "\"ready\" came after it said it was done"},
        {{S, E, R}, WorkerState::Refused, Phase::BatchSetup, "\"ready\" came after it refused the plan"},
    };
    for (const auto &check : cases) {
        run::WorkerPhases phases({{false, {{0, 0}, {0, 1}}}}, check.failFast);
        std::string taken;
        for (const std::string &line : check.lines) {
            run::WorkerMessage message;
            const bool last = &line == &check.lines.back();
            EXPECT_EQ(!last || check.violation.empty(), phases.Take(line, message)) << taken << line;
            taken += line + " | ";
        }
        EXPECT_EQ(check.state, phases.State()) << taken;
        EXPECT_EQ(check.violation, phases.Violation()) << taken;
        if (phases.HasNext()) {
            EXPECT_EQ(check.phase, phases.NextPhase()) << taken;
        }
    }
}

// A line too long to show is cut, and bytes that would garble a message are masked.
TEST(WorkerPhases, AnUnknownLineIsShownShortAndPlain) {
    run::WorkerPhases phases;
    run::WorkerMessage message;
    EXPECT_FALSE(phases.Take(std::string(100, 'x') + "\x01", message));
    EXPECT_EQ("the line \"" + std::string(60, 'x') + "...\" came before the worker said it started",
              phases.Violation());
    EXPECT_FALSE(phases.Take("a\x1b[2Jb", message));
    EXPECT_EQ("the line \"a?[2Jb\" came before the worker said it started", phases.Violation());
}

}  // namespace
