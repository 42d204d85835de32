// Runs planned steps in worker processes, up to a number at once, and reports each
// test as its worker finishes it or dies in it.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "console_text.h"
#include "run_plan.h"
#include "run_results.h"
#include "worker_process.h"

namespace console {

class WorkerPool {
public:
    // Called from the pool's threads, several at once.
    class Listener {
    public:
        virtual void Finished(const TestRef &test, const TestRecord &record) = 0;
        // The worker ended during the test: it hung past the limit and was ended, or
        // it died.
        virtual void Ended(const TestRef &test, double seconds, bool timedOut, const ProcessEnd &end) = 0;

    protected:
        ~Listener() = default;
    };

    WorkerPool(unsigned jobs, double timeoutSeconds, Listener &listener)
        : jobs_(jobs), timeoutSeconds_(timeoutSeconds), listener_(listener) {}

    // Deals the steps to up to `jobs` slots and returns when all ran or the pool was
    // stopped. Returns "" or why a worker could not start or load the library.
    std::string Run(const std::string &library, const std::vector<Step> &steps);

    // From a listener call too: ends the running workers and starts no more.
    void Stop();
    bool Stopped() const { return stopped_; }

private:
    void RunSlot(const std::string &library, const std::vector<Step> &steps);
    std::shared_ptr<WorkerProcess> StartWorker(const std::string &library);
    void ForgetWorker(const std::shared_ptr<WorkerProcess> &worker);
    void Fail(const std::string &error);

    const unsigned jobs_;
    const double timeoutSeconds_;
    Listener &listener_;
    std::mutex mutex_;  // guards workers_ and error_; held while a worker starts
    std::vector<std::shared_ptr<WorkerProcess>> workers_;
    std::string error_;
    std::atomic<bool> stopped_{false};
};

}  // namespace console
