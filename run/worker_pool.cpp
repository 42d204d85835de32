#include "worker_pool.h"

#include "watchdog.h"

namespace run {
namespace {

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

// One worker after another for one group of steps: a worker runs them, and a new
// one the rest each time a worker ends during a test.
class WorkerPool::Slot {
public:
    Slot(WorkerPool &pool, const std::vector<Step> &steps) : pool_(pool), steps_(steps), tests_(TestsInOrder(steps)) {}

    void Run() {
        while (done_ < tests_.size() && !pool_.stopped_) {
            if (!RunOneWorker()) {
                return;
            }
        }
    }

private:
    enum class Phase { Starting, Loading, Testing, Unloading };

    // False when the slot is over.
    bool RunOneWorker() {
        const std::shared_ptr<WorkerProcess> worker = pool_.StartWorker();
        if (!worker) {
            if (!pool_.stopped_) {
                pool_.Fail("cannot start a worker process", false);
            }
            return false;
        }
        WorkerPlan plan;
        plan.fingerprint = pool_.settings_.fingerprint;
        plan.failFast = pool_.settings_.failFast;
        plan.steps = StepsFrom(steps_, done_);
        worker->SendAll(EncodePlan(plan));
        // The limit also covers a worker that closed its pipe but does not end.
        std::unique_ptr<Watchdog> watchdog;
        if (pool_.settings_.timeoutSeconds > 0) {
            watchdog.reset(new Watchdog(
                pool_.settings_.timeoutSeconds,
                [this, worker](double) {
                    timedOut_ = true;
                    worker->Kill();
                },
                pool_.clock_));
        }
        Watch(*worker, watchdog.get());
        // A Stop from now on no longer finds the worker, which is about to be waited
        // for: it is ended here instead, before the wait.
        if (pool_.ForgetWorker(worker)) {
            worker->Kill();
        }
        const ProcessEnd end = worker->Wait();
        watchdog.reset();
        return AfterWorker(end);
    }

    // Reads what the worker says until it ends, its time limit watched by watchdog.
    void Watch(WorkerProcess &worker, Watchdog *watchdog) {
        phase_ = Phase::Starting;
        doneSaid_ = false;
        timedOut_ = false;
        pending_.clear();
        started_ = pool_.clock_.Now();
        LineSplitter lines;
        std::string line;
        char buffer[65536];
        bool listening = true;
        while (listening) {
            const size_t count = worker.Receive(buffer, sizeof buffer);
            if (count == 0) {
                break;
            }
            lines.Add(buffer, count);
            while (listening && lines.Next(line)) {
                listening = Take(line, worker);
                if (watchdog && clockRestarted_) {
                    watchdog->Arm();
                }
                clockRestarted_ = false;
            }
        }
    }

    // False once the worker is not to be listened to any more.
    bool Take(const std::string &line, WorkerProcess &worker) {
        WorkerMessage message;
        if (!DecodeMessage(line, message)) {
            worker.Kill();
            return false;
        }
        switch (message.kind) {
        case WorkerMessage::Kind::Started:
            phase_ = Phase::Loading;
            break;
        case WorkerMessage::Kind::Ready:
            phase_ = Phase::Testing;
            break;
        case WorkerMessage::Kind::Refused:
            pool_.Fail(message.reason, false);
            worker.Kill();
            return false;
        case WorkerMessage::Kind::Failure:
            pending_.push_back(std::move(message.failure));
            return true;
        case WorkerMessage::Kind::TestFinished:
            return Finished(std::move(message.report), worker);
        case WorkerMessage::Kind::Done:
            doneSaid_ = true;
            break;
        }
        RestartClock();
        return true;
    }

    // The next test's time, or the unloading's, starts now.
    void RestartClock() {
        started_ = pool_.clock_.Now();
        clockRestarted_ = true;
    }

    bool Finished(TestReport &&report, WorkerProcess &worker) {
        if (phase_ != Phase::Testing || done_ >= tests_.size() || !(report.test == tests_[done_])) {
            worker.Kill();
            return false;
        }
        report.failures = std::move(pending_);
        pending_.clear();
        ++done_;
        if (done_ == tests_.size()) {
            phase_ = Phase::Unloading;
        }
        RestartClock();
        pool_.listener_.Finished(std::move(report));
        return true;
    }

