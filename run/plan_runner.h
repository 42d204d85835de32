// Carries out what a runner asks the library to run, in its own process or in
// worker processes. Either way the library of this process runs the same tests in
// the same order, raises the same events and keeps the records; the workers only
// take the user code out of this process.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "expected_end_executor.h"
#include "norvik.h"
#include "registry_index.h"
#include "remote_run.h"
#include "run_plan.h"

namespace run {

// What the library is asked to run: every batch or one, over the skip flags, or the
// given tests each on its own, in their order, so that the run can stop between
// any two of them.
struct RunRequest {
    enum class Kind { AllBatches, OneBatch, EachAlone };
    Kind kind = Kind::AllBatches;
    NvkBatch *batch = nullptr;   // OneBatch
    std::vector<TestRef> tests;  // EachAlone, by their places in the registry
    // The loaded registry's index, where the caller keeps one; else the run makes its own.
    const RegistryIndex *index = nullptr;
    // EachAlone: whether a test just run is to be tried again (LibraryFeed::TriesAgain).
    // It is, unless the run was stopped, at once, with workers in a worker of its own.
    // With fail-fast the run stops only at a test whose tries are spent.
    std::function<bool(NvkTestFunction *)> triesAgain;
};

struct PlanOutcome {
    std::vector<std::string> errors;  // why the tests could not be run
    bool timedOutOutsideTests = false;
};

class PlanRunner {
public:
    virtual ~PlanRunner() = default;
    virtual PlanOutcome Run(const RunRequest &request) = 0;
    // From the run's thread or, with workers, any other: no test starts after the
    // one in progress; with workers that one fails as stopped unless it finished.
    // A stop before a run stops that run.
    virtual void Stop() = 0;
};

// Calls the library as it is: user code runs in this process, but for the tests that
// expect how they end and must not end it, which run each in a worker process of its
// own from ownWorkers. With stopAtFailure a run of each test alone starts no test
// after one that failed.
std::unique_ptr<PlanRunner> InProcessRunner(bool stopAtFailure = false, const OwnWorkers &ownWorkers = OwnWorkers());

// The same library calls, with the user code in worker processes started by starter;
// the settings' fingerprint is taken from the registry at each run. The settings'
// failFast stops the run at the first failure a worker reports.
std::unique_ptr<PlanRunner> WorkerRunner(const PoolSettings &settings, WorkerStarter starter, DeliveryWait &wait,
                                         RemoteRunObserver *observer = nullptr);

}  // namespace run
