// The TAP stream of scripted runs: each ending's test point, what must be escaped for
// the stream and its YAML blocks to stay whole, the plan and repeated runs.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tap_report.h"

namespace {

using run::Ending;
using run::Phase;

// An identity views its names: these are literals, which outlive it.
run::TestIdentity Identity(const char *batch, const char *name, const char *file = "", int32_t line = 0) {
    run::TestIdentity identity;
    identity.batch = batch;
    identity.name = name;
    identity.file = file;
    identity.line = line;
    return identity;
}

run::TestOutcome Outcome(Ending ending, const std::string &reason = "", std::vector<run::Failure> failures = {},
                         Phase phase = Phase::Test) {
    run::TestOutcome outcome;
    outcome.ending = ending;
    outcome.reason = reason;
    outcome.failures = std::move(failures);
    outcome.phase = phase;
    return outcome;
}

run::Failure Check(const std::string &message, const std::string &file, int32_t line) {
    run::Failure failure;
    failure.message = message;
    failure.file = file;
    failure.line = line;
    return failure;
}

run::Failure Crash(const std::string &message, const std::string &details, const std::string &file, int32_t line) {
    run::Failure failure = Check(message, file, line);
    failure.crash = true;
    failure.crashDetails = details;
    return failure;
}

struct Case {
    const char *what;
    run::TestIdentity test;
    run::TestOutcome outcome;
    const char *lines;  // what the test adds to the stream
};

std::string Stream(const std::vector<std::pair<run::TestIdentity, run::TestOutcome>> &tests, unsigned repetitions = 1) {
    std::string stream;
    console::TapReport report([&](const std::string &piece) { stream += piece; });
    for (unsigned repetition = 1; repetition <= repetitions; ++repetition) {
        run::LibraryRun run;
        run.repetition = repetition;
        run.repetitions = repetitions;
        report.RunStarted(run);
        for (const auto &test : tests) {
            report.TestEnded(test.first, test.second);
        }
        report.RunEnded(run);
    }
    report.Finish();
    return stream;
}

TEST(TapReport, WritesEachEndingAsOneTestPoint) {
    const std::vector<Case> cases = {
        {"a pass", Identity("Basics", "Passes"), Outcome(Ending::Passed), "ok 1 - Basics.Passes\n"},
        {"a self-skip with its reason", Identity("Skips", "NeedsAPrinter"),
         Outcome(Ending::Skipped, "no printer on \"this host\" # 2"),
         "ok 1 - Skips.NeedsAPrinter # SKIP no printer on \"this host\" # 2\n"},
        {"a skip without a reason", Identity("Skips", "Quietly"), Outcome(Ending::Skipped),
         "ok 1 - Skips.Quietly # SKIP\n"},
        {"a test never reached", Identity("Later", "Waits"),
         Outcome(Ending::NotRun, "the run stopped at the first failure"),
         "ok 1 - Later.Waits # SKIP not run: the run stopped at the first failure\n"},
        {"a test never reached, without a reason", Identity("Later", "Waits"), Outcome(Ending::NotRun),
         "ok 1 - Later.Waits # SKIP not run\n"},
        {"a failed check, its message on two lines", Identity("Lines", "FailsOnTwoLines", "lines.c", 9),
         Outcome(Ending::Failed, "", {Check("first line\nsecond \"line\" \\ \x1b[31mred", "lines.c", 12)}),
         "not ok 1 - Lines.FailsOnTwoLines\n"
         "  ---\n"
         "  ending: \"failed\"\n"
         "  phase: \"test\"\n"
         "  message: \"first line\\nsecond \\\"line\\\" \\\\ \\u001b[31mred\"\n"
         "  file: \"lines.c\"\n"
         "  line: 12\n"
         "  ...\n"},
        {"a crash in a setup, with what it ran into", Identity("Faults", "WritesThroughNull", "faults.c", 8),
         Outcome(Ending::Crashed, "",
                 {Crash("A crash was detected in the unit test setup", "signal 11 (SIGSEGV) at faults.so+0x1139",
                        "faults.c", 8)},
                 Phase::TestSetup),
         "not ok 1 - Faults.WritesThroughNull\n"
         "  ---\n"
         "  ending: \"crashed\"\n"
         "  phase: \"test setup\"\n"
         "  message: \"A crash was detected in the unit test setup\"\n"
         "  details: \"signal 11 (SIGSEGV) at faults.so+0x1139\"\n"
         "  file: \"faults.c\"\n"
         "  line: 8\n"
         "  ...\n"},
        // The timeout leads; the check that failed before it is kept in the list.
        {"a timeout after a failed check", Identity("Hangs", "NeverReturns", "hang.c", 17),
         Outcome(Ending::TimedOut, "",
                 {Check("Expected 1", "hang.c", 19), Crash("Timed out after 1 second", "", "hang.c", 17)}),
         "not ok 1 - Hangs.NeverReturns\n"
         "  ---\n"
         "  ending: \"timed out\"\n"
         "  phase: \"test\"\n"
         "  message: \"Timed out after 1 second\"\n"
         "  file: \"hang.c\"\n"
         "  line: 17\n"
         "  failures:\n"
         "    - message: \"Expected 1\"\n"
         "      file: \"hang.c\"\n"
         "      line: 19\n"
         "    - message: \"Timed out after 1 second\"\n"
         "      file: \"hang.c\"\n"
         "      line: 17\n"
         "  ...\n"},
        {"a process end", Identity("Ends", "CallsExit", "ends.c", 44),
         Outcome(Ending::ProcessEnded, "exit code 0x3",
                 {Crash("The test process ended during this test: exit code 0x3", "", "ends.c", 44)}),
         "not ok 1 - Ends.CallsExit\n"
         "  ---\n"
         "  ending: \"process ended\"\n"
         "  phase: \"test\"\n"
         "  message: \"The test process ended during this test: exit code 0x3\"\n"
         "  file: \"ends.c\"\n"
         "  line: 44\n"
         "  ...\n"},
        // Without a failure, the reason says why and the test's own place where.
        {"a stop without a failure", Identity("Slow", "Stopped", "slow.c", 3),
         Outcome(Ending::Stopped, "stopped by the user"),
         "not ok 1 - Slow.Stopped\n"
         "  ---\n"
         "  ending: \"stopped\"\n"
         "  phase: \"test\"\n"
         "  message: \"stopped by the user\"\n"
         "  file: \"slow.c\"\n"
         "  line: 3\n"
         "  ...\n"},
        {"a failure in unloading, without place or reason", Identity("Plain", "Unplaced"),
         Outcome(Ending::Stopped, "", {}, Phase::Unloading),
         "not ok 1 - Plain.Unplaced\n  ---\n  ending: \"stopped\"\n  phase: \"unloading\"\n  ...\n"},
        // '#' would start a directive; a backslash, and what it escapes, must read back.
        {"a name with '#', a backslash and control characters", Identity("Odd#Batch", "Skip#\\n\n\t\x01\x7f"),
         Outcome(Ending::Passed), "ok 1 - Odd\\#Batch.Skip\\#\\\\n\\n\\t\\x01\\x7f\n"},
        {"a skip reason over lines", Identity("Skips", "Twice"), Outcome(Ending::Skipped, "one\r\ntwo\\"),
         "ok 1 - Skips.Twice # SKIP one\\r\\ntwo\\\\\n"},
        // YAML takes no C1 control, nor U+FFFE or U+FFFF, and YAML 1.1 folds U+0085, U+2028
        // and U+2029 as line breaks; an ill-formed byte is read as ISO 8859-1, as in
        // every report.
        {"a message YAML could not hold as it is", Identity("Bytes", "Odd"),
         Outcome(Ending::Failed, "",
                 {Check("\xC2\x80\xC2\x85\xC2\x9F\xC2\xA0\xE2\x80\xA8\xE2\x80\xA9\xE2\x80\xAA\xEF\xBF\xBE\xEF\xBF\xBF"
                        "\xE2\x82\xAC\xE9",
                        "", 0)}),
         "not ok 1 - Bytes.Odd\n"
         "  ---\n"
         "  ending: \"failed\"\n"
         "  phase: \"test\"\n"
         "  message: \"\\u0080\\u0085\\u009f\xC2\xA0\\u2028\\u2029\xE2\x80\xAA\\ufffe\\uffff\xE2\x82\xAC\\u00e9\"\n"
         "  ...\n"},
    };
    for (const Case &test : cases) {
        EXPECT_EQ(std::string("TAP version 14\n") + test.lines + "1..1\n", Stream({{test.test, test.outcome}}))
            << test.what;
    }
}

TEST(TapReport, NumbersEveryTestAndPlansAtTheEnd) {
    EXPECT_EQ("TAP version 14\n1..0\n", Stream({}));
    EXPECT_EQ(
        "TAP version 14\nok 1 - A.One\nnot ok 2 - A.Two\n  ---\n  ending: \"crashed\"\n  phase: \"test\"\n  ...\n"
        "ok 3 - B.Three # SKIP not run\n1..3\n",
        Stream({{Identity("A", "One"), Outcome(Ending::Passed)},
                {Identity("A", "Two"), Outcome(Ending::Crashed)},
                {Identity("B", "Three"), Outcome(Ending::NotRun)}}));
}

// A repeated test keeps its name, which --filter takes, and the repetition follows it.
TEST(TapReport, RepetitionsFollowTheTestsNames) {
    EXPECT_EQ(
        "TAP version 14\n"
        "ok 1 - A.One (repetition 1 of 2)\n"
        "ok 2 - A.Two (repetition 1 of 2) # SKIP later\n"
        "ok 3 - A.One (repetition 2 of 2)\n"
        "ok 4 - A.Two (repetition 2 of 2) # SKIP later\n"
        "1..4\n",
        Stream({{Identity("A", "One"), Outcome(Ending::Passed)},
                {Identity("A", "Two"), Outcome(Ending::Skipped, "later")}},
               2));
}

// Each test's line leaves when the test ends, in one piece with its block: a run that
// ends its process has written every test before it.
TEST(TapReport, WritesEachTestAsItEnds) {
    std::vector<std::string> pieces;
    console::TapReport report([&](const std::string &piece) { pieces.push_back(piece); });
    report.TestEnded(Identity("A", "One"), Outcome(Ending::Passed));
    report.TestEnded(Identity("A", "Two"), Outcome(Ending::Failed, "", {Check("no", "a.c", 1)}));
    ASSERT_EQ(2u, pieces.size());
    EXPECT_EQ("TAP version 14\nok 1 - A.One\n", pieces[0]);
    EXPECT_EQ(0u, pieces[1].find("not ok 2 - A.Two\n  ---\n"));
    EXPECT_EQ("  ...\n", pieces[1].substr(pieces[1].size() - 6));
}

}  // namespace
