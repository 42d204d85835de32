// The results of a console run as plain data, taken from the run's event stream as
// each test ends, so that they can be printed and reported without the library and
// stay as they were when a test resets others. Only the tests a run selected are
// kept: those the filter or the shard left out are no results.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "run_events.h"
#include "test_outcome.h"

namespace console {

// The test's name and place are its index's, which outlives the store.
struct TestRecord {
    const run::TestIdentity *test = nullptr;
    run::TestOutcome outcome;
    std::vector<run::TestOutcome> failedTries;  // before the try of its outcome
    std::string output;  // what the test wrote, when it was captured
};

struct BatchRecord {
    std::string name;
    std::string repetition;  // " (repetition 2 of 3)" when the run repeats, else ""
    std::vector<TestRecord> tests;
    // What a library's registration refused, in a record of their own named by the
    // library, which holds no tests.
    std::vector<std::string> registrationErrors;
};

// Where a test's record is in the store: its batch record and its place there.
struct StoredTest {
    uint32_t batch = 0;
    uint32_t test = 0;
};

class ResultStore final : public run::RunListener {
public:
    // A batch record for each batch with a selected test, holding those tests in
    // registration order, all not run until they end. A repeated run's batches carry
    // their repetition, say " (repetition 2 of 3)". The run's index must outlive the
    // store.
    void RunStarted(const run::LibraryRun &run) override;
    void TryFailed(const run::TestIdentity &test, const run::TestOutcome &outcome) override;
    void Output(const run::TestIdentity &test, const std::string &text) override;
    void TestEnded(const run::TestIdentity &test, const run::TestOutcome &outcome) override;

    // What a library's registration refused, as a record after the batches so far.
    void AddRegistrationErrors(const std::string &libraryPath, const std::vector<std::string> &errors);

    const std::vector<BatchRecord> &Batches() const { return batches_; }
    const TestRecord &Test(const StoredTest &place) const { return batches_[place.batch].tests[place.test]; }
    // The stored test of the current library run, by its key in the run's index.
    StoredTest PlaceOf(run::TestKey key) const { return places_[key]; }
    // "Batch.Test", then the repetition: the name before it pastes into --filter.
    std::string FullName(const StoredTest &place) const;
    run::Counts Count() const;
    unsigned RegistrationErrorCount() const;
    std::vector<std::string> FailedTests() const;
    // "Batch.Test: passed on try 2" for each flaky test.
    std::vector<std::string> FlakyTests() const;

private:
    std::vector<BatchRecord> batches_;
    std::vector<StoredTest> places_;  // by the current run's keys
};

// " (repetition 2 of 3)" for a repeated run, else "".
std::string RepetitionLabel(const run::LibraryRun &run);

}  // namespace console
