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

// The library calls of a request; each test alone stops between tests once asked.
void CallLibrary(const RunRequest &request, const std::function<bool(const TestRef &)> &mayStart) {
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
        if (!mayStart(test)) {
            return;
        }
        NvkTestFunctionRun(registry.at(test.batch).at(test.test));
    }
}

class InProcess final : public PlanRunner {
public:
    PlanOutcome Run(const RunRequest &request) override {
        stopped_ = false;
        CallLibrary(request, [this](const TestRef &) { return !stopped_; });
        return PlanOutcome();
    }
    void Stop() override { stopped_ = true; }

private:
    std::atomic<bool> stopped_{false};
};

class InWorkers final : public PlanRunner {
public:
    InWorkers(const PoolSettings &settings, WorkerStarter starter, DeliveryWait &wait, RemoteRunObserver *observer)
        : settings_(settings), starter_(std::move(starter)), wait_(wait), observer_(observer) {}

    PlanOutcome Run(const RunRequest &request) override {
        PoolSettings settings = settings_;
        settings.fingerprint = RegistryFingerprint();
        std::unique_ptr<RemoteRun> remote(new RemoteRun(settings, starter_, wait_, observer_));
        {
            std::lock_guard<std::mutex> lock(mutex_);
            remote_ = remote.get();
            stopAsked_ = false;
        }
        PlanOutcome outcome;
        if (!remote->Start(StepsOf(request))) {
            outcome.errors.push_back("a run is in progress");
        } else {
            CallLibrary(request, [this, &remote](const TestRef &test) {
                return !stopAsked_ && !remote->EndedTheRun() && remote->WillRun(test);
            });
        }
        const RemoteOutcome ended = remote->Finish();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            remote_ = nullptr;
        }
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
    const PoolSettings settings_;
    const WorkerStarter starter_;
    DeliveryWait &wait_;
    RemoteRunObserver *const observer_;
    std::mutex mutex_;  // Stop may come from another thread
    RemoteRun *remote_ = nullptr;
    std::atomic<bool> stopAsked_{false};
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

std::unique_ptr<PlanRunner> InProcessRunner() { return std::unique_ptr<PlanRunner>(new InProcess); }

std::unique_ptr<PlanRunner> WorkerRunner(const PoolSettings &settings, WorkerStarter starter, DeliveryWait &wait,
                                         RemoteRunObserver *observer) {
    return std::unique_ptr<PlanRunner>(new InWorkers(settings, std::move(starter), wait, observer));
}

}  // namespace run
