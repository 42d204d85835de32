#include "run_results.h"

#include "crash_texts.h"

namespace console {
namespace {

std::string TextOf(const char *text) { return text != nullptr ? text : ""; }

}  // namespace

std::vector<std::pair<NvkTestFunction *, TestKey>> RunResults::AddRegistry(const std::string &libraryPath) {
    std::vector<std::pair<NvkTestFunction *, TestKey>> keys;
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        BatchRecord record;
        record.name = TextOf(NvkBatchGetName(batch));
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
             test = NvkTestFunctionGetNext(test)) {
            keys.emplace_back(test, TestKey(batches_.size(), record.tests.size()));
            TestRecord testRecord;
            testRecord.name = TextOf(NvkTestFunctionGetName(test));
            testRecord.outcome = NvkTestFunctionGetSkip(test) ? Outcome::NotSelected : Outcome::NotRun;
            record.tests.push_back(testRecord);
        }
        batches_.push_back(record);
        libraryOfBatch_.push_back(libraryPath);
    }
    return keys;
}

void RunResults::RecordFinished(const TestKey &key, NvkTestFunction *test, bool passed) {
    TestRecord &record = batches_[key.first].tests[key.second];
    record.outcome = passed ? Outcome::Passed : Outcome::Failed;
    NvkTestFunctionGetStatistics(test, nullptr, nullptr, &record.seconds);
    // A failure knows its line only; the file is the test's, or the library's when no
    // check named one.
    record.failures.clear();
    NvkAssertionFailure *failure = NvkTestFunctionGetFirstFailure(test);
    if (failure == nullptr) {
        return;
    }
    const char *testFile = NvkTestFunctionGetFileName(test);
    const std::string file = testFile != nullptr && testFile[0] != '\0' ? testFile : libraryOfBatch_[key.first];
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
