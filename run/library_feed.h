// Feeds one library's run into the run's event stream, from what the library raises
// and what its worker processes told of tests that ended them. The library's event
// handler takes no context, so this is the one place that keeps the feed it serves.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "norvik.h"
#include "output_capture.h"
#include "remote_run.h"
#include "run_events.h"

namespace run {

class LibraryFeed final : public RemoteRunObserver {
public:
    // Becomes the feed the library's events reach, for the selected tests of index,
    // until destroyed. Sends RunStarted. The run's selection is the one given.
    LibraryFeed(const LibraryRun &run, const std::vector<TestKey> &selection, RunListener &stream);
    // Closes the turn, unless Close did.
    ~LibraryFeed();
    LibraryFeed(const LibraryFeed &) = delete;
    LibraryFeed &operator=(const LibraryFeed &) = delete;

    // Install once with NvkSetEventHandler, or call from the handler installed.
    static void NVK_CALL OnLibraryEvent(int32_t code, uint32_t value, intptr_t reserved, void *first, void *second);
    // The library's process-end handler takes no context either: installs the one
    // given with NvkSetProcessEndHandler, or removes it given none.
    static void SetProcessEndHandler(std::function<void()> handler);

    // Tests run in this process write into file: each test's output is what was
    // written there from the end of the test before it (or from now) to its own end.
    void TakeOutputFrom(CaptureFile &file) { spans_.reset(new OutputSpans(file)); }
    // Why the tests that did not end were not run, for their NotRun ending.
    void SetNotRunReason(const std::string &reason) { notRunReason_ = reason; }
    // The test in progress ends as ending, with message as its last failure, where
    // the library will not finish it: its process ends. The failure is recorded in
    // the library too, so that its report holds the test. False when none is running.
    bool EndTestInProgress(Ending ending, const std::string &message);
    // Sends NotRun for each selected test that did not end, then RunEnded; once. A
    // test whose failed try was not followed by another ends with that try. A
    // process that ends calls it itself, as no destructor will run.
    void Close();
    // Whether the test's last try failed with tries left, so that the run is to call
    // it again: the one place that decides a retry. The stream had TryFailed for it.
    bool TriesAgain(NvkTestFunction *test) const;

    void TestStarted(NvkTestFunction *test) override;
    void TestOutput(NvkTestFunction *test, const std::string &text) override;
    void TestEnded(NvkTestFunction *test, const TestEnd &end) override;

private:
    void Take(int32_t code, void *first, void *second);
    void Started(TestKey key);
    void Finished(TestKey key, NvkTestFunction *test);
    unsigned TryOf(TestKey key) const;
    // Sends the test's output, if it wrote any, before its end is told.
    void SendOutput(TestKey key);
    const TestIdentity *Identity(void *test, TestKey &key);

    const LibraryRun run_;
    RunListener &stream_;
    LibraryFeed *const outer_;
    // By key: how far the stream has told of each test in this turn.
    enum class Told : uint8_t { Nothing, Started, Ended };
    std::vector<Told> told_;
    struct RemoteEnding {
        TestEnd::Kind kind;
        Phase phase;
    };
    std::unordered_map<TestKey, RemoteEnding> remoteEndings_;
    // By key: the last failed try of each test that is to be tried again.
    std::unordered_map<TestKey, TestOutcome> failedTries_;
    std::unordered_map<TestKey, std::string> remoteOutput_;
    std::unique_ptr<OutputSpans> spans_;
    bool hasStarted_ = false;
    bool closed_ = false;
    TestKey started_ = 0;
    // The selected test the run will most likely reach next, in registration order.
    size_t next_ = 0;
    std::string notRunReason_ = "the run ended early";
};

// A finished test's account, read from the registry. A failure without a file of its
// own takes the test function's, or the library's when no check named one; one
// without any place (a crash, a timeout, a process's end) is at the test's
// definition, when known.
TestOutcome OutcomeFromRegistry(NvkTestFunction *test, const TestIdentity &identity, const std::string &libraryPath);

// The failure a library record holds, placed as OutcomeFromRegistry places it.
Failure FailureFromRegistry(NvkAssertionFailure *failure, NvkTestFunction *test, const TestIdentity &identity,
                            const std::string &libraryPath);

}  // namespace run
