#include "plan_runner.h"

#include <atomic>

#include "registry_fingerprint.h"

namespace run {
namespace {

// The selected tests of the batch, or of every batch given nullptr, in registration order.
std::vector<TestRef> SelectedTests(NvkBatch *only) {
    std::vector<TestRef> selected;
    uint32_t batchIndex = 0;
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch), ++batchIndex) {
        if (only != nullptr && batch != only) {
            continue;
        }
        uint32_t place = 0;
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
             test = NvkTestFunctionGetNext(test), ++place) {
            if (NvkTestFunctionGetSkip(test) == 0) {
                selected.push_back({batchIndex, place});
            }
        }
    }
    return selected;
}

std::vector<std::vector<NvkTestFunction *>> Registry() {
    std::vector<std::vector<NvkTestFunction *>> tests;
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        tests.emplace_back();
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
             test = NvkTestFunctionGetNext(test)) {
            tests.back().push_back(test);
        }
    }
    return tests;
}

// What a run of each test alone asks between tests.
struct TestGate {
    // No test from here on is started.
    std::function<bool()> ended;
    // This test is started; later ones may be although it is not.
    std::function<bool(const TestRef &)> mayStart;
    // The test that started finished, passed or not.
    std::function<void(bool passed)> finished;
};

// The library calls of a request; each test alone stops between tests once asked.
void CallLibrary(const RunRequest &request, const TestGate &gate) {
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
    const std::vector<std::vector<NvkTestFunction *>> registry = Registry();
    for (const TestRef &test : request.tests) {
        if (gate.ended()) {
            return;
        }
        if (gate.mayStart(test)) {
            gate.finished(NvkTestFunctionRun(registry.at(test.batch).at(test.test)) != 0);
        }
    }
}

// A Stop that comes before a run holds for it: each run takes the stops before its end.
class InProcess final : public PlanRunner {
public:
    explicit InProcess(bool stopAtFailure) : stopAtFailure_(stopAtFailure) {}

    PlanOutcome Run(const RunRequest &request) override {
        bool failed = false;
        CallLibrary(request,
                    {[this, &failed] { return stopped_ || (stopAtFailure_ && failed); },
                     [](const TestRef &) { return true; }, [&failed](bool passed) { failed = failed || !passed; }});
        stopped_ = false;
        return PlanOutcome();
    }
    void Stop() override { stopped_ = true; }

private:
    const bool stopAtFailure_;
    std::atomic<bool> stopped_{false};
};

class InWorkers final : public PlanRunner {
public:
    InWorkers(const PoolSettings &settings, WorkerStarter starter, DeliveryWait &wait, RemoteRunObserver *observer)
        : settings_(settings), starter_(std::move(starter)), wait_(wait), observer_(observer) {}

    // Every test a worker finished or ended is replayed in the plan's order, also one
    // that a failure in a later batch cut short before it; those the workers never
    // ran or a fail-fast stop took are not run.
    PlanOutcome Run(const RunRequest &request) override {
        if (TakeEarlyStop()) {
            return PlanOutcome();
        }
        PoolSettings settings = settings_;
        settings.fingerprint = RegistryFingerprint();
        std::unique_ptr<RemoteRun> remote(new RemoteRun(settings, starter_, wait_, observer_));
        PlanOutcome outcome;
        if (!remote->Start(StepsOf(request))) {
            outcome.errors.push_back("a run is in progress");
        } else {
            Attach(remote.get());
            CallLibrary(request, {[&remote] { return remote->EndedTheRun(); },
                                  [&remote](const TestRef &test) { return remote->WillRun(test); }, [](bool) {}});
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

std::vector<Step> StepsOf(const RunRequest &request) {
    switch (request.kind) {
    case RunRequest::Kind::AllBatches:
        return PlanSteps(SelectedTests(nullptr), false);
    case RunRequest::Kind::OneBatch:
        return PlanSteps(SelectedTests(request.batch), false);
    case RunRequest::Kind::EachAlone:
        break;
    }
    return PlanSteps(request.tests, true);
}

std::unique_ptr<PlanRunner> InProcessRunner(bool stopAtFailure) {
    return std::unique_ptr<PlanRunner>(new InProcess(stopAtFailure));
}

std::unique_ptr<PlanRunner> WorkerRunner(const PoolSettings &settings, WorkerStarter starter, DeliveryWait &wait,
                                         RemoteRunObserver *observer) {
    return std::unique_ptr<PlanRunner>(new InWorkers(settings, std::move(starter), wait, observer));
}

}  // namespace run
