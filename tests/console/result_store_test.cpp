// What the result store keeps of each test's end: exactly the outcome it was given,
// whatever the test's record held before.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "library_feed.h"
#include "norvik.h"
#include "registry_fixture.h"
#include "result_store.h"

namespace {

void NVK_CALL Passes() {}

void ExpectSame(const run::Failure &given, const run::Failure &kept) {
    EXPECT_EQ(given.file, kept.file);
    EXPECT_EQ(given.line, kept.line);
    EXPECT_EQ(given.message, kept.message);
    EXPECT_EQ(given.crash, kept.crash);
    EXPECT_EQ(given.crashDetails, kept.crashDetails);
    EXPECT_EQ(given.atDefinition, kept.atDefinition);
}

void ExpectSame(const run::TestOutcome &given, const run::TestOutcome &kept) {
    EXPECT_EQ(given.ending, kept.ending);
    EXPECT_EQ(given.phase, kept.phase);
    EXPECT_EQ(given.seconds, kept.seconds);
    ASSERT_EQ(given.failures.size(), kept.failures.size());
    for (size_t i = 0; i < given.failures.size(); ++i) {
        ExpectSame(given.failures[i], kept.failures[i]);
    }
    EXPECT_EQ(given.reason, kept.reason);
    EXPECT_EQ(given.tries, kept.tries);
    EXPECT_EQ(given.passedChecks, kept.passedChecks);
    EXPECT_EQ(given.checkFile, kept.checkFile);
}

run::TestOutcome Crashed() {
    run::TestOutcome outcome;
    outcome.ending = run::Ending::Crashed;
    outcome.phase = run::Phase::TestTearDown;
    outcome.seconds = 0.25;
    outcome.failures.push_back({"a.c", 3, "first", false, "", false});
    outcome.failures.push_back({"b.c", 7, "crashed", true, "signal 11", true});
    outcome.reason = "why";
    outcome.tries = 2;
    outcome.passedChecks = 5;
    outcome.checkFile = std::make_shared<const std::string>("a.c");
    return outcome;
}

run::TestOutcome Passed(std::shared_ptr<const std::string> checkFile) {
    run::TestOutcome outcome;
    outcome.ending = run::Ending::Passed;
    outcome.seconds = 0.001;
    outcome.passedChecks = 1;
    outcome.checkFile = std::move(checkFile);
    return outcome;
}

// Each end replaces all of the one before: a pass after a crash keeps none of its
// failures, reason or file, and a crash after a pass keeps all of its own.
TEST_F(RegistryTest, TheStoreKeepsEachEndAsItWasGiven) {
    NvkBatchAddFunctionImp(NvkBatchCreate("Batch"), "Test", &Passes);
    const run::RegistryIndex index = run::RegistryIndex::OfLoadedLibrary();
    run::LibraryRun libraryRun;
    libraryRun.index = &index;
    libraryRun.selection = {0};
    console::ResultStore store;
    store.RunStarted(libraryRun);

    const std::vector<run::TestOutcome> ends = {
        Passed(nullptr),   Crashed(), Passed(nullptr), Crashed(), Passed(std::make_shared<const std::string>("c.c")),
        run::TestOutcome()};
    for (const run::TestOutcome &end : ends) {
        store.TestEnded(index[0], end);
        ExpectSame(end, store.Test(store.PlaceOf(0)).outcome);
    }
}

}  // namespace
