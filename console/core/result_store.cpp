#include "result_store.h"

#include "crash_texts.h"

namespace console {
namespace {

std::string TextOf(const char *text) { return text != nullptr ? text : ""; }

// A failure without a place of its own is shown where the test is, so that editors
// and CI annotations can open it there.
void PlaceAtTest(const TestRecord &test, FailureRecord &failure) {
    if (!test.sourceFile.empty()) {
        failure.file = test.sourceFile;
        failure.line = test.sourceLine;
    }
}

}  // namespace

std::string ShownMessage(const FailureRecord &failure) {
    return failure.crashDetails.empty() ? failure.message : failure.message + ": " + failure.crashDetails;
}

std::vector<NvkTestFunction *> ResultStore::AddSelection(const std::string &libraryPath,
                                                         const std::string &repetition) {
    std::vector<NvkTestFunction *> selected;
    selectedKeys_.clear();
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        BatchRecord record;
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
             test = NvkTestFunctionGetNext(test)) {
            if (NvkTestFunctionGetSkip(test) != 0) {
                continue;
            }
            selectedKeys_.push_back(
                {static_cast<uint32_t>(batches_.size()), static_cast<uint32_t>(record.tests.size())});
            record.tests.emplace_back();
            record.tests.back().name = TextOf(NvkTestFunctionGetName(test));
            record.tests.back().sourceFile = TextOf(NvkTestFunctionGetSourceFile(test));
            record.tests.back().sourceLine = NvkTestFunctionGetSourceLine(test);
            selected.push_back(test);
        }
        if (!record.tests.empty()) {
            record.name = TextOf(NvkBatchGetName(batch)) + repetition;
            batches_.push_back(std::move(record));
            libraryOfBatch_.push_back(libraryPath);
        }
    }
    return selected;
}

void ResultStore::RecordFinished(const TestRef &key, NvkTestFunction *test) {
    CopyFinishedTest(test, libraryOfBatch_[key.batch], Record(key));
}

void CopyFinishedTest(NvkTestFunction *test, const std::string &libraryPath, TestRecord &record) {
    NvkTestFunctionGetStatistics(test, nullptr, nullptr, &record.seconds);
    record.failures.clear();
    NvkAssertionFailure *failure = NvkTestFunctionGetFirstFailure(test);
    record.outcome = failure == nullptr ? Outcome::Passed : Outcome::Failed;
    const char *skipReason = NvkTestFunctionGetSkipReason(test);
    record.skipReason = TextOf(skipReason);
    if (skipReason != nullptr) {
        record.outcome = Outcome::Skipped;
    }
    if (failure == nullptr) {
        return;
    }
    const char *testFile = NvkTestFunctionGetFileName(test);
    const std::string fallback = testFile != nullptr && testFile[0] != '\0' ? testFile : libraryPath;
    for (; failure != nullptr; failure = NvkAssertionFailureGetNext(failure)) {
        FailureRecord failureRecord;
        const char *file = NvkAssertionFailureGetFileName(failure);
        failureRecord.file = file != nullptr ? file : fallback;
        failureRecord.line = NvkAssertionFailureGetLineNumber(failure);
        failureRecord.message = TextOf(NvkAssertionFailureGetMessage(failure));
        failureRecord.crash = nvk::IsCrashFailure(failureRecord.line, failureRecord.message.c_str());
        failureRecord.crashDetails = TextOf(NvkAssertionFailureGetCrashDetails(failure));
        if (file == nullptr && failureRecord.line == 0) {
            PlaceAtTest(record, failureRecord);
        }
        record.failures.push_back(failureRecord);
    }
}

void ResultStore::AddRegistrationErrors(const std::string &libraryPath) {
    BatchRecord record;
    for (uint32_t index = 0; index < NvkRegistrationGetErrorCount(); ++index) {
        record.registrationErrors.push_back(TextOf(NvkRegistrationGetError(index)));
    }
    if (!record.registrationErrors.empty()) {
        record.name = libraryPath;
        batches_.push_back(std::move(record));
        libraryOfBatch_.push_back(libraryPath);
    }
}

void ResultStore::MarkTimedOut(const TestRef &key) { Record(key).outcome = Outcome::TimedOut; }

void ResultStore::MarkProcessEnded(const TestRef &key) {
    TestRecord &record = Record(key);
    if (!record.failures.empty()) {
        record.failures.back().crash = true;
    }
}

void ResultStore::RecordProcessEnd(const TestRef &key, NvkTestFunction *test) {
    RecordFinished(key, test);
    MarkProcessEnded(key);
}

std::string ResultStore::FullName(const TestRef &key) const {
    return batches_[key.batch].name + "." + batches_[key.batch].tests[key.test].name;
}

void Counts::Add(const TestRecord &test) {
    seconds += test.seconds;
    switch (test.outcome) {
    case Outcome::Passed:
        ++passed;
        break;
    case Outcome::Failed:
    case Outcome::TimedOut:
        ++failed;
        break;
    case Outcome::NotRun:
        ++notRun;
        break;
    case Outcome::Skipped:
        ++skipped;
        break;
    }
}

Counts ResultStore::Count() const {
    Counts counts;
    for (const BatchRecord &batch : batches_) {
        for (const TestRecord &test : batch.tests) {
            counts.Add(test);
        }
        counts.errors += batch.registrationErrors.empty() ? 0 : 1;
    }
    return counts;
}

std::vector<std::string> ResultStore::FailedTests() const {
    std::vector<std::string> names;
    for (uint32_t batch = 0; batch < batches_.size(); ++batch) {
        for (uint32_t test = 0; test < batches_[batch].tests.size(); ++test) {
            const Outcome outcome = batches_[batch].tests[test].outcome;
            if (outcome == Outcome::Failed || outcome == Outcome::TimedOut) {
                names.push_back(FullName({batch, test}));
            }
        }
    }
    return names;
}

}  // namespace console
