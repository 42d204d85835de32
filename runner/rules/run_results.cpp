// The window's copies of each test's identity, ending and output.
#include "rules/run_results.h"

namespace runner {

void RunResults::Follow(std::shared_ptr<const run::RegistryIndex> index) {
    const bool sameTests =
        index_ != nullptr && index->Fingerprint() == index_->Fingerprint() && index->size() == results_.size();
    if (!sameTests) {
        results_.assign(index->size(), TestResult());
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
}

void RunResults::Forget(run::TestKey key) {
    if (key < results_.size() && results_[key].progress != TestResult::Progress::Running) {
        TestResult &result = results_[key];
        result.progress = TestResult::Progress::None;
        result.outcome = run::TestOutcome();
        result.output.clear();
    }
}

TestResult *RunResults::Turn(const run::TestIdentity &test) {
    if (test.key >= results_.size()) {
        return nullptr;
    }
    TestResult &result = results_[test.key];
    if (result.progress != TestResult::Progress::Running) {
        result.progress = TestResult::Progress::Running;
        result.outcome = run::TestOutcome();
        result.output.clear();
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
        result->outcome.failures.push_back(failure);
    }
}

void RunResults::Output(const run::TestIdentity &test, const std::string &text) {
    if (TestResult *result = Turn(test)) {
        result->output += text;
    }
}

void RunResults::TestEnded(const run::TestIdentity &test, const run::TestOutcome &outcome) {
    if (TestResult *result = Turn(test)) {
        result->outcome = outcome;
        result->progress = TestResult::Progress::Ended;
        if (outcome.checkFile != nullptr && !outcome.checkFile->empty()) {
            result->checkFile = outcome.checkFile;
        }
    }
}

const std::string &CheckFileOf(const TestResult &result) {
    static const std::string none;
    return result.checkFile != nullptr ? *result.checkFile : none;
}

bool HasFailed(const TestResult &result) {
    return result.progress == TestResult::Progress::Ended &&
           (!result.outcome.failures.empty() || run::IsFailure(result.outcome.ending));
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
