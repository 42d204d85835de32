#include "remote_run.h"

#include "expected_end.h"

namespace run {
namespace {

uint64_t RefKey(const TestRef &test) { return (static_cast<uint64_t>(test.batch) << 32) | test.test; }

const char *FileOrNull(const std::string &file) { return file.empty() ? nullptr : file.c_str(); }

// The pool learns which tests expect how they end.
PoolSettings WithExpectedEnds(PoolSettings settings, const std::unordered_set<uint64_t> &expectsEnd) {
    settings.expectsEnd = [&expectsEnd](const TestRef &test) { return expectsEnd.count(RefKey(test)) != 0; };
    return settings;
}

// Whether a finished test that expects how it ends failed, as its replay will judge:
// its own crash is its end, and any other failure stands.
bool FailedAsExpected(const TestReport &report, const ExpectedEnd &expected) {
    ActualEnd actual;
    bool called = false;
    for (const ReportedCheck &check : report.checks) {
        called = called || check.kind == CheckKind::Started;
    }
    for (const ReportedFailure &failure : report.failures) {
        if (!IsTestFunctionCrash(failure)) {
            return true;
        }
        actual = EndOfCrash(failure.crashDetails);
    }
    return called && report.skipReason.empty() && !JudgeEnd(expected, actual).empty();
}

// A worker's end during the test itself is the end of a test that expects one, to be
// judged; a timeout, a stop or an end in a setup is told as for any test.
bool EndsAsExpected(const TestEnd &end, const ExpectedEnd &expected) {
    return expected.kind != ExpectedEnd::Kind::Return && end.kind == TestEnd::Kind::Died && end.phase == Phase::Test;
}

std::string EndMessage(const TestEnd &end, double limitSeconds) {
    switch (end.kind) {
    case TestEnd::Kind::TimedOut:
        return TimeoutMessage(limitSeconds);
    case TestEnd::Kind::Stopped:
        return "stopped";
    case TestEnd::Kind::ProtocolError:
        return end.message;
    case TestEnd::Kind::Died:
        break;
    }
    return DescribeProcessEnd(end.process);
}

}  // namespace

// A crash's details go with it: the library gives them to the crash record it makes next.
void RecordReportedFailure(const ReportedFailure &failure) {
    if (!failure.crashDetails.empty()) {
        NvkSetCrashDetails(failure.crashDetails.c_str());
    }
    NvkAssert(0, FileOrNull(failure.file), failure.line, "%s", failure.message.c_str());
}

void RecordReportedPasses(const std::string &fileName, uint32_t passes) {
    for (uint32_t pass = 0; pass < passes; ++pass) {
        NvkAssert(1, FileOrNull(fileName), 0, nullptr);
    }
}

// What a worker delivered for one planned test, and how much of it the library
// has been told so far.
struct RemoteRun::Delivery {
    bool finished = false;  // else it ended
    TestReport report;
    TestEnd end;
    size_t nextCheck = 0;
    size_t nextFailure = 0;
    bool started = false;
    bool skipPending = false;
    bool endRecorded = false;
    bool outputTold = false;
    // The test expects how it ends: its own crash is its end, judged after its call.
    ExpectedEnd expected;
    ActualEnd actual;
    bool skipped = false;

    const std::string &Output() const { return finished ? report.output : end.output; }

    void RecordJudgement() const {
        if (expected.kind != ExpectedEnd::Kind::Return && started && !skipped) {
            run::RecordJudgement(expected, actual);
        }
    }

    // The checks in their order: a setup replays those up to where the test function
    // was called, every later call all that are left. Passes name the test's file, so
    // that the test function takes the same file name as where it ran.
    void ReplayChecks(int32_t call) {
        const bool setup = call == NvkRunCallBatchSetup || call == NvkRunCallTestSetup;
        ReplaySkip(call);
        for (; nextCheck < report.checks.size() && !(setup && started); ++nextCheck) {
            const ReportedCheck &check = report.checks[nextCheck];
            if (check.kind == CheckKind::Started) {
                started = true;
            } else if (check.kind == CheckKind::Passes) {
                RecordReportedPasses(report.fileName, check.passes);
            } else if (check.kind == CheckKind::Skipped) {
                skipPending = true;
                skipped = true;
                ReplaySkip(call);
            } else if (nextFailure < report.failures.size()) {
                const ReportedFailure &failure = report.failures[nextFailure++];
                if (expected.kind != ExpectedEnd::Kind::Return && IsTestFunctionCrash(failure)) {
                    actual = EndOfCrash(failure.crashDetails);
                } else {
                    RecordReportedFailure(failure);
                }
            }
        }
    }

