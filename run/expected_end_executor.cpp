#include "expected_end_executor.h"

namespace run {
namespace {

// As the library calls user code without an executor: under the crash guard, but
// where a debugger is to see failures, which sees crashes where they happen.
int32_t CallHere(NvkTestProc function) {
    if (NvkShouldBreakOnFailure() != 0) {
        function();
        return NvkRunCallReturned;
    }
    const char *details = nullptr;
    if (NvkCallGuarded(function, &details) != 0) {
        return NvkRunCallReturned;
    }
    NvkSetCrashDetails(details);
    return NvkRunCallCrashed;
}

bool SkippedItself(NvkTestFunction *test) { return NvkTestFunctionGetSkipReason(test) != nullptr; }

}  // namespace

ExpectedEndExecutor::ExpectedEndExecutor(const OwnWorkers &workers) : workers_(workers) {}

ExpectedEndExecutor::~ExpectedEndExecutor() {
    if (installed_) {
        NvkSetRunExecutor(nullptr, nullptr);
    }
}

bool ExpectedEndExecutor::Needed() {
    if (NvkBatchGetCount(nullptr) == 0) {
        return false;
    }
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
             test = NvkTestFunctionGetNext(test)) {
            if (NvkTestFunctionGetExpectedEnd(test, nullptr) != NvkExpectedEndReturn) {
                return true;
            }
        }
    }
    return false;
}

bool ExpectedEndExecutor::Install(const RegistryIndex &index) {
    index_ = &index;
    installed_ = NvkSetRunExecutor(&ExpectedEndExecutor::Execute, this) != 0;
    return installed_;
}

void ExpectedEndExecutor::Stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    if (pool_) {
        pool_->Stop();
    }
}

int32_t NVK_CALL ExpectedEndExecutor::Execute(void *context, int32_t call, NvkTestFunction *test, NvkTestProc function,
                                              double *seconds) {
    return static_cast<ExpectedEndExecutor *>(context)->OnCall(call, test, function, seconds);
}

// A test that runs in a worker of its own runs there whole, setups and tear-downs
// included, at the call of its function; a batch's ends stay here, for its other tests.
int32_t ExpectedEndExecutor::OnCall(int32_t call, NvkTestFunction *test, NvkTestProc function, double *seconds) {
    const ExpectedEnd expected = ExpectedEndOf(test);
    if (expected.kind == ExpectedEnd::Kind::Return || call == NvkRunCallBatchSetup || call == NvkRunCallBatchTearDown) {
        return CallHere(function);
    }
    if (NeedsOwnWorker(expected)) {
        return call == NvkRunCallTestFunction ? RunInOwnWorker(test, expected, seconds) : NvkRunCallReturned;
    }
    if (call != NvkRunCallTestFunction) {
        return CallHere(function);
    }
    const char *details = nullptr;
    const bool returned = NvkCallGuarded(function, &details) != 0;
    if (!SkippedItself(test)) {
        RecordJudgement(expected, returned ? ActualEnd() : EndOfCrash(details != nullptr ? details : ""));
    }
    return NvkRunCallReturned;
}

int32_t ExpectedEndExecutor::RunInOwnWorker(NvkTestFunction *test, const ExpectedEnd &expected, double *seconds) {
    TestKey key = 0;
    if (!workers_.starter || !index_->Find(test, key)) {
        NvkAssert(0, nullptr, 0, "%s", "the test ends its process, and this run has no worker process to run it in");
        return NvkRunCallReturned;
    }
    PoolSettings settings;
    settings.restartAfterEnd = false;
    settings.fingerprint = index_->Fingerprint();
    DeliveryWait &wait = workers_.wait != nullptr ? *workers_.wait : ownWait_;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (stopped_) {
            NvkAssert(0, nullptr, 0, "%s", "stopped");
            return NvkRunCallStopRun;
        }
        done_ = finished_ = ended_ = false;
        pool_.reset(new WorkerPool(settings, workers_.starter, *this));
        pool_->Start({Step{true, {(*index_)[key].ref}}});
        while (!done_) {
            wait.Await(lock);
        }
    }
    pool_->Join();
    const std::string &output = finished_ ? report_.output : end_.output;
    if (workers_.observer != nullptr && !output.empty()) {
        workers_.observer->TestOutput(test, output);
    }
    if (seconds != nullptr) {
        *seconds = finished_ ? report_.seconds : end_.seconds;
    }
    if (finished_) {
        ReplayReport(expected);
        return NvkRunCallReturned;
    }
    if (ended_) {
        return ReplayEnd(test, expected);
    }
    const std::vector<std::string> errors = pool_->Errors();
    NvkAssert(0, nullptr, 0, "%s",
              errors.empty() ? "stopped" : ("no worker process ran this test: " + errors.front()).c_str());
    return NvkRunCallStopRun;
}

// The test's checks in their order, its setups' and tear-downs' with them; its own
// crash is its end, judged once it was called and did not skip itself.
void ExpectedEndExecutor::ReplayReport(const ExpectedEnd &expected) {
    ActualEnd actual;
    bool called = false;
    bool skipped = false;
    size_t nextFailure = 0;
    for (const ReportedCheck &check : report_.checks) {
        if (check.kind == CheckKind::Started) {
            called = true;
        } else if (check.kind == CheckKind::Passes) {
            RecordReportedPasses(report_.fileName, check.passes);
        } else if (check.kind == CheckKind::Skipped) {
            skipped = true;
            NvkSkip("%s", report_.skipReason.c_str());
        } else if (nextFailure < report_.failures.size()) {
            const ReportedFailure &failure = report_.failures[nextFailure++];
            if (IsTestFunctionCrash(failure)) {
                actual = EndOfCrash(failure.crashDetails);
            } else {
                RecordReportedFailure(failure);
            }
        }
    }
    if (called && !skipped) {
        RecordJudgement(expected, actual);
    }
}

// An end of the worker during the test is the test's end, judged; any other is told
// as a worker's end is told.
int32_t ExpectedEndExecutor::ReplayEnd(NvkTestFunction *test, const ExpectedEnd &expected) {
    for (const ReportedFailure &failure : end_.failures) {
        RecordReportedFailure(failure);
    }
    if (end_.kind == TestEnd::Kind::Died && end_.phase == Phase::Test) {
        RecordJudgement(expected, EndOfProcess(end_.process));
        return NvkRunCallReturned;
    }
    if (workers_.observer != nullptr) {
        workers_.observer->TestEnded(test, end_);
    }
    if (end_.kind == TestEnd::Kind::Stopped) {
        NvkAssert(0, nullptr, 0, "%s", "stopped");
        return NvkRunCallStopRun;
    }
    const std::string message =
        end_.kind == TestEnd::Kind::ProtocolError ? end_.message : DescribeProcessEnd(end_.process);
    NvkAssert(0, nullptr, 0, "%s", message.c_str());
    return NvkRunCallReturned;
}

void ExpectedEndExecutor::Finished(TestReport &&report) {
    std::lock_guard<std::mutex> lock(mutex_);
    report_ = std::move(report);
    finished_ = true;
}

void ExpectedEndExecutor::Ended(const TestRef &, TestEnd &&end) {
    std::lock_guard<std::mutex> lock(mutex_);
    end_ = std::move(end);
    ended_ = true;
}

void ExpectedEndExecutor::AllDone() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    (workers_.wait != nullptr ? *workers_.wait : ownWait_).Notify();
}

}  // namespace run
