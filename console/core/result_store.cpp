#include "result_store.h"

namespace console {

std::string RepetitionLabel(const run::LibraryRun &run) {
    if (run.repetitions <= 1) {
        return std::string();
    }
    return " (repetition " + std::to_string(run.repetition) + " of " + std::to_string(run.repetitions) + ")";
}

void ResultStore::RunStarted(const run::LibraryRun &run) {
    places_.assign(run.index->size(), StoredTest());
    const std::string label = RepetitionLabel(run);
    size_t batchOfLast = SIZE_MAX;
    for (const run::TestKey key : run.selection) {
        const run::TestIdentity &test = (*run.index)[key];
        if (test.ref.batch != batchOfLast) {
            batchOfLast = test.ref.batch;
            batches_.emplace_back();
            batches_.back().name = test.batch;
            batches_.back().repetition = label;
            batches_.back().tests.reserve(run.index->BatchSize(test.ref.batch));
        }
        BatchRecord &batch = batches_.back();
        places_[key] = {static_cast<uint32_t>(batches_.size() - 1), static_cast<uint32_t>(batch.tests.size())};
        batch.tests.emplace_back();
        batch.tests.back().test = &test;
    }
}

void ResultStore::TryFailed(const run::TestIdentity &test, const run::TestOutcome &outcome) {
    const StoredTest place = places_[test.key];
    batches_[place.batch].tests[place.test].failedTries.push_back(outcome);
}

void ResultStore::Output(const run::TestIdentity &test, const std::string &text) {
    const StoredTest place = places_[test.key];
    batches_[place.batch].tests[place.test].output += text;
}

// Most outcomes have no failures and no reason, and most stored ones none yet: what is
// empty on both sides is left alone rather than assigned, once per test.
void ResultStore::TestEnded(const run::TestIdentity &test, const run::TestOutcome &outcome) {
    const StoredTest place = places_[test.key];
    run::TestOutcome &stored = batches_[place.batch].tests[place.test].outcome;
    stored.ending = outcome.ending;
    stored.phase = outcome.phase;
    stored.seconds = outcome.seconds;
    if (!outcome.failures.empty() || !stored.failures.empty()) {
        stored.failures = outcome.failures;
    }
    if (!outcome.reason.empty() || !stored.reason.empty()) {
        stored.reason = outcome.reason;
    }
    stored.tries = outcome.tries;
    stored.passedChecks = outcome.passedChecks;
    if (stored.checkFile != outcome.checkFile) {
        stored.checkFile = outcome.checkFile;
    }
}

void ResultStore::AddRegistrationErrors(const std::string &libraryPath, const std::vector<std::string> &errors) {
    if (errors.empty()) {
        return;
    }
    BatchRecord record;
    record.name = libraryPath;
    record.registrationErrors = errors;
    batches_.push_back(std::move(record));
}

std::string ResultStore::FullName(const StoredTest &place) const {
    const BatchRecord &batch = batches_[place.batch];
    return batch.name + "." + std::string(batch.tests[place.test].test->name) + batch.repetition;
}

run::Counts ResultStore::Count() const {
    run::Counts counts;
    for (const BatchRecord &batch : batches_) {
        for (const TestRecord &test : batch.tests) {
            counts.Add(test.outcome);
        }
    }
    return counts;
}

unsigned ResultStore::RegistrationErrorCount() const {
    unsigned count = 0;
    for (const BatchRecord &batch : batches_) {
        count += batch.registrationErrors.empty() ? 0 : 1;
    }
    return count;
}

std::vector<std::string> ResultStore::FailedTests() const {
    std::vector<std::string> names;
    for (uint32_t batch = 0; batch < batches_.size(); ++batch) {
        for (uint32_t test = 0; test < batches_[batch].tests.size(); ++test) {
            if (run::IsFailure(batches_[batch].tests[test].outcome.ending)) {
                names.push_back(FullName({batch, test}));
            }
        }
    }
    return names;
}

std::vector<std::string> ResultStore::FlakyTests() const {
    std::vector<std::string> names;
    for (uint32_t batch = 0; batch < batches_.size(); ++batch) {
        for (uint32_t test = 0; test < batches_[batch].tests.size(); ++test) {
            const run::TestOutcome &outcome = batches_[batch].tests[test].outcome;
            if (run::IsFlaky(outcome)) {
                names.push_back(FullName({batch, test}) + ": passed on try " + std::to_string(outcome.tries));
            }
        }
    }
    return names;
}

}  // namespace console