    // False when no other worker is to follow.
    bool AfterWorker(const ProcessEnd &end) {
        const double seconds = std::chrono::duration<double>(pool_.clock_.Now() - started_).count();
        const std::string limit = SecondsText(pool_.settings_.timeoutSeconds);
        if (phase_ == Phase::Starting || phase_ == Phase::Loading) {
            if (!pool_.stopped_) {
                pool_.Fail(timedOut_
                               ? "the test library did not load within " + limit + " in a worker process"
                               : "a worker process could not load the test library (" + DescribeProcessEnd(end) + ")",
                           timedOut_);
            }
            return false;
        }
        if (phase_ == Phase::Unloading) {
            if (timedOut_) {
                pool_.Fail("the test library did not unload within " + limit + " in a worker process", true);
            }
            return false;
        }
        if (doneSaid_) {
            return false;
        }
        TestEnd ended;
        ended.kind =
            pool_.stopped_ ? TestEnd::Kind::Stopped : (timedOut_ ? TestEnd::Kind::TimedOut : TestEnd::Kind::Died);
        ended.process = end;
        ended.seconds = seconds;
        ended.failures = std::move(pending_);
        pending_.clear();
        pool_.listener_.Ended(tests_[done_++], std::move(ended));
        return pool_.settings_.restartAfterEnd && !pool_.stopped_;
    }

    WorkerPool &pool_;
    const std::vector<Step> steps_;
    const std::vector<TestRef> tests_;
    size_t done_ = 0;
    Phase phase_ = Phase::Starting;
    bool doneSaid_ = false;
    bool clockRestarted_ = false;
    std::atomic<bool> timedOut_{false};
    // The time of the test in progress starts where the one before ended.
    WatchClock::TimePoint started_;
    std::vector<ReportedFailure> pending_;
};

WorkerPool::WorkerPool(const PoolSettings &settings, WorkerStarter starter, Listener &listener, WatchClock &clock)
    : settings_(settings), starter_(std::move(starter)), listener_(listener), clock_(clock) {}

WorkerPool::~WorkerPool() {
    Stop();
    Join();
}

void WorkerPool::Start(const std::vector<Step> &steps) {
    const std::vector<std::vector<Step>> groups = SplitAmongWorkers(steps, settings_.jobs);
    running_ = groups.size();
    if (groups.empty()) {
        listener_.AllDone();
        return;
    }
    for (const std::vector<Step> &group : groups) {
        slots_.emplace_back([this, group] {
            Slot(*this, group).Run();
            SlotEnded();
        });
    }
}

void WorkerPool::Join() {
    for (std::thread &slot : slots_) {
        if (slot.joinable()) {
            slot.join();
        }
    }
}

void WorkerPool::Stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    for (const std::shared_ptr<WorkerProcess> &worker : workers_) {
        worker->Kill();
    }
}

std::vector<std::string> WorkerPool::Errors() {
    std::lock_guard<std::mutex> lock(mutex_);
    return errors_;
}

// Under the lock, so that no worker inherits the pipes of one started alongside,
// and none starts after a Stop.
std::shared_ptr<WorkerProcess> WorkerPool::StartWorker() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopped_) {
        return nullptr;
    }
    std::shared_ptr<WorkerProcess> worker(starter_().release());
    if (worker) {
        workers_.push_back(worker);
    }
    return worker;
}

bool WorkerPool::ForgetWorker(const std::shared_ptr<WorkerProcess> &worker) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < workers_.size(); ++i) {
        if (workers_[i] == worker) {
            workers_.erase(workers_.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    return stopped_;
}

void WorkerPool::Fail(const std::string &error, bool timedOut) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        errors_.push_back(error);
    }
    if (timedOut) {
        timedOutOutsideTests_ = true;
    }
    Stop();
}

void WorkerPool::SlotEnded() {
    if (--running_ == 0) {
        listener_.AllDone();
    }
}

}  // namespace run
