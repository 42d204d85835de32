// The window's copies of the run's stream: each test's latest turn, its failures as
// they are told, its output as lines, and when earlier results stay.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "library_feed.h"
#include "registry_fixture.h"
#include "rules/result_appearance.h"
#include "rules/run_results.h"

namespace {

using Progress = runner::TestResult::Progress;

run::Failure FailureAt(int32_t line, const char *message) {
    run::Failure failure;
    failure.file = "b.c";
    failure.line = line;
    failure.message = message;
    return failure;
}

void NVK_CALL TwoChecks() {
    NvkAssert(1, "helper.c", 3, nullptr);
    NvkAssert(1, "other.c", 4, nullptr);
}

void NVK_CALL FailsWithoutAPlace() { NvkAssert(0, nullptr, 0, "%s", "gone"); }

run::TestOutcome Ended(run::Ending ending, std::vector<run::Failure> failures = {}) {
    run::TestOutcome outcome;
    outcome.ending = ending;
    outcome.failures = std::move(failures);
    return outcome;
}

class RunResultsTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        NvkBatch *batch = NvkBatchCreate("B");
        NvkBatchAddFunctionAt(batch, "First", TwoChecks, "b.c", 10);
        NvkBatchAddFunctionAt(batch, "Second", FailsWithoutAPlace, "b.c", 20);
        index_ = std::make_shared<const run::RegistryIndex>(run::RegistryIndex::OfLoadedLibrary());
        results_.Follow(index_);
    }

    const run::TestIdentity &first() const { return (*index_)[0]; }
    const run::TestIdentity &second() const { return (*index_)[1]; }

    std::shared_ptr<const run::RegistryIndex> index_;
    runner::RunResults results_;
};

TEST_F(RunResultsTest, KeepsFailuresAsToldThenTheEndingWithItsOutput) {
    results_.TestStarted(first());
    results_.CheckFailed(first(), FailureAt(12, "seven"));
    results_.Output(first(), "partial");
    results_.Output(first(), " line\n");
    const runner::TestResult &running = *results_.Of(0);
    EXPECT_EQ(Progress::Running, running.progress);
    ASSERT_EQ(1u, running.Failures().size());
    EXPECT_EQ("seven", running.Failures()[0].message);

    results_.TestEnded(first(), Ended(run::Ending::Failed, {FailureAt(12, "seven"), FailureAt(13, "eight")}));
    const runner::TestResult &ended = *results_.Of(0);
    EXPECT_EQ(Progress::Ended, ended.progress);
    EXPECT_EQ(run::Ending::Failed, ended.ending);
    EXPECT_EQ(2u, ended.Failures().size());
    EXPECT_EQ("partial line\n", ended.Output());
}

// A rerun, or a run that ends a test without telling of its start (a test it never
// reached), replaces the earlier turn whole: its failures and its output alike.
TEST_F(RunResultsTest, ANewTurnReplacesTheLastWithOrWithoutAStart) {
    results_.TestStarted(first());
    results_.Output(first(), "old\n");
    results_.TestEnded(first(), Ended(run::Ending::Failed, {FailureAt(12, "old")}));

    results_.Output(first(), "new\n");
    EXPECT_EQ("new\n", results_.Of(0)->Output());
    EXPECT_TRUE(results_.Of(0)->Failures().empty());
    results_.TestEnded(first(), Ended(run::Ending::Passed));

    results_.TestEnded(first(), Ended(run::Ending::NotRun));
    EXPECT_EQ(run::Ending::NotRun, results_.Of(0)->ending);
    EXPECT_EQ("", results_.Of(0)->Output());
}

// The library resets a test's record as a run takes it up again; a reset that comes
// while a worker already runs the test leaves that turn alone.
TEST_F(RunResultsTest, ForgetsAnEndedTestButNotOneUnderWay) {
    results_.Output(first(), "old\n");
    results_.TestEnded(first(), Ended(run::Ending::Failed, {FailureAt(12, "old")}));
    results_.Forget(0);
    EXPECT_EQ(Progress::None, results_.Of(0)->progress);
    EXPECT_EQ("", results_.Of(0)->Output());
    EXPECT_TRUE(results_.Of(0)->Failures().empty());
    EXPECT_EQ("B.First", results_.Of(0)->identity->FullName());

    results_.TestStarted(first());
    results_.CheckFailed(first(), FailureAt(12, "new"));
    results_.Forget(0);
    EXPECT_EQ(Progress::Running, results_.Of(0)->progress);
    EXPECT_EQ(1u, results_.Of(0)->Failures().size());
    results_.Forget(7);  // no such test
}

TEST_F(RunResultsTest, TheSameTestsKeepTheirResultsAndAnotherRegistryStartsAfresh) {
    ASSERT_EQ(2u, results_.size());
    EXPECT_EQ(nullptr, results_.Of(2));
    results_.TestEnded(second(), Ended(run::Ending::Skipped));
    const auto again = std::make_shared<const run::RegistryIndex>(run::RegistryIndex::OfLoadedLibrary());
    results_.Follow(again);
    EXPECT_EQ(Progress::Ended, results_.Of(1)->progress);
    EXPECT_EQ(&(*again)[1], results_.Of(1)->identity);  // the index before may go

    NvkBatchAddFunctionAt(NvkBatchCreate("C"), "Third", Proc<3>, "c.c", 5);
    results_.Follow(std::make_shared<const run::RegistryIndex>(run::RegistryIndex::OfLoadedLibrary()));
    ASSERT_EQ(3u, results_.size());
    EXPECT_EQ(Progress::None, results_.Of(1)->progress);

    results_.Clear();
    EXPECT_EQ(0u, results_.size());
    results_.TestEnded(first(), Ended(run::Ending::Passed));  // of no followed index: ignored
}