    // The worker cannot tell a skip in the batch setup from one in the test setup. In
    // the batch setup here it would skip the batch's later tests too, so it waits for
    // the test's next call: each test the batch setup skipped there comes with a skip
    // of its own, and the library records the same results and events either way.
    void ReplaySkip(int32_t call) {
        if (skipPending && call != NvkRunCallBatchSetup) {
            skipPending = false;
            NvkSkip("%s", report.skipReason.c_str());
        }
    }
};

// What the worker of a test tried again reports goes where the first worker's went;
// only its end is its own.
class RemoteRun::AgainListener final : public WorkerPool::Listener {
public:
    explicit AgainListener(RemoteRun &run) : run_(run) {}
    void Started(const TestRef &test) override { run_.Started(test); }
    void Finished(TestReport &&report) override { run_.Finished(std::move(report)); }
    void ReadingDone() override { run_.ReadingDone(); }
    void Ended(const TestRef &test, TestEnd &&end) override { run_.Ended(test, std::move(end)); }
    void AllDone() override {
        {
            std::lock_guard<std::mutex> lock(run_.mutex_);
            run_.againDone_ = true;
        }
        run_.wait_.Notify();
    }

private:
    RemoteRun &run_;
};

RemoteRun::RemoteRun(const PoolSettings &settings, WorkerStarter starter, DeliveryWait &wait,
                     RemoteRunObserver *observer, WatchClock &clock)
    : settings_(settings),
      wait_(wait),
      observer_(observer),
      starter_(std::move(starter)),
      clock_(clock),
      pool_(WithExpectedEnds(settings, expectsEnd_), starter_, *this, clock),
      againListener_(new AgainListener(*this)) {}

RemoteRun::~RemoteRun() { Finish(); }

bool RemoteRun::Start(const std::vector<Step> &steps, const RegistryIndex &index) {
    if (NvkSetRunExecutor(&RemoteRun::Execute, this) == 0) {
        return false;
    }
    installed_ = true;
    index_ = &index;
    positionOfKey_.assign(index.size(), kNoPosition);
    const std::vector<TestRef> order = TestsInOrder(steps);
    deliveries_.resize(order.size());
    starts_.assign(order.size(), StartWord::None);
    for (size_t position = 0; position < order.size(); ++position) {
        NvkTestFunction *test = index.Function(order[position]);
        expectedAt_.push_back(ExpectedEndOf(test));
        if (expectedAt_.back().kind != ExpectedEnd::Kind::Return) {
            expectsEnd_.insert(RefKey(order[position]));
        }
        positionOfKey_[index.KeyOf(order[position])] = position;
        functions_.push_back(test);
    }
    pool_.Start(steps);
    return true;
}

bool RemoteRun::WillRun(const TestRef &test) {
    const size_t position = PositionOf(test);
    if (position == kNoPosition) {
        return false;
    }
    const Delivery *delivery = AwaitDelivery(position);
    return delivery != nullptr &&
           (delivery->finished || delivery->end.kind != TestEnd::Kind::Stopped || !stoppedForFailure_);
}

// The first worker's delivery of the test was replayed: it makes way for the new one.
bool RemoteRun::RunAgain(const TestRef &test) {
    const size_t position = PositionOf(test);
    if (position == kNoPosition || endedTheRun_) {
        return false;
    }
    std::lock_guard<std::mutex> againLock(againMutex_);
    again_.reset();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopped_) {
            return false;
        }
        deliveries_[position].reset();
        starts_[position] = StartWord::None;
        againPosition_ = position;
        againDone_ = false;
    }
    PoolSettings settings = settings_;
    settings.jobs = 1;
    settings.failFast = false;
    again_.reset(new WorkerPool(settings, starter_, *againListener_, clock_));
    again_->Start({Step{true, {test}}});
    return true;
}

void RemoteRun::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
    }
    pool_.Stop();
    {
        std::lock_guard<std::mutex> againLock(againMutex_);
        if (again_) {
            again_->Stop();
        }
    }
    wait_.Notify();
}

