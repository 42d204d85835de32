// The executor of a run in this process whose tests include some that expect how
// they end: every call runs here as the library itself would run it, but that the
// end of such a test is judged, and that a test which must not end this process
// runs in a worker process of its own.
#pragma once

#include <memory>
#include <mutex>

#include "expected_end.h"
#include "registry_index.h"
#include "remote_run.h"
#include "worker_pool.h"

namespace run {

// The worker processes such a run may start, and how it waits for them.
struct OwnWorkers {
    WorkerStarter starter;  // none: a test that needs one fails instead of running
    DeliveryWait *wait = nullptr;
    RemoteRunObserver *observer = nullptr;  // told of what the test wrote, and of an end not judged
};

class ExpectedEndExecutor final : private WorkerPool::Listener {
public:
    explicit ExpectedEndExecutor(const OwnWorkers &workers);
    // Takes itself out.
    ~ExpectedEndExecutor();
    ExpectedEndExecutor(const ExpectedEndExecutor &) = delete;
    ExpectedEndExecutor &operator=(const ExpectedEndExecutor &) = delete;

    // Whether any test of the loaded registry expects how it ends: a run without one
    // needs no executor.
    static bool Needed();
    // Installs itself for the runs to come, over the index's tests; false during a run.
    bool Install(const RegistryIndex &index);
    // From any thread: ends the worker in progress, whose test fails as stopped.
    void Stop();

private:
    void Finished(TestReport &&report) override;
    void Ended(const TestRef &test, TestEnd &&end) override;
    void AllDone() override;

    static int32_t NVK_CALL Execute(void *context, int32_t call, NvkTestFunction *test, NvkTestProc function,
                                    double *seconds);
    int32_t OnCall(int32_t call, NvkTestFunction *test, NvkTestProc function, double *seconds);
    int32_t RunInOwnWorker(NvkTestFunction *test, const ExpectedEnd &expected, double *seconds);
    void ReplayReport(const ExpectedEnd &expected);
    int32_t ReplayEnd(NvkTestFunction *test, const ExpectedEnd &expected);

    const OwnWorkers workers_;
    BlockingWait ownWait_;
    const RegistryIndex *index_ = nullptr;
    bool installed_ = false;
    std::mutex mutex_;  // guards what follows, which the pool's thread fills
    std::unique_ptr<WorkerPool> pool_;
    bool stopped_ = false;
    bool done_ = false;
    bool finished_ = false;
    bool ended_ = false;
    TestReport report_;
    TestEnd end_;
};

}  // namespace run
