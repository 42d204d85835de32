#include "worker_pool.h"

#include <chrono>
#include <thread>

#include "watchdog.h"
#include "worker_protocol.h"

namespace console {
namespace {

using Clock = std::chrono::steady_clock;

// The steps still to run once the first `done` of their tests have.
std::vector<Step> StepsFrom(const std::vector<Step> &steps, size_t done) {
    std::vector<Step> rest;
    for (const Step &step : steps) {
        if (done >= step.tests.size()) {
            done -= step.tests.size();
            continue;
        }
        Step part = step;
        part.tests.erase(part.tests.begin(), part.tests.begin() + static_cast<std::ptrdiff_t>(done));
        done = 0;
        rest.push_back(part);
    }
    return rest;
}

}  // namespace

std::string WorkerPool::Run(const std::string &library, const std::vector<Step> &steps) {
    std::vector<std::thread> slots;
    for (const std::vector<Step> &group : SplitAmongWorkers(steps, jobs_)) {
        slots.emplace_back([this, &library, group] { RunSlot(library, group); });
    }
    for (std::thread &slot : slots) {
        slot.join();
    }
    return error_;
}

void WorkerPool::Stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    for (const std::shared_ptr<WorkerProcess> &worker : workers_) {
        worker->Kill();
    }
}

// One slot: a worker for the group's steps, and a new one for the rest each time a
// worker dies in a test. The test it died in is the first it did not finish.
void WorkerPool::RunSlot(const std::string &library, const std::vector<Step> &steps) {
    const std::vector<TestRef> tests = TestsInOrder(steps);
    size_t done = 0;
    while (done < tests.size() && !stopped_) {
        const std::shared_ptr<WorkerProcess> worker = StartWorker(library);
        if (!worker) {
            if (!stopped_) {
                Fail("cannot start a worker process for " + library);
            }
            return;
        }
        worker->SendAll(EncodeSteps(StepsFrom(steps, done)));
        std::atomic<bool> timedOut(false);
        std::unique_ptr<Watchdog> watchdog;
        if (timeoutSeconds_ > 0) {
            watchdog.reset(new Watchdog(timeoutSeconds_, [&timedOut, worker](const TestKey &, double) {
                timedOut = true;
                worker->Kill();
            }));
        }
        // A test's time starts where the one before ended, setups included.
        bool ready = false;
        Clock::time_point testStart = Clock::now();
        LineSplitter lines;
        std::string line;
        char buffer[65536];
        while (const size_t count = worker->Receive(buffer, sizeof buffer)) {
            lines.Add(buffer, count);
            while (lines.Next(line)) {
                WorkerReport report;
                if (!DecodeReport(line, report) ||
                    (report.finished && (done >= tests.size() || !(report.test == tests[done])))) {
                    worker->Kill();
                    break;
                }
                if (report.finished) {
                    listener_.Finished(tests[done++], report.record);
                }
                ready = true;
                testStart = Clock::now();
                if (watchdog && done < tests.size()) {
                    watchdog->Arm(TestKey(tests[done].batch, tests[done].test));
                }
            }
        }
        // No kill after this: the process is waited for next.
        watchdog.reset();
        const ProcessEnd end = worker->Wait();
        ForgetWorker(worker);
        if (done == tests.size() || stopped_) {
            return;
        }
        if (!ready) {
            Fail("a worker process could not run " + library + " (" + DescribeProcessEnd(end) + ")");
            return;
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - testStart).count();
        listener_.Ended(tests[done++], seconds, timedOut, end);
    }
}

// Under the lock, so that no worker inherits the pipes of one started alongside.
std::shared_ptr<WorkerProcess> WorkerPool::StartWorker(const std::string &library) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopped_) {
        return nullptr;
    }
    std::shared_ptr<WorkerProcess> worker(WorkerProcess::Start({library}).release());
    if (worker) {
        workers_.push_back(worker);
    }
    return worker;
}

void WorkerPool::ForgetWorker(const std::shared_ptr<WorkerProcess> &worker) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < workers_.size(); ++i) {
        if (workers_[i] == worker) {
            workers_.erase(workers_.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

void WorkerPool::Fail(const std::string &error) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (error_.empty()) {
            error_ = error;
        }
    }
    Stop();
}

}  // namespace console
