#include "plan_runner.h"

#include <atomic>
#include <mutex>

namespace run {
namespace {

// The request's index, or one made for it: a plain run of every batch in this
// process needs none, and makes none.
class IndexOfRequest {
public:
    explicit IndexOfRequest(const RunRequest &request) : given_(request.index) {}
    const RegistryIndex &Get() const {
        if (given_ == nullptr && !made_) {
            own_ = RegistryIndex::OfLoadedLibrary();
            made_ = true;
        }
        return given_ != nullptr ? *given_ : own_;
    }

private:
    const RegistryIndex *given_;
    mutable RegistryIndex own_;
    mutable bool made_ = false;
};

// The steps workers follow for the request, by the skip flags of the loaded registry.
std::vector<Step> StepsOf(const RunRequest &request, const RegistryIndex &index) {
    switch (request.kind) {
    case RunRequest::Kind::AllBatches:
        return PlanSteps(index.Selected(), false);
    case RunRequest::Kind::OneBatch:
        return PlanSteps(index.Selected(request.batch), false);
    case RunRequest::Kind::EachAlone:
        break;
    }
    return PlanSteps(request.tests, true);
}

// What a run of each test alone asks between tests.
struct TestGate {
    // No test from here on is started.
    std::function<bool()> ended;
    // This test is started; later ones may be although it is not.
    std::function<bool(const TestRef &)> mayStart;
    // The test that started finished, passed or not, after its last try.
    std::function<void(bool passed)> finished;
    // The test is to be tried again: false when the run cannot.
    std::function<bool(const TestRef &)> again;
};

// The library calls of a request; each test alone stops between tests once asked.
void CallLibrary(const RunRequest &request, const IndexOfRequest &index, const TestGate &gate) {
    switch (request.kind) {
    case RunRequest::Kind::AllBatches:
        NvkBatchRun(nullptr);
        return;
    case RunRequest::Kind::OneBatch:
        NvkBatchRun(request.batch);
        return;
    case RunRequest::Kind::EachAlone:
        break;
    }
    for (const TestRef &test : request.tests) {
        if (gate.ended()) {
            return;
        }
        if (!gate.mayStart(test)) {
            continue;
        }
        NvkTestFunction *function = index.Get().Function(test);
        bool passed = NvkTestFunctionRun(function) != 0;
        while (request.triesAgain && request.triesAgain(function) && gate.again(test)) {
            passed = NvkTestFunctionRun(function) != 0;
        }
        gate.finished(passed);
    }
}

// A Stop that comes before a run holds for it: each run takes the stops before its end.
// Tests that expect how they end are run by an executor of their own, which a run
// of none leaves out.
class InProcess final : public PlanRunner {
public:
    InProcess(bool stopAtFailure, const OwnWorkers &ownWorkers)
        : stopAtFailure_(stopAtFailure), ownWorkers_(ownWorkers) {}

    PlanOutcome Run(const RunRequest &request) override {
        bool failed = false;
        const IndexOfRequest index(request);
        std::unique_ptr<ExpectedEndExecutor> executor;
        if (ExpectedEndExecutor::Needed()) {
            executor.reset(new ExpectedEndExecutor(ownWorkers_));
            executor->Install(index.Get());
        }
        Attach(executor.get());
        CallLibrary(
            request, index,
            {[this, &failed] { return stopped_ || (stopAtFailure_ && failed); }, [](const TestRef &) { return true; },
             [&failed](bool passed) { failed = failed || !passed; }, [this](const TestRef &) { return !stopped_; }});
        Attach(nullptr);
        stopped_ = false;
        return PlanOutcome();
    }
    void Stop() override {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
        if (executor_ != nullptr) {
            executor_->Stop();
        }
    }

private:
    void Attach(ExpectedEndExecutor *executor) {
        std::lock_guard<std::mutex> lock(mutex_);
        executor_ = executor;
        if (executor_ != nullptr && stopped_) {
            executor_->Stop();
        }
    }

