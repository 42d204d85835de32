// Runs planned steps in worker processes, up to a number at once, and reports each
// test as its worker finishes it or ends in it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "process_end.h"
#include "run_plan.h"
#include "test_outcome.h"
#include "watch_clock.h"
#include "worker_process.h"
#include "worker_protocol.h"

namespace run {

struct PoolSettings {
    unsigned jobs = 1;
    double timeoutSeconds = 0;  // 0: no limit
    // After a worker ended during a test, a new one runs the tests after it.
    bool restartAfterEnd = true;
    // The tests that expect how they end (none when empty; called from the pool's
    // threads): a new worker follows one that ended its worker whatever
    // restartAfterEnd says.
    std::function<bool(const TestRef &)> expectsEnd;
    // Workers stop after their first failed test, and after a test that expects how it
    // ends, which only the runner judges; the pool stops after the first failure.
    bool failFast = false;
    // The registry the workers must find (RegistryIndex::Fingerprint).
    std::string fingerprint;
};

// How a test ended that its worker never finished, and where in the test: its
// setups or the rest, as far as its worker's lines told (see WorkerPhases).
struct TestEnd {
    // ProtocolError: the worker said what it may not at that point, and was ended.
    enum class Kind { Died, TimedOut, Stopped, ProtocolError };
    Kind kind = Kind::Died;
    Phase phase = Phase::Test;
    ProcessEnd process;                     // Died
    std::string message;                    // ProtocolError: what came, and when
    double seconds = 0;                     // from the end of the test before, setups included
    std::vector<ReportedFailure> failures;  // made before it ended
    std::string output;                     // what it wrote before it ended
};

class WorkerPool {
public:
    // Called from the pool's threads, several at once.
    class Listener {
    public:
        // A worker said the test is about to be called, and has not finished it
        // in what it said since.
        virtual void Started(const TestRef &) {}
        virtual void Finished(TestReport &&report) = 0;
        // The reports of one reading of a worker's channel were all given: a listener
        // may pass on what Finished gave together, once a reading.
        virtual void ReadingDone() {}
        virtual void Ended(const TestRef &test, TestEnd &&end) = 0;
        // Nothing more will be reported.
        virtual void AllDone() = 0;

    protected:
        ~Listener() = default;
    };

    WorkerPool(const PoolSettings &settings, WorkerStarter starter, Listener &listener,
               WatchClock &clock = SteadyClock());
    // Stops what still runs.
    ~WorkerPool();
    WorkerPool(const WorkerPool &) = delete;
    WorkerPool &operator=(const WorkerPool &) = delete;

    // Deals the steps to up to `jobs` workers and returns at once.
    void Start(const std::vector<Step> &steps);
    // From any thread, also from a listener call: ends the running workers and
    // starts no more. The test each was in is reported as stopped.
    void Stop();
    // Waits until every worker is done.
    void Join();

    // Once joined: why workers could not run, and whether that was a time limit
    // (a test library whose loading or unloading hung).
    std::vector<std::string> Errors();
    bool TimedOutOutsideTests() const { return timedOutOutsideTests_; }

private:
    class Slot;

    std::shared_ptr<WorkerProcess> StartWorker();
    // Returns whether the pool was stopped.
    bool ForgetWorker(const std::shared_ptr<WorkerProcess> &worker);
    // Records why a worker could not run its tests; stops the pool unless asked not to.
    void Fail(const std::string &error, bool timedOut, bool stops = true);
    void SlotEnded();

    const PoolSettings settings_;
    const WorkerStarter starter_;
    Listener &listener_;
    WatchClock &clock_;
    std::mutex mutex_;  // guards workers_ and errors_; held while a worker starts
    std::condition_variable stopping_;
    std::vector<std::shared_ptr<WorkerProcess>> workers_;
    std::vector<std::string> errors_;
    std::vector<std::thread> slots_;
    std::atomic<size_t> running_{0};
    std::atomic<bool> stopped_{false};
    std::atomic<bool> timedOutOutsideTests_{false};
};

}  // namespace run
