#include "library_feed.h"

#include <cstring>
#include <memory>

#include "crash_texts.h"
#include "library_text.h"

namespace run {
namespace {

LibraryFeed *activeFeed = nullptr;
std::function<void()> processEndHandler;

void NVK_CALL OnProcessEnd() {
    if (processEndHandler) {
        processEndHandler();
    }
}

// The phase a crash record's fixed text names.
Phase PhaseOfCrash(const std::string &message) {
    if (message == nvk::kBatchSetupCrash) {
        return Phase::BatchSetup;
    }
    if (message == nvk::kTestSetupCrash) {
        return Phase::TestSetup;
    }
    if (message == nvk::kTestTearDownCrash) {
        return Phase::TestTearDown;
    }
    if (message == nvk::kBatchTearDownCrash) {
        return Phase::BatchTearDown;
    }
    return Phase::Test;
}

Ending EndingOfRemote(TestEnd::Kind kind) {
    switch (kind) {
    case TestEnd::Kind::TimedOut:
        return Ending::TimedOut;
    case TestEnd::Kind::Stopped:
        return Ending::Stopped;
    case TestEnd::Kind::ProtocolError:
        return Ending::Failed;
    case TestEnd::Kind::Died:
        break;
    }
    return Ending::ProcessEnded;
}

}  // namespace

Failure FailureFromRegistry(NvkAssertionFailure *failure, NvkTestFunction *test, const TestIdentity &identity,
                            const std::string &libraryPath) {
    Failure shown;
    const char *file = NvkAssertionFailureGetFileName(failure);
    const char *testFile = NvkTestFunctionGetFileName(test);
    shown.file = file != nullptr ? file : (testFile != nullptr && testFile[0] != '\0' ? testFile : libraryPath);
    shown.line = NvkAssertionFailureGetLineNumber(failure);
    shown.message = TextOf(NvkAssertionFailureGetMessage(failure));
    shown.crash = nvk::IsCrashFailure(shown.line, shown.message.c_str());
    shown.crashDetails = TextOf(NvkAssertionFailureGetCrashDetails(failure));
    if (file == nullptr && shown.line == 0 && !identity.file.empty()) {
        shown.file = identity.file;
        shown.line = identity.line;
        shown.atDefinition = true;
    }
    return shown;
}

// The tests whose checks are in one file mostly follow each other, so the file of
// the last one is shared rather than copied for each test.
std::shared_ptr<const std::string> SharedCheckFile(const char *file) {
    thread_local std::shared_ptr<const std::string> last;
    if (file == nullptr) {
        return nullptr;
    }
    if (last == nullptr || std::strcmp(last->c_str(), file) != 0) {
        last = std::make_shared<const std::string>(file);
    }
    return last;
}

TestOutcome OutcomeFromRegistry(NvkTestFunction *test, const TestIdentity &identity, const std::string &libraryPath) {
    TestOutcome outcome;
    NvkTestFunctionGetStatistics(test, &outcome.passedChecks, nullptr, &outcome.seconds);
    outcome.checkFile = SharedCheckFile(NvkTestFunctionGetFileName(test));
    for (NvkAssertionFailure *failure = NvkTestFunctionGetFirstFailure(test); failure != nullptr;
         failure = NvkAssertionFailureGetNext(failure)) {
        outcome.failures.push_back(FailureFromRegistry(failure, test, identity, libraryPath));
    }
    const char *skipReason = NvkTestFunctionGetSkipReason(test);
    if (outcome.failures.empty()) {
        outcome.ending = skipReason != nullptr ? Ending::Skipped : Ending::Passed;
        if (skipReason != nullptr) {
            outcome.reason = skipReason;
        }
        return outcome;
    }
    outcome.ending = Ending::Failed;
    for (const Failure &failure : outcome.failures) {
        if (failure.crash) {
            outcome.ending = Ending::Crashed;
            outcome.phase = PhaseOfCrash(failure.message);
            break;
        }
    }
    return outcome;
}

namespace {

LibraryRun WithSelection(LibraryRun run, const std::vector<TestKey> &selection) {
    run.selection = selection;
    return run;
}

}  // namespace

LibraryFeed::LibraryFeed(const LibraryRun &run, const std::vector<TestKey> &selection, RunListener &stream)
    : run_(WithSelection(run, selection)),
      stream_(stream),
      outer_(activeFeed),
      told_(run.index->size(), Told::Nothing) {
    activeFeed = this;
    stream_.RunStarted(run_);
}

LibraryFeed::~LibraryFeed() {
    activeFeed = outer_;
    Close();
}

void LibraryFeed::Close() {
    if (closed_) {
        return;
    }
    closed_ = true;
    TestOutcome notRun;
    notRun.reason = notRunReason_;
    for (const TestKey key : run_.selection) {
        if (told_[key] != Told::Ended) {
            const auto failedTry = failedTries_.find(key);
            stream_.TestEnded((*run_.index)[key], failedTry != failedTries_.end() ? failedTry->second : notRun);
        }
    }
    stream_.RunEnded(run_);
}

void LibraryFeed::SetProcessEndHandler(std::function<void()> handler) {
    processEndHandler = std::move(handler);
    NvkSetProcessEndHandler(processEndHandler ? &OnProcessEnd : nullptr);
}

// Most events (a passed check, resets) tell the stream nothing, and are let go first.
void NVK_CALL LibraryFeed::OnLibraryEvent(int32_t code, uint32_t, intptr_t, void *first, void *second) {
    const bool told =
        code == NvkEventTestFunctionStarted || code == NvkEventAssertFailed || code == NvkEventTestFunctionFinished;
    if (told && activeFeed != nullptr) {
        activeFeed->Take(code, first, second);
    }
}

// A run in registration order reaches each test as it started the one before, and then
// the next selected one: these are found without a search.
const TestIdentity *LibraryFeed::Identity(void *test, TestKey &key) {
    NvkTestFunction *function = static_cast<NvkTestFunction *>(test);
    if (function == nullptr) {
        return nullptr;
    }
    const RegistryIndex &index = *run_.index;
    if (hasStarted_ && index.Function(started_) == function) {
        key = started_;
    } else if (next_ < run_.selection.size() && index.Function(run_.selection[next_]) == function) {
        key = run_.selection[next_++];
    } else if (!index.Find(function, key)) {
        return nullptr;
    }
    return &index[key];
}

void LibraryFeed::Take(int32_t code, void *first, void *second) {
    TestKey key = 0;
    switch (code) {
    case NvkEventTestFunctionStarted:
        if (Identity(second, key) != nullptr) {
            Started(key);
        }
        break;
    case NvkEventAssertFailed:
        if (const TestIdentity *identity = Identity(first, key)) {
            stream_.CheckFailed(*identity,
                                FailureFromRegistry(static_cast<NvkAssertionFailure *>(second),
                                                    static_cast<NvkTestFunction *>(first), *identity, run_.library));
        }
        break;
    case NvkEventTestFunctionFinished:
        if (Identity(second, key) != nullptr) {
            Finished(key, static_cast<NvkTestFunction *>(second));
        }
        break;
    default:
        break;
    }
}

// A worker's word that a test started comes before the library replays it, and a
// worker may tell of the next test before the library replayed this one.
void LibraryFeed::Started(TestKey key) {
    hasStarted_ = true;
    started_ = key;
    if (told_[key] != Told::Nothing) {
        return;
    }
    told_[key] = Told::Started;
    stream_.TestStarted((*run_.index)[key]);
}

// A test that ended with its process was accounted for already. A failed try with
// tries left, but for a stop, leaves the test to be tried again.
void LibraryFeed::Finished(TestKey key, NvkTestFunction *test) {
    if (told_[key] == Told::Ended) {
        return;
    }
    Started(key);
    hasStarted_ = false;
    TestOutcome outcome = OutcomeFromRegistry(test, (*run_.index)[key], run_.library);
    // Only workers tell of endings; a run in this process has none to look up.
    const auto remote = remoteEndings_.empty() ? remoteEndings_.end() : remoteEndings_.find(key);
    if (remote != remoteEndings_.end()) {
        outcome.ending = EndingOfRemote(remote->second.kind);
        outcome.phase = remote->second.phase;
        remoteEndings_.erase(remote);
    }
    outcome.tries = TryOf(key);
    SendOutput(key);
    if (IsFailure(outcome.ending) && outcome.ending != Ending::Stopped && outcome.tries <= run_.retries) {
        told_[key] = Told::Nothing;
        failedTries_[key] = outcome;
        stream_.TryFailed((*run_.index)[key], outcome);
        return;
    }
    if (!failedTries_.empty()) {
        failedTries_.erase(key);
    }
    told_[key] = Told::Ended;
    stream_.TestEnded((*run_.index)[key], outcome);
}

unsigned LibraryFeed::TryOf(TestKey key) const {
    if (failedTries_.empty()) {
        return 1;
    }
    const auto failedTry = failedTries_.find(key);
    return failedTry != failedTries_.end() ? failedTry->second.tries + 1 : 1;
}

bool LibraryFeed::TriesAgain(NvkTestFunction *test) const {
    TestKey key = 0;
    return run_.index->Find(test, key) && told_[key] != Told::Ended && failedTries_.count(key) != 0;
}

void LibraryFeed::SendOutput(TestKey key) {
    // Only workers tell of output; a run in this process has none to look up, and a
    // test that printed nothing costs the capture one position query.
    std::string text;
    if (!remoteOutput_.empty()) {
        const auto remote = remoteOutput_.find(key);
        if (remote != remoteOutput_.end()) {
            text.swap(remote->second);
            remoteOutput_.erase(remote);
        }
    }
    if (spans_) {
        if (text.empty()) {
            text = spans_->TakeAll();
        } else {
            text += spans_->TakeAll();
        }
    }
    if (!text.empty()) {
        stream_.Output((*run_.index)[key], text);
    }
}

void LibraryFeed::TestStarted(NvkTestFunction *test) {
    TestKey key = 0;
    if (Identity(test, key) != nullptr) {
        Started(key);
    }
}

void LibraryFeed::TestOutput(NvkTestFunction *test, const std::string &text) {
    TestKey key = 0;
    if (Identity(test, key) != nullptr) {
        remoteOutput_[key] += text;
    }
}

void LibraryFeed::TestEnded(NvkTestFunction *test, const TestEnd &end) {
    TestKey key = 0;
    if (Identity(test, key) != nullptr) {
        remoteEndings_[key] = {end.kind, end.phase};
    }
}

bool LibraryFeed::EndTestInProgress(Ending ending, const std::string &message) {
    NvkTestFunction *current = NvkTestFunctionGetCurrent();
    TestKey key = 0;
    const TestIdentity *identity = Identity(current, key);
    if (identity == nullptr) {
        return false;
    }
    Started(key);
    NvkAssert(0, nullptr, 0, "%s", message.c_str());
    TestOutcome outcome = OutcomeFromRegistry(current, *identity, run_.library);
    if (!outcome.failures.empty()) {
        outcome.failures.back().crash = true;
    }
    outcome.ending = ending;
    outcome.reason = message;
    outcome.tries = TryOf(key);
    failedTries_.erase(key);
    SendOutput(key);
    told_[key] = Told::Ended;
    stream_.TestEnded(*identity, outcome);
    return true;
}

}  // namespace run
