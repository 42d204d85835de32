// A run whose user code executes in worker processes while the library of this
// process runs it: installed as the library's executor, it hands each call the
// result a worker delivered and records it through the library's own checks, so
// events, records and reports are those of a run in this process, but for times.
// A test that ends or hangs its worker fails with how it ended, and this process
// and its results live on.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "expected_end.h"
#include "norvik.h"
#include "registry_index.h"
#include "worker_pool.h"

namespace run {

// How the run's thread waits for what the workers deliver: the console blocks; the
// window keeps its messages flowing meanwhile.
class DeliveryWait {
public:
    // From the pool's threads, and from Stop.
    virtual void Notify() = 0;
    // On the run's thread, the lock held on entry and on return.
    virtual void Await(std::unique_lock<std::mutex> &lock) = 0;

protected:
    ~DeliveryWait() = default;
};

class BlockingWait final : public DeliveryWait {
public:
    void Notify() override { changed_.notify_all(); }
    void Await(std::unique_lock<std::mutex> &lock) override { changed_.wait(lock); }

private:
    std::condition_variable changed_;
};

// Told, on the run's thread, of what workers say of tests before the library
// replays it: that a test started (at most once a test, as soon as its worker said
// so while the run's thread waits for that test), what it wrote (once, when it
// wrote anything), and that a test ended its worker.
// Each call is pure: whatever forwards the news must forward all of it.
class RemoteRunObserver {
public:
    virtual void TestStarted(NvkTestFunction *test) = 0;
    virtual void TestOutput(NvkTestFunction *test, const std::string &text) = 0;
    // How, and in which phase.
    virtual void TestEnded(NvkTestFunction *test, const TestEnd &end) = 0;

protected:
    ~RemoteRunObserver() = default;
};

struct RemoteOutcome {
    std::vector<std::string> errors;  // why workers could not run the tests
    bool timedOutOutsideTests = false;
    bool stopped = false;
};

// What a worker reported of a test, recorded in this process's library for the
// current test function: a failure, with its crash's details, and passes, which
// name the test's file so that the test takes the file name it had where it ran.
void RecordReportedFailure(const ReportedFailure &failure);
void RecordReportedPasses(const std::string &fileName, uint32_t passes);

class RemoteRun final : private WorkerPool::Listener {
public:
    RemoteRun(const PoolSettings &settings, WorkerStarter starter, DeliveryWait &wait,
              RemoteRunObserver *observer = nullptr, WatchClock &clock = SteadyClock());
    ~RemoteRun();
    RemoteRun(const RemoteRun &) = delete;
    RemoteRun &operator=(const RemoteRun &) = delete;

    // Installs the executor and starts the workers on the steps, by their places in
    // the loaded registry; the caller then has the library run the same tests in the
    // same order. False when a run is in progress.
    bool Start(const std::vector<Step> &steps, const RegistryIndex &index);
    // Between tests, on the run's thread: false when the test will not run, because
    // the run was stopped before it started, or cut off by another test's failure.
    bool WillRun(const TestRef &test);
    // From any thread: ends the workers; the test in progress fails as stopped.
    void Stop();
    // On the run's thread, after the library ran the test: a worker of its own runs
    // it again, for the library's next call of it. False when the run ended: a stop,
    // or a test that ended the worker that no new one follows.
    bool RunAgain(const TestRef &test);
    // Whether a test's end, or a stop, ended the library's run: no later test of
    // the plan is to be started.
    bool EndedTheRun() const { return endedTheRun_; }
    // Takes the executor out and waits for the workers.
    RemoteOutcome Finish();

private:
    struct Delivery;
    class AgainListener;

    void Started(const TestRef &test) override;
    void Finished(TestReport &&report) override;
    void ReadingDone() override;
    void Ended(const TestRef &test, TestEnd &&end) override;
    void AllDone() override;

    static int32_t NVK_CALL Execute(void *context, int32_t call, NvkTestFunction *test, NvkTestProc function,
                                    double *seconds);
    int32_t OnCall(int32_t call, NvkTestFunction *test, double *seconds);
    Delivery *AwaitDelivery(size_t position);
    int32_t ReplayEnd(Delivery &delivery, NvkTestFunction *test, double *seconds);
    bool Deliver(const TestRef &test, std::unique_ptr<Delivery> delivery);
    ExpectedEnd ExpectedAt(const TestRef &test) const;
    size_t PositionOf(const TestRef &test) const;
    // On the run's thread.
    size_t PositionOf(NvkTestFunction *test) const;
    std::vector<std::string> Errors();

    const PoolSettings settings_;
    DeliveryWait &wait_;
    RemoteRunObserver *const observer_;
    const WorkerStarter starter_;
    WatchClock &clock_;
    // The tests that expect how they end, filled by Start before any worker starts.
    std::unordered_set<uint64_t> expectsEnd_;
    std::vector<ExpectedEnd> expectedAt_;  // by position
    WorkerPool pool_;
    std::unique_ptr<AgainListener> againListener_;
    std::mutex againMutex_;              // guards again_, which Stop may reach from another thread
    std::unique_ptr<WorkerPool> again_;  // the worker of the test tried again
    static constexpr size_t kNoPosition = SIZE_MAX;
    const RegistryIndex *index_ = nullptr;      // the run's, which outlives Finish
    std::vector<size_t> positionOfKey_;         // by the index's key; kNoPosition when not planned
    std::vector<NvkTestFunction *> functions_;  // by position
    std::mutex mutex_;                          // guards what follows
    std::vector<std::unique_ptr<Delivery>> deliveries_;
    // By position: a worker said the test started; the observer was told.
    enum class StartWord : uint8_t { None, Said, Told };
    std::vector<StartWord> starts_;
    size_t awaited_ = SIZE_MAX;    // the position the run's thread waits for
    size_t replaying_ = SIZE_MAX;  // the position the run's thread last asked for
    bool allDone_ = false;
    size_t againPosition_ = SIZE_MAX;  // the test tried again, which again_'s end decides
    bool againDone_ = false;
    bool stopped_ = false;
    bool installed_ = false;
    bool endedTheRun_ = false;  // on the run's thread
    std::atomic<bool> stoppedForFailure_{false};
    std::atomic<bool> wakeAfterReading_{false};  // a reading delivered the awaited test
};

}  // namespace run
