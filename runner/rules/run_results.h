// What the window shows of each test of the loaded library, copied from the run's
// stream as it goes: the test's identity, how its latest turn ended (or the failures
// told so far while it runs), and what it wrote. The views draw from these copies,
// so a run on another thread never has them read its registry. Portable.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "registry_index.h"
#include "run_events.h"
#include "test_outcome.h"

namespace runner {

// What a test's latest turn left beyond how it ended, which most tests leave none of.
struct TestDetails {
    std::vector<run::Failure> failures;
    // Skipped: the test's own reason; not run: why the run did not reach it.
    std::string reason;
    // Everything the test wrote, as the run captured it.
    std::string output;
};

// A test's copies, a few numbers for a test that left nothing more: the window keeps
// one for every test of the library.
struct TestResult {
    enum class Progress : uint8_t { None, Running, Ended };

    // The followed index's: one copy of each test's names for the run and the views.
    const run::TestIdentity *identity = nullptr;
    // Once ended, the stream's account; while running, the failures told so far.
    double seconds = 0;
    std::unique_ptr<TestDetails> details;  // NULL: no failure, reason or output
    // The file its checks named, as the library keeps it: from the first turn that
    // named one on, through resets and new turns. The results' one copy of it, which
    // the tests whose checks name that file share; NULL until one did.
    const std::string *checkFile = nullptr;
    int32_t passedChecks = 0;
    run::Ending ending = run::Ending::NotRun;
    Progress progress = Progress::None;

    const std::vector<run::Failure> &Failures() const;
    const std::string &Reason() const;
    const std::string &Output() const;
};

// That file, or "" when the test's checks named none yet.
const std::string &CheckFileOf(const TestResult &result);

// Whether the test's latest turn ended failing: with a failure, or a failing end.
bool HasFailed(const TestResult &result);

// The latest run's measure: its selected tests, and how many of them failed so far.
struct RunTally {
    size_t selected = 0;
    size_t failed = 0;
};

class RunResults final : public run::RunListener {
public:
    // Takes the tests of the index a run is about to use. The results of the tests
    // stay when the index holds the same tests as before, as a run of some tests
    // leaves the others' results standing; any other registry starts afresh.
    void Follow(std::shared_ptr<const run::RegistryIndex> index);
    // Forgets every test, as when the library is unloaded.
    void Clear();
    // Forgets the test's result as the library resets its record, unless a turn of
    // it is under way: a worker may tell of a test's start before the library
    // replays it, and that replay resets the record.
    void Forget(run::TestKey key);

    // NULL for a key the followed index did not hold.
    const TestResult *Of(run::TestKey key) const { return key < results_.size() ? &results_[key] : nullptr; }
    size_t size() const { return results_.size(); }
    RunTally LatestRun() const;

    void RunStarted(const run::LibraryRun &run) override;
    void TestStarted(const run::TestIdentity &test) override;
    void CheckFailed(const run::TestIdentity &test, const run::Failure &failure) override;
    void Output(const run::TestIdentity &test, const std::string &text) override;
    void TestEnded(const run::TestIdentity &test, const run::TestOutcome &outcome) override;

private:
    // The test's result for the turn the event belongs to: the first event after an
    // end opens a new turn, whether or not the stream told of its start.
    TestResult *Turn(const run::TestIdentity &test);

    std::shared_ptr<const run::RegistryIndex> index_;
    std::vector<TestResult> results_;
    std::vector<run::TestKey> latestRun_;
    // Each file the tests' checks named, once.
    std::set<std::string> checkFiles_;
};

// The output as the rows that show it: one a line, without its end ("\n" or
// "\r\n"); a last line without an end is a line too, and no output is no line.
std::vector<std::string> OutputLines(const std::string &output);

}  // namespace runner