    const bool stopAtFailure_;
    const OwnWorkers ownWorkers_;
    std::atomic<bool> stopped_{false};
    std::mutex mutex_;  // Stop may come from another thread
    ExpectedEndExecutor *executor_ = nullptr;
};

class InWorkers final : public PlanRunner {
public:
    InWorkers(const PoolSettings &settings, WorkerStarter starter, DeliveryWait &wait, RemoteRunObserver *observer)
        : settings_(settings), starter_(std::move(starter)), wait_(wait), observer_(observer) {}

    // Every test a worker finished or ended is replayed in the plan's order, also one
    // that a failure in a later batch cut short before it; those the workers never
    // ran or a fail-fast stop took are not run. A failed try is no failure of the
    // run yet: with tries, fail-fast waits for a test's last, here rather than in
    // the workers.
    PlanOutcome Run(const RunRequest &request) override {
        if (TakeEarlyStop()) {
            return PlanOutcome();
        }
        const IndexOfRequest index(request);
        PoolSettings settings = settings_;
        settings.fingerprint = index.Get().Fingerprint();
        const bool stopAtFailure = settings.failFast && request.triesAgain;
        settings.failFast = settings.failFast && !stopAtFailure;
        std::unique_ptr<RemoteRun> remote(new RemoteRun(settings, starter_, wait_, observer_));
        PlanOutcome outcome;
        if (!remote->Start(StepsOf(request, index.Get()), index.Get())) {
            outcome.errors.push_back("a run is in progress");
        } else {
            Attach(remote.get());
            bool failed = false;
            CallLibrary(
                request, index,
                {[&remote, &failed, stopAtFailure] { return remote->EndedTheRun() || (stopAtFailure && failed); },
                 [&remote](const TestRef &test) { return remote->WillRun(test); },
                 [&failed](bool passed) { failed = failed || !passed; },
                 [&remote](const TestRef &test) { return remote->RunAgain(test); }});
        }
        const RemoteOutcome ended = remote->Finish();
        Attach(nullptr);
        outcome.errors.insert(outcome.errors.end(), ended.errors.begin(), ended.errors.end());
        outcome.timedOutOutsideTests = ended.timedOutOutsideTests;
        return outcome;
    }

    void Stop() override {
        std::lock_guard<std::mutex> lock(mutex_);
        stopAsked_ = true;
        if (remote_ != nullptr) {
            remote_->Stop();
        }
    }

private:
    // A stop asked before the run starts no worker.
    bool TakeEarlyStop() {
        std::lock_guard<std::mutex> lock(mutex_);
        const bool stopped = stopAsked_;
        stopAsked_ = false;
        return stopped;
    }

    // A stop asked while the workers started reaches the run once it is attached;
    // detaching ends what the run took.
    void Attach(RemoteRun *remote) {
        std::lock_guard<std::mutex> lock(mutex_);
        remote_ = remote;
        if (remote_ == nullptr) {
            stopAsked_ = false;
        } else if (stopAsked_) {
            remote_->Stop();
        }
    }

    const PoolSettings settings_;
    const WorkerStarter starter_;
    DeliveryWait &wait_;
    RemoteRunObserver *const observer_;
    std::mutex mutex_;  // Stop may come from another thread
    RemoteRun *remote_ = nullptr;
    bool stopAsked_ = false;
};

}  // namespace

std::unique_ptr<PlanRunner> InProcessRunner(bool stopAtFailure, const OwnWorkers &ownWorkers) {
    return std::unique_ptr<PlanRunner>(new InProcess(stopAtFailure, ownWorkers));
}

std::unique_ptr<PlanRunner> WorkerRunner(const PoolSettings &settings, WorkerStarter starter, DeliveryWait &wait,
                                         RemoteRunObserver *observer) {
    return std::unique_ptr<PlanRunner>(new InWorkers(settings, std::move(starter), wait, observer));
}

}  // namespace run