std::vector<std::string> RemoteRun::Errors() {
    std::vector<std::string> errors = pool_.Errors();
    std::lock_guard<std::mutex> againLock(againMutex_);
    if (again_) {
        const std::vector<std::string> againErrors = again_->Errors();
        errors.insert(errors.end(), againErrors.begin(), againErrors.end());
    }
    return errors;
}

RemoteOutcome RemoteRun::Finish() {
    if (installed_) {
        NvkSetRunExecutor(nullptr, nullptr);
        installed_ = false;
    }
    pool_.Stop();
    pool_.Join();
    {
        std::lock_guard<std::mutex> againLock(againMutex_);
        if (again_) {
            again_->Stop();
            again_->Join();
        }
    }
    RemoteOutcome outcome;
    outcome.errors = Errors();
    outcome.timedOutOutsideTests = pool_.TimedOutOutsideTests();
    std::lock_guard<std::mutex> lock(mutex_);
    outcome.stopped = stopped_;
    return outcome;
}

// Only the run's thread waiting for this very test is woken: the others learn of it
// when their turn comes, and a test that finishes at once costs no wake of its own.
void RemoteRun::Started(const TestRef &test) {
    const size_t position = PositionOf(test);
    if (position == kNoPosition) {
        return;
    }
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (starts_[position] == StartWord::None) {
            starts_[position] = StartWord::Said;
            wake = awaited_ == position;
        }
    }
    if (wake) {
        wait_.Notify();
    }
}

void RemoteRun::Finished(TestReport &&report) {
    std::unique_ptr<Delivery> delivery(new Delivery);
    delivery->finished = true;
    const TestRef test = report.test;
    const ExpectedEnd expected = ExpectedAt(test);
    const bool failed =
        expected.kind == ExpectedEnd::Kind::Return ? !report.failures.empty() : FailedAsExpected(report, expected);
    delivery->report = std::move(report);
    // The run's thread is woken once for all the reading gave (see ReadingDone).
    if (Deliver(test, std::move(delivery))) {
        wakeAfterReading_ = true;
    }
    if (failed && settings_.failFast) {
        stoppedForFailure_ = true;
        pool_.Stop();
    }
}

void RemoteRun::Ended(const TestRef &test, TestEnd &&end) {
    std::unique_ptr<Delivery> delivery(new Delivery);
    delivery->end = std::move(end);
    const ExpectedEnd expected = ExpectedAt(test);
    const bool failed =
        delivery->end.kind != TestEnd::Kind::Stopped &&
        (!EndsAsExpected(delivery->end, expected) || !JudgeEnd(expected, EndOfProcess(delivery->end.process)).empty());
    if (Deliver(test, std::move(delivery))) {
        wait_.Notify();
    }
    if (failed && settings_.failFast) {
        stoppedForFailure_ = true;
        pool_.Stop();
    }
}

// Whichever reading comes first wakes the run's thread for all that was delivered
// before: each wake is a trip to the system, and under some systems several.
void RemoteRun::ReadingDone() {
    if (wakeAfterReading_.exchange(false)) {
        wait_.Notify();
    }
}

void RemoteRun::AllDone() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        allDone_ = true;
    }
    wait_.Notify();
}

ExpectedEnd RemoteRun::ExpectedAt(const TestRef &test) const {
    const size_t position = PositionOf(test);
    return position != kNoPosition ? expectedAt_[position] : ExpectedEnd();
}

size_t RemoteRun::PositionOf(const TestRef &test) const {
    return index_ != nullptr && index_->Holds(test) ? positionOfKey_[index_->KeyOf(test)] : kNoPosition;
}

// The library calls the tests in the plan's order, so the test is nearly always the
// one replayed or the next; the index finds any other.
size_t RemoteRun::PositionOf(NvkTestFunction *test) const {
    for (const size_t position : {replaying_, replaying_ + 1}) {
        if (position < functions_.size() && functions_[position] == test) {
            return position;
        }
    }
    TestKey key = 0;
    return index_ != nullptr && index_->Find(test, key) ? positionOfKey_[key] : kNoPosition;
}

