#include "run_results.h"

#include "crash_texts.h"

namespace console {
namespace {

std::string TextOf(const char *text) { return text != nullptr ? text : ""; }

}  // namespace

void RunResults::AddRegistry(const std::string &libraryPath) { AddBatches(libraryPath, false); }

void RunResults::AddRegistryAfterRun(const std::string &libraryPath) { AddBatches(libraryPath, true); }

void RunResults::AddBatches(const std::string &libraryPath, bool withResults) {
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        BatchRecord record;
        record.name = TextOf(NvkBatchGetName(batch));
        record.tests.reserve(NvkBatchGetCount(batch));
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
             test = NvkTestFunctionGetNext(test)) {
            record.tests.emplace_back();
            TestRecord &testRecord = record.tests.back();
            testRecord.name = TextOf(NvkTestFunctionGetName(test));
            if (NvkTestFunctionGetSkip(test) != 0) {
                testRecord.outcome = Outcome::NotSelected;
            } else if (withResults && NvkTestFunctionGetStatistics(test, nullptr, nullptr, nullptr) != 0) {
                CopyFinishedTest(test, libraryPath, testRecord);
            }
        }
        batches_.push_back(std::move(record));
        libraryOfBatch_.push_back(libraryPath);
    }
}

void RunResults::RecordFinished(const TestKey &key, NvkTestFunction *test) {
    CopyFinishedTest(test, libraryOfBatch_[key.first], batches_[key.first].tests[key.second]);
}

void CopyFinishedTest(NvkTestFunction *test, const std::string &libraryPath, TestRecord &record) {
    NvkTestFunctionGetStatistics(test, nullptr, nullptr, &record.seconds);
    record.failures.clear();
    NvkAssertionFailure *failure = NvkTestFunctionGetFirstFailure(test);
    record.outcome = failure == nullptr ? Outcome::Passed : Outcome::Failed;
    if (failure == nullptr) {
        return;
    }
    const char *testFile = NvkTestFunctionGetFileName(test);
    const std::string file = testFile != nullptr && testFile[0] != '\0' ? testFile : libraryPath;
    for (; failure != nullptr; failure = NvkAssertionFailureGetNext(failure)) {
        FailureRecord failureRecord;
        failureRecord.file = file;
        failureRecord.line = NvkAssertionFailureGetLineNumber(failure);
        failureRecord.message = TextOf(NvkAssertionFailureGetMessage(failure));
        failureRecord.crash = nvk::IsCrashFailure(failureRecord.line, failureRecord.message.c_str());
        record.failures.push_back(failureRecord);
    }
}

void RunResults::RecordTimeout(const TestKey &key, double seconds, const std::string &message) {
    RecordEnding(key, Outcome::TimedOut, seconds, message, false);
}

void RunResults::RecordReported(const TestKey &key, const TestRecord &reported) {
    TestRecord &record = batches_[key.first].tests[key.second];
    record.outcome = reported.outcome;
    record.seconds = reported.seconds;
    record.failures = reported.failures;
}

void RunResults::RecordCrash(const TestKey &key, double seconds, const std::string &message) {
    RecordEnding(key, Outcome::Failed, seconds, message, true);
}

// The runner, not the library, saw this test end: its failure names the test library.
void RunResults::RecordEnding(const TestKey &key, Outcome outcome, double seconds, const std::string &message,
                              bool crash) {
    TestRecord &record = batches_[key.first].tests[key.second];
    record.outcome = outcome;
    record.seconds = seconds;
    FailureRecord failure;
    failure.file = libraryOfBatch_[key.first];
    failure.message = message;
    failure.crash = crash;
    record.failures.push_back(failure);
}

std::string RunResults::FullName(const TestKey &key) const {
    return batches_[key.first].name + "." + batches_[key.first].tests[key.second].name;
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
    case Outcome::NotSelected:
    case Outcome::NotRun:
        ++skipped;
        break;
    }
}

Counts RunResults::Count() const {
    Counts counts;
    for (const BatchRecord &batch : batches_) {
        for (const TestRecord &test : batch.tests) {
            counts.Add(test);
        }
    }
    return counts;
}

std::vector<std::string> RunResults::FailedTests() const {
    std::vector<std::string> names;
    for (size_t batch = 0; batch < batches_.size(); ++batch) {
        for (size_t test = 0; test < batches_[batch].tests.size(); ++test) {
            const Outcome outcome = batches_[batch].tests[test].outcome;
            if (outcome == Outcome::Failed || outcome == Outcome::TimedOut) {
                names.push_back(FullName({batch, test}));
            }
        }
    }
    return names;
}

}  // namespace console
