// The window's copies of each test's identity, ending and output.
#include "rules/run_results.h"

namespace runner {

void RunResults::Follow(std::shared_ptr<const run::RegistryIndex> index) {
    const bool sameTests =
        index_ != nullptr && index->Fingerprint() == index_->Fingerprint() && index->size() == results_.size();
    if (!sameTests) {
        results_.clear();
        results_.resize(index->size());
        checkFiles_.clear();
    }
    for (const run::TestIdentity &test : index->Tests()) {
        results_[test.key].identity = &test;
    }
    index_ = std::move(index);
}

void RunResults::Clear() {
    results_.clear();
    index_.reset();
    latestRun_.clear();
    checkFiles_.clear();
}

namespace {

// How the test stands before a turn: the file its checks named stays.
void StartAfresh(TestResult &result, TestResult::Progress progress) {
    result.progress = progress;
    result.ending = run::Ending::NotRun;
    result.seconds = 0;
    result.passedChecks = 0;
    result.details.reset();
}

TestDetails &DetailsOf(TestResult &result) {
    if (result.details == nullptr) {
        result.details = std::make_unique<TestDetails>();
    }
    return *result.details;
}

template <typename Field>
const Field &FieldOrNone(const std::unique_ptr<TestDetails> &details, Field TestDetails::*field) {
    static const TestDetails none;
    return details != nullptr ? (*details).*field : none.*field;
}

}  // namespace

const std::vector<run::Failure> &TestResult::Failures() const { return FieldOrNone(details, &TestDetails::failures); }

const std::string &TestResult::Reason() const { return FieldOrNone(details, &TestDetails::reason); }

const std::string &TestResult::Output() const { return FieldOrNone(details, &TestDetails::output); }

void RunResults::Forget(run::TestKey key) {
    if (key < results_.size() && results_[key].progress != TestResult::Progress::Running) {
        StartAfresh(results_[key], TestResult::Progress::None);
    }
}

TestResult *RunResults::Turn(const run::TestIdentity &test) {
    if (test.key >= results_.size()) {
        return nullptr;
    }
    TestResult &result = results_[test.key];
    if (result.progress != TestResult::Progress::Running) {
        StartAfresh(result, TestResult::Progress::Running);
    }
    return &result;
}

RunTally RunResults::LatestRun() const {
    RunTally tally;
    tally.selected = latestRun_.size();
    for (const run::TestKey key : latestRun_) {
        if (key < results_.size() && HasFailed(results_[key])) {
            ++tally.failed;
        }
    }
    return tally;
}

void RunResults::RunStarted(const run::LibraryRun &run) { latestRun_ = run.selection; }

void RunResults::TestStarted(const run::TestIdentity &test) { Turn(test); }

void RunResults::CheckFailed(const run::TestIdentity &test, const run::Failure &failure) {
    if (TestResult *result = Turn(test)) {
        DetailsOf(*result).failures.push_back(failure);
    }
}

void RunResults::Output(const run::TestIdentity &test, const std::string &text) {
    if (TestResult *result = Turn(test)) {
        DetailsOf(*result).output += text;
    }
}

// The outcome's failures take the place of those told while the test ran; what it
// wrote stays.
void RunResults::TestEnded(const run::TestIdentity &test, const run::TestOutcome &outcome) {
    TestResult *result = Turn(test);
    if (result == nullptr) {
        return;
    }
    result->progress = TestResult::Progress::Ended;
    result->ending = outcome.ending;
    result->seconds = outcome.seconds;
    result->passedChecks = outcome.passedChecks;
    if (!outcome.failures.empty() || !outcome.reason.empty()) {
        TestDetails &details = DetailsOf(*result);
        details.failures = outcome.failures;
        details.reason = outcome.reason;
    } else if (result->details != nullptr) {
        result->details->failures.clear();
        result->details->reason.clear();
        if (result->details->output.empty()) {
            result->details.reset();
        }
    }
    if (outcome.checkFile != nullptr && !outcome.checkFile->empty() &&
        (result->checkFile == nullptr || *result->checkFile != *outcome.checkFile)) {
        result->checkFile = &*checkFiles_.insert(*outcome.checkFile).first;
    }
}

const std::string &CheckFileOf(const TestResult &result) {
    static const std::string none;
    return result.checkFile != nullptr ? *result.checkFile : none;
}

bool HasFailed(const TestResult &result) {
    return result.progress == TestResult::Progress::Ended &&
           (!result.Failures().empty() || run::IsFailure(result.ending));
}

std::vector<std::string> OutputLines(const std::string &output) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < output.size()) {
        const size_t end = output.find('\n', start);
        const size_t next = end == std::string::npos ? output.size() : end + 1;
        size_t length = (end == std::string::npos ? output.size() : end) - start;
        if (end != std::string::npos && length > 0 && output[end - 1] == '\r') {
            --length;
        }
        lines.push_back(output.substr(start, length));
        start = next;
    }
    return lines;
}

}  // namespace runner