// Returns whether the run's thread waits for this very test: only then is it to be
// woken, and the others learn of it when their turn comes.
bool RemoteRun::Deliver(const TestRef &test, std::unique_ptr<Delivery> delivery) {
    const size_t position = PositionOf(test);
    if (position == kNoPosition) {
        return false;
    }
    delivery->expected = expectedAt_[position];
    std::lock_guard<std::mutex> lock(mutex_);
    deliveries_[position] = std::move(delivery);
    return awaited_ == position;
}

// The delivery for the position once it came, or nullptr when none will. After a
// stop the workers end at once, delivering the test each was in.
// A worker's word that the test started is passed on first, outside the lock.
// The library runs the plan's tests in its order, so a test it moved past was
// replayed for good, and its delivery is let go: a long run keeps no more of them
// than the workers are ahead.
RemoteRun::Delivery *RemoteRun::AwaitDelivery(size_t position) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (replaying_ < position && replaying_ != SIZE_MAX) {
        deliveries_[replaying_].reset();
    }
    replaying_ = position;
    awaited_ = position;
    for (;;) {
        if (starts_[position] == StartWord::Said) {
            starts_[position] = StartWord::Told;
            if (observer_ != nullptr) {
                lock.unlock();
                observer_->TestStarted(functions_[position]);
                lock.lock();
            }
            continue;
        }
        if (deliveries_[position] || (position == againPosition_ ? againDone_ : allDone_)) {
            break;
        }
        wait_.Await(lock);
    }
    awaited_ = SIZE_MAX;
    return deliveries_[position].get();
}

int32_t NVK_CALL RemoteRun::Execute(void *context, int32_t call, NvkTestFunction *test, NvkTestProc, double *seconds) {
    return static_cast<RemoteRun *>(context)->OnCall(call, test, seconds);
}

// Setups replay what the test did before it was called; the test function call
// replays the rest, tear-downs included, with the test's time.
int32_t RemoteRun::OnCall(int32_t call, NvkTestFunction *test, double *seconds) {
    const size_t position = PositionOf(test);
    if (position == kNoPosition) {
        NvkAssert(0, nullptr, 0, "%s", "the run reached a test that no worker process was given");
        endedTheRun_ = true;
        return NvkRunCallStopRun;
    }
    Delivery *delivery = AwaitDelivery(position);
    if (delivery == nullptr) {
        const std::vector<std::string> errors = Errors();
        NvkAssert(0, nullptr, 0, "%s",
                  errors.empty() ? "stopped" : ("no worker process ran this test: " + errors.front()).c_str());
        endedTheRun_ = true;
        return NvkRunCallStopRun;
    }
    if (!delivery->outputTold) {
        delivery->outputTold = true;
        if (observer_ != nullptr && !delivery->Output().empty()) {
            observer_->TestOutput(test, delivery->Output());
        }
    }
    if (!delivery->finished) {
        return ReplayEnd(*delivery, test, seconds);
    }
    delivery->ReplayChecks(call);
    if (call == NvkRunCallTestFunction) {
        delivery->RecordJudgement();
    }
    if (seconds != nullptr) {
        *seconds = delivery->report.seconds;
    }
    return NvkRunCallReturned;
}

// A test that ended its worker fails with how it ended, at the first call that
// reaches it. A stop, or an end that no new worker follows, ends the run there.
int32_t RemoteRun::ReplayEnd(Delivery &delivery, NvkTestFunction *test, double *seconds) {
    if (seconds != nullptr) {
        *seconds = delivery.end.seconds;
    }
    if (delivery.endRecorded) {
        return NvkRunCallReturned;
    }
    delivery.endRecorded = true;
    for (const ReportedFailure &failure : delivery.end.failures) {
        RecordReportedFailure(failure);
    }
    if (EndsAsExpected(delivery.end, delivery.expected)) {
        run::RecordJudgement(delivery.expected, EndOfProcess(delivery.end.process));
        return NvkRunCallReturned;
    }
    if (observer_ != nullptr) {
        observer_->TestEnded(test, delivery.end);
    }
    NvkAssert(0, nullptr, 0, "%s", EndMessage(delivery.end, settings_.timeoutSeconds).c_str());
    const bool goesOn = delivery.end.kind != TestEnd::Kind::Stopped && settings_.restartAfterEnd;
    endedTheRun_ = !goesOn;
    return goesOn ? NvkRunCallReturned : NvkRunCallStopRun;
}

}  // namespace run
