// The results of a console run as plain data, copied from the registry as each test
// finishes, so that they can be printed and reported without the library and stay
// as they were when a test resets others. Only the tests a run selected are kept:
// those the filter or the shard left out are no results.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "norvik.h"
#include "run_plan.h"

namespace console {

using run::TestRef;

// Skipped: the test skipped itself (NvkSkip) and failed nothing.
enum class Outcome { NotRun, Passed, Failed, TimedOut, Skipped };

struct FailureRecord {
    std::string file;
    int32_t line = 0;
    std::string message;
    bool crash = false;
    std::string crashDetails;  // what the crash ran into and where; "" when unknown
};

// The message as printed and reported: a crash's details follow its fixed text.
std::string ShownMessage(const FailureRecord &failure);

struct TestRecord {
    std::string name;
    std::string sourceFile;  // where the test is, "" and 0 when unknown
    int32_t sourceLine = 0;
    Outcome outcome = Outcome::NotRun;
    double seconds = 0;
    std::vector<FailureRecord> failures;
    std::string skipReason;  // Skipped
};

struct BatchRecord {
    std::string name;  // with the repetition, when the run repeats
    std::vector<TestRecord> tests;
    // What a library's registration refused, in a record of their own named by the
    // library, which holds no tests.
    std::vector<std::string> registrationErrors;
};

struct Counts {
    unsigned passed = 0;
    unsigned failed = 0;   // crashed and timed out included
    unsigned skipped = 0;  // skipped itself
    unsigned notRun = 0;   // selected, but a stopped or ended run never reached it
    unsigned errors = 0;   // libraries whose registration refused something
    double seconds = 0;

    void Add(const TestRecord &test);
};

// Where a test's record is: TestRef's batch is the store's batch, its test the place
// in that batch.
class ResultStore {
public:
    // Adds a batch record for each batch of the loaded library with a selected test
    // (skip flag 0), holding those tests in registration order, and returns the
    // selected tests' records in that order, for a run to find them by. A repeated
    // run's batches are named with their repetition, say " (repetition 2 of 3)".
    std::vector<NvkTestFunction *> AddSelection(const std::string &libraryPath, const std::string &repetition);
    // The key of the n-th test AddSelection returned last.
    TestRef KeyOfSelected(size_t index) const { return selectedKeys_[index]; }

    // Copies a finished test's outcome, time and failures from the registry.
    void RecordFinished(const TestRef &key, NvkTestFunction *test);
    // The test ran longer than the limit; its failures are recorded already.
    void MarkTimedOut(const TestRef &key);
    // The test's process ended during it: its last failure says how.
    void MarkProcessEnded(const TestRef &key);
    // The test ended this process before it finished: it fails with the failure the
    // library recorded last, which says how.
    void RecordProcessEnd(const TestRef &key, NvkTestFunction *test);

    // What the loaded library's registration refused (NvkRegistrationGetError), as a
    // record after the batches so far.
    void AddRegistrationErrors(const std::string &libraryPath);

    // Why the tests still at NotRun did not run, for the reports.
    void SetNotRunReason(const std::string &reason) { notRunReason_ = reason; }
    const std::string &NotRunReason() const { return notRunReason_; }

    const std::vector<BatchRecord> &Batches() const { return batches_; }
    const TestRecord &Test(const TestRef &key) const { return batches_[key.batch].tests[key.test]; }
    std::string FullName(const TestRef &key) const;
    Counts Count() const;
    std::vector<std::string> FailedTests() const;

private:
    TestRecord &Record(const TestRef &key) { return batches_[key.batch].tests[key.test]; }

    std::vector<BatchRecord> batches_;
    std::vector<std::string> libraryOfBatch_;
    std::vector<TestRef> selectedKeys_;
    std::string notRunReason_ = "the run ended early";
};

// A finished test's outcome, time and failures, copied from the registry. A failure
// without a file of its own takes the test's, or the library's when no check named one;
// one without a place at all (a crash, a timeout, a process's end) is at the test's
// source location, when the record knows it.
void CopyFinishedTest(NvkTestFunction *test, const std::string &libraryPath, TestRecord &record);

}  // namespace console
