// The one ordered stream of a run's events. The console's printer, its reports, the
// library's XML report, the test list and the window listen to it; nothing else
// hands them results. Events come in run order, on one thread at a time.
#pragma once

#include <string>
#include <vector>

#include "registry_index.h"
#include "test_outcome.h"

namespace run {

// One library's turn in a run: its selected tests, once per repetition.
struct LibraryRun {
    std::string library;  // the path as the user gave it
    const RegistryIndex *index = nullptr;
    std::vector<TestKey> selection;  // the keys of the selected tests, in registration order
    size_t selectedTests = 0;
    unsigned repetition = 1;
    unsigned repetitions = 1;
    // How many more times a test that failed is tried in this turn.
    unsigned retries = 0;
};

// Each call has an empty default: a listener takes only what it needs.
class RunListener {
public:
    virtual ~RunListener() = default;
    virtual void RunStarted(const LibraryRun &) {}
    // The test is under way: in one process once its setups ran, in a worker as the
    // worker starts it. At most once per try of a test, before its end.
    virtual void TestStarted(const TestIdentity &) {}
    virtual void CheckFailed(const TestIdentity &, const Failure &) {}
    virtual void Output(const TestIdentity &, const std::string &) {}
    // A try of the test failed, and the test is to be tried again: its TestEnded
    // comes with a later try. The outcome's tries is the failed try's number.
    virtual void TryFailed(const TestIdentity &, const TestOutcome &) {}
    virtual void TestEnded(const TestIdentity &, const TestOutcome &) {}
    virtual void RunEnded(const LibraryRun &) {}
};

// Hands each event to every listener, in the order they were added.
class RunEvents final : public RunListener {
public:
    void Add(RunListener &listener) { listeners_.push_back(&listener); }

    void RunStarted(const LibraryRun &run) override {
        for (RunListener *listener : listeners_) {
            listener->RunStarted(run);
        }
    }
    void TestStarted(const TestIdentity &test) override {
        for (RunListener *listener : listeners_) {
            listener->TestStarted(test);
        }
    }
    void CheckFailed(const TestIdentity &test, const Failure &failure) override {
        for (RunListener *listener : listeners_) {
            listener->CheckFailed(test, failure);
        }
    }
    void Output(const TestIdentity &test, const std::string &text) override {
        for (RunListener *listener : listeners_) {
            listener->Output(test, text);
        }
    }
    void TryFailed(const TestIdentity &test, const TestOutcome &outcome) override {
        for (RunListener *listener : listeners_) {
            listener->TryFailed(test, outcome);
        }
    }
    void TestEnded(const TestIdentity &test, const TestOutcome &outcome) override {
        for (RunListener *listener : listeners_) {
            listener->TestEnded(test, outcome);
        }
    }
    void RunEnded(const LibraryRun &run) override {
        for (RunListener *listener : listeners_) {
            listener->RunEnded(run);
        }
    }

private:
    std::vector<RunListener *> listeners_;
};

}  // namespace run
