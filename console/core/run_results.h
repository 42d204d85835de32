// The results of a console run as plain data: copied from the registry on the main
// thread as each test finishes, so that they can be reported without the library.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "norvik.h"

namespace console {

enum class Outcome { NotSelected, NotRun, Passed, Failed, TimedOut };

struct FailureRecord {
    std::string file;
    int32_t line = 0;
    std::string message;
    bool crash = false;
};

struct TestRecord {
    std::string name;
    Outcome outcome = Outcome::NotRun;
    double seconds = 0;
    std::vector<FailureRecord> failures;
};

struct BatchRecord {
    std::string name;
    std::vector<TestRecord> tests;
};

struct Counts {
    unsigned passed = 0;
    unsigned failed = 0;  // crashed and timed out included
    unsigned skipped = 0;
    double seconds = 0;

    void Add(const TestRecord &test);
};

// Where a test's record is: its batch and its place in that batch.
using TestKey = std::pair<size_t, size_t>;

class RunResults {
public:
    // Adds a record for every test of the loaded library, in registration order: the
    // batches get the keys from Batches().size() on, and each test its place in its
    // batch.
    void AddRegistry(const std::string &libraryPath);
    // The same after a run of every batch: the selected tests that ran get their
    // results from the registry as well.
    void AddRegistryAfterRun(const std::string &libraryPath);

    // Copies a finished test's outcome, time and failures from the registry.
    void RecordFinished(const TestKey &key, NvkTestFunction *test);
    void RecordTimeout(const TestKey &key, double seconds, const std::string &message);
    // What a worker reported for the test.
    void RecordReported(const TestKey &key, const TestRecord &reported);
    // The test during which its worker process ended.
    void RecordCrash(const TestKey &key, double seconds, const std::string &message);

    // Why the tests still at NotRun did not run, for the reports.
    void SetNotRunReason(const std::string &reason) { notRunReason_ = reason; }
    const std::string &NotRunReason() const { return notRunReason_; }

    const std::vector<BatchRecord> &Batches() const { return batches_; }
    const TestRecord &Test(const TestKey &key) const { return batches_[key.first].tests[key.second]; }
    std::string FullName(const TestKey &key) const;
    Counts Count() const;
    std::vector<std::string> FailedTests() const;

private:
    void AddBatches(const std::string &libraryPath, bool withResults);
    void RecordEnding(const TestKey &key, Outcome outcome, double seconds, const std::string &message, bool crash);

    std::vector<BatchRecord> batches_;
    std::vector<std::string> libraryOfBatch_;
    std::string notRunReason_ = "the run ended at a timeout";
};

// A finished test's outcome, time and failures, copied from the registry. A failure
// knows its line only: its file is the test's, or the library's when no check named one.
void CopyFinishedTest(NvkTestFunction *test, const std::string &libraryPath, TestRecord &record);

}  // namespace console