// The library keeps the file its checks named through resets, and so do the copies.
TEST_F(RunResultsTest, KeepTheFileOfTheChecksThroughResetsAndTurnsThatNameNone) {
    run::TestOutcome named = Ended(run::Ending::Passed);
    named.checkFile = std::make_shared<const std::string>("helper.c");
    results_.TestEnded(first(), named);
    results_.Forget(0);
    results_.TestEnded(first(), Ended(run::Ending::Skipped));
    EXPECT_EQ("helper.c", runner::CheckFileOf(*results_.Of(0)));
    EXPECT_EQ("", runner::CheckFileOf(*results_.Of(1)));
    // Another test whose checks name the same file shares the one copy.
    run::TestOutcome again = Ended(run::Ending::Passed);
    again.checkFile = std::make_shared<const std::string>("helper.c");
    results_.TestEnded(second(), again);
    EXPECT_EQ(&runner::CheckFileOf(*results_.Of(0)), &runner::CheckFileOf(*results_.Of(1)));
}

// The bar measures the latest run's selection alone: what ran before, or what the
// run left out, counts for nothing.
TEST_F(RunResultsTest, TallyTheLatestRunsSelectionAndItsFailures) {
    results_.TestEnded(first(), Ended(run::Ending::Failed, {FailureAt(12, "old")}));
    run::LibraryRun run;
    run.selection = {1};
    results_.RunStarted(run);
    EXPECT_EQ(1u, results_.LatestRun().selected);
    EXPECT_EQ(0u, results_.LatestRun().failed);
    results_.TestEnded(second(), Ended(run::Ending::TimedOut));
    EXPECT_EQ(1u, results_.LatestRun().failed);
    results_.Clear();
    EXPECT_EQ(0u, results_.LatestRun().selected);
}

TEST_F(RunResultsTest, ReadThePassedChecksAndTheirFileFromTheRecord) {
    NvkTestFunction *test = index_->Function(0);
    NvkTestFunctionRun(test);
    const run::TestOutcome outcome = run::OutcomeFromRegistry(test, first(), "library");
    EXPECT_EQ(2, outcome.passedChecks);
    EXPECT_EQ("helper.c", *outcome.checkFile);
}

// The window shows such a failure at line 0, as the library records it, and opens
// it at the test's definition.
TEST_F(RunResultsTest, MarkAFailureWithoutAPlaceAsStandingAtItsTestsDefinition) {
    NvkTestFunction *test = index_->Function(1);
    NvkTestFunctionRun(test);
    const run::Failure failure =
        run::FailureFromRegistry(NvkTestFunctionGetFirstFailure(test), test, second(), "library");
    EXPECT_TRUE(failure.atDefinition);
    EXPECT_EQ("b.c", failure.file);
    EXPECT_EQ(20, failure.line);
}

TEST(ResultState, ReadsTheStateOfATestsCopies) {
    using runner::TestResult;
    using runner::TestState;
    const auto result = [](Progress progress, run::Ending ending, size_t failures) {
        TestResult made;
        made.progress = progress;
        made.ending = ending;
        made.details = std::make_unique<runner::TestDetails>();
        made.details->failures.resize(failures);
        return made;
    };
    const struct {
        TestResult result;
        TestState state;
    } cases[] = {
        {result(Progress::None, run::Ending::NotRun, 0), TestState::NotRun},
        {result(Progress::Running, run::Ending::NotRun, 1), TestState::Running},
        {result(Progress::Ended, run::Ending::Passed, 0), TestState::Passed},
        {result(Progress::Ended, run::Ending::Failed, 1), TestState::Failed},
        {result(Progress::Ended, run::Ending::Skipped, 0), TestState::Skipped},
        // A failure after its skip makes the test a failed one.
        {result(Progress::Ended, run::Ending::Skipped, 1), TestState::Failed},
        {result(Progress::Ended, run::Ending::TimedOut, 0), TestState::Failed},
        {result(Progress::Ended, run::Ending::NotRun, 0), TestState::NotRun},
    };
    for (const auto &each : cases) {
        EXPECT_EQ(each.state, runner::StateOf(&each.result)) << run::EndingName(each.result.ending);
    }
    EXPECT_EQ(TestState::NotRun, runner::StateOf(nullptr));
}

TEST(OutputLines, SplitsAtEachLineEndAndKeepsALastLineWithoutOne) {
    const struct {
        std::string output;
        std::vector<std::string> lines;
    } cases[] = {
        {"", {}},
        {"one\n", {"one"}},
        {"one\r\ntwo", {"one", "two"}},
        {"\n\nthree\n", {"", "", "three"}},
        {"a\rb\n", {"a\rb"}},
        {"\r\n", {""}},
    };
    for (const auto &each : cases) {
        EXPECT_EQ(each.lines, runner::OutputLines(each.output)) << each.output;
    }
}

}  // namespace
