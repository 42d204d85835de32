#include "worker_pool.h"

#include "watchdog.h"
#include "worker_phases.h"

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

// Starting a process takes seconds under some systems, and is no part of loading
// the test library: a worker has that much longer than the limit to say it started.
constexpr double kStartGraceSeconds = 30;

// A start the system refused is tried again after a pause: under load, Wine was seen
// to refuse a start once in some 1,500 runs, and a run must not fail for that.
constexpr int kStartAttempts = 3;
constexpr std::chrono::milliseconds kStartPause{200};

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
    // False when the slot is over. The watchdog is armed from the start: a worker
    // that hangs before its first line is ended at the limit too, and so is one
    // that closed its pipe but does not end. It counts a timeout only when it found
    // the worker still alive.
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
        plan.steps = StepsFrom(steps_, done_);
        plan.failFast = pool_.settings_.failFast;
        phases_ = WorkerPhases(plan.steps, plan.failFast);
        violation_.clear();
        timedOut_ = false;
        started_ = pool_.clock_.Now();
        std::unique_ptr<Watchdog> watchdog;
        if (pool_.settings_.timeoutSeconds > 0) {
            watchdog.reset(new Watchdog(
                pool_.settings_.timeoutSeconds,
                [this, worker](double) {
                    if (worker->Kill()) {
                        timedOut_ = true;
                    }
                },
                pool_.clock_));
            watchdog->Arm(LimitDuration(kStartGraceSeconds));
        }
        output_.reset(worker->Output() != nullptr ? new OutputSpans(*worker->Output()) : nullptr);
        Watch(*worker, EncodePlan(plan), watchdog.get());
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
    // A start is told once every line that came with it was read: a test that
    // finished in the same reading needs no word of its start.
    void Watch(WorkerProcess &worker, const std::string &plan, Watchdog *watchdog) {
        pending_.clear();
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
                listening = Take(line, worker, plan);
                if (watchdog && clockRestarted_) {
                    watchdog->Arm();
                }
                clockRestarted_ = false;
            }
            pool_.listener_.ReadingDone();
            if (startUntold_) {
                startUntold_ = false;
                pool_.listener_.Started(tests_[done_]);
            }
        }
    }

    // False once the worker is not to be listened to any more.
    bool Take(const std::string &line, WorkerProcess &worker, const std::string &plan) {
        WorkerMessage message;
        if (!phases_.Take(line, message)) {
            violation_ = phases_.Violation();
            startUntold_ = false;
            worker.Kill();
            return false;
        }
        switch (message.kind) {
        case WorkerMessage::Kind::Started:
            // Sent once the worker runs, which on some systems is once it took its
            // end of the pipe from this process.
            worker.SendAll(plan);
            break;
        case WorkerMessage::Kind::Refused:
            pool_.Fail(message.reason, false);
            worker.Kill();
            return false;
        case WorkerMessage::Kind::Failure:
            pending_.push_back(std::move(message.failure));
            return true;
        case WorkerMessage::Kind::TestStarted:
            startUntold_ = true;
            return true;
        case WorkerMessage::Kind::TestFinished:
            startUntold_ = false;
            return Finished(std::move(message.report));
        case WorkerMessage::Kind::Ready:
        case WorkerMessage::Kind::Unloading:
        case WorkerMessage::Kind::Done:
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

    bool Finished(TestReport &&report) {
        if (output_) {
            report.output = output_->TakeUpTo(report.outputEnd);
        }
        report.failures = std::move(pending_);
        pending_.clear();
        ++done_;
        RestartClock();
        pool_.listener_.Finished(std::move(report));
        return true;
    }

    // False when no other worker is to follow. What an end means depends on the
    // phase it came in.
    bool AfterWorker(const ProcessEnd &end) {
        const std::string limit = SecondsText(pool_.settings_.timeoutSeconds);
        const std::string broke = "a worker process broke the protocol: " + violation_;
        switch (phases_.State()) {
        case WorkerState::Starting:
            if (timedOut_ && violation_.empty() && !pool_.stopped_) {
                pool_.Fail("a worker process did not start within " +
                               SecondsText(kStartGraceSeconds + pool_.settings_.timeoutSeconds),
                           true);
                return false;
            }
            [[fallthrough]];
        case WorkerState::Loading:
            if (!pool_.stopped_) {
                pool_.Fail(!violation_.empty()
                               ? broke
                               : (timedOut_ ? "the test library did not load within " + limit + " in a worker process"
                                            : "a worker process could not load the test library (" +
                                                  DescribeProcessEnd(end) + ")"),
                           timedOut_ && violation_.empty());
            }
            return false;
        case WorkerState::Refused:
            return false;
        case WorkerState::Done:
            if (!violation_.empty()) {
                pool_.Fail(broke, false, false);
            } else if (timedOut_) {
                pool_.Fail("a worker process did not end within " + limit + " after its last test", true);
            }
            // Under fail-fast a worker ends its plan after a test only the runner
            // judges: unless the runner stopped at it, a new worker runs the rest.
            return violation_.empty() && !timedOut_ && phases_.HasNext() && !pool_.stopped_;
        case WorkerState::BetweenTests:
            if (phases_.HasNext()) {
                return EndTest(end);
            }
            // After its last test the worker only unloads.
            return Unloaded(end, limit, broke);
        case WorkerState::Unloading:
            return Unloaded(end, limit, broke);
        case WorkerState::InSetups:
        case WorkerState::InTest:
            return EndTest(end);
        }
        return false;
    }

    // Every test was reported; an end before "done" is the unloading's.
    bool Unloaded(const ProcessEnd &end, const std::string &limit, const std::string &broke) {
        if (!violation_.empty()) {
            pool_.Fail(broke, false, false);
        } else if (timedOut_) {
            pool_.Fail("the test library did not unload within " + limit + " in a worker process", true);
        } else if (!pool_.stopped_) {
            pool_.Fail("a worker process ended while it unloaded the test library (" + DescribeProcessEnd(end) + ")",
                       false, false);
        }
        return false;
    }

    // The test in progress ended with its worker.
    bool EndTest(const ProcessEnd &end) {
        TestEnd ended;
        if (pool_.stopped_) {
            ended.kind = TestEnd::Kind::Stopped;
        } else if (!violation_.empty()) {
            ended.kind = TestEnd::Kind::ProtocolError;
            ended.message = "the worker process broke the protocol: " + violation_;
        } else {
            ended.kind = timedOut_ ? TestEnd::Kind::TimedOut : TestEnd::Kind::Died;
        }
        ended.phase = phases_.NextPhase();
        ended.process = end;
        ended.seconds = std::chrono::duration<double>(pool_.clock_.Now() - started_).count();
        ended.failures = std::move(pending_);
        pending_.clear();
        // All the worker wrote before it ended is the test's: it is in the file.
        if (output_) {
            ended.output = output_->TakeAll();
        }
        const TestRef test = tests_[done_++];
        const bool expected =
            ended.kind == TestEnd::Kind::Died && pool_.settings_.expectsEnd && pool_.settings_.expectsEnd(test);
        pool_.listener_.Ended(test, std::move(ended));
        return (pool_.settings_.restartAfterEnd || expected) && !pool_.stopped_;
    }

    WorkerPool &pool_;
    const std::vector<Step> steps_;
    const std::vector<TestRef> tests_;
    size_t done_ = 0;
    WorkerPhases phases_;
    std::string violation_;
    bool clockRestarted_ = false;
    bool startUntold_ = false;
    std::atomic<bool> timedOut_{false};
    // The time of the test in progress starts where the one before ended.
    WatchClock::TimePoint started_;
    std::vector<ReportedFailure> pending_;
    std::unique_ptr<OutputSpans> output_;  // the worker's capture file, when it has one
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
    stopping_.notify_all();
}

std::vector<std::string> WorkerPool::Errors() {
    std::lock_guard<std::mutex> lock(mutex_);
    return errors_;
}

// Under the lock, so that none starts after a Stop. The lock is let go during the
// pause before another attempt, which a Stop cuts short.
std::shared_ptr<WorkerProcess> WorkerPool::StartWorker() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (int attempt = 1; !stopped_; ++attempt) {
        std::shared_ptr<WorkerProcess> worker(starter_().release());
        if (worker) {
            workers_.push_back(worker);
            return worker;
        }
        if (attempt == kStartAttempts) {
            break;
        }
        clock_.WaitUntil(stopping_, lock, clock_.Now() + kStartPause);
    }
    return nullptr;
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

void WorkerPool::Fail(const std::string &error, bool timedOut, bool stops) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        errors_.push_back(error);
    }
    if (timedOut) {
        timedOutOutsideTests_ = true;
    }
    if (stops) {
        Stop();
    }
}

void WorkerPool::SlotEnded() {
    if (--running_ == 0) {
        listener_.AllDone();
    }
}

}  // namespace run
