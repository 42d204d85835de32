#include "test_worker.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "library_loader.h"
#include "library_text.h"
#include "norvik.h"
#include "output_capture.h"
#include "registry_index.h"
#include "worker_contract.h"
#include "worker_process.h"
#include "worker_protocol.h"

namespace run {
namespace {

class TestWorker {
public:
    int Run(const std::string &channel, const std::string &libraryPath, const std::string &dependencyFolder) {
        if (!channel_.Open(channel)) {
            return kWorkerExitUnusable;
        }
        if (channel_.CaptureFile() >= 0) {
            capture_ = StandardCapture::IntoFile(channel_.CaptureFile());
            if (!capture_) {
                return kWorkerExitUnusable;
            }
        }
        Send(EncodeStarted());
        SearchDependenciesIn(dependencyFolder);
        if (loader::LoadTestLibrary(libraryPath.c_str()) != loader::LoadFailure::None) {
            return kWorkerExitUnusable;
        }
        const std::string planText = channel_.ReadAll();
        const uint32_t version = PlanVersion(planText);
        if (version != kProtocolVersion) {
            Send(EncodeRefused("the runner speaks version " + std::to_string(version) +
                               " of the worker protocol and this worker version " + std::to_string(kProtocolVersion) +
                               ": run a worker of the runner's own build"));
            return kWorkerExitUnusable;
        }
        WorkerPlan plan;
        if (!DecodePlan(planText, plan)) {
            return kWorkerExitUnusable;
        }
        index_ = RegistryIndex::OfLoadedLibrary(RegistryIndex::Names::Left);
        if (plan.fingerprint != index_.Fingerprint()) {
            Send(
                EncodeRefused("the test library registered other tests in a worker process than in the runner's: "
                              "its registration must not depend on the process"));
            return kWorkerExitUnusable;
        }
        if (!StepsAreKnown(plan.steps)) {
            return kWorkerExitUnusable;
        }
        for (const TestRef &test : TestsInOrder(plan.steps)) {
            planned_.push_back(index_.KeyOf(test));
        }
        lastKey_ = static_cast<TestKey>(index_.size());  // none yet: the first is the plan's
        failFast_ = plan.failFast;
        active_ = this;
        NvkSetEventHandler(&TestWorker::OnEvent, 1);
        Send(EncodeReady());
        for (const Step &step : plan.steps) {
            RunStep(step);
            if (endPlanHere_) {
                break;
            }
        }
        Send(EncodeUnloading());
        loader::ReleaseTestLibrary();
        Send(EncodeDone());
        return 0;
    }

private:
    bool StepsAreKnown(const std::vector<Step> &steps) {
        for (const Step &step : steps) {
            for (const TestRef &test : step.tests) {
                if (!index_.Holds(test) || test.batch != step.tests.front().batch) {
                    return false;
                }
            }
        }
        return true;
    }

    // A batch step selects its tests through the skip flags, so the batch's setup
    // and tear-down run around them as in one process.
    void RunStep(const Step &step) {
        const uint32_t batch = step.tests.front().batch;
        if (step.alone) {
            NvkTestFunctionRun(index_.Function(step.tests.front()));
            return;
        }
        for (uint32_t place = 0; place < index_.BatchSize(batch); ++place) {
            NvkTestFunctionSetSkip(index_.Function(TestRef{batch, place}), 1);
        }
        for (const TestRef &test : step.tests) {
            NvkTestFunctionSetSkip(index_.Function(test), 0);
        }
        NvkBatchRun(NvkTestFunctionGetBatch(index_.Function(TestRef{batch, 0})));
    }

    static void NVK_CALL OnEvent(int32_t code, uint32_t value, intptr_t, void *first, void *second) {
        switch (code) {
        case NvkEventAssertPassed:
            active_->NoteSkip(static_cast<NvkTestFunction *>(second));
            active_->CountPass();
            break;
        case NvkEventAssertFailed:
            active_->NoteSkip(static_cast<NvkTestFunction *>(first));
            active_->Failed(static_cast<NvkAssertionFailure *>(second));
            break;
        case NvkEventTestFunctionStarted:
            active_->NoteSkip(static_cast<NvkTestFunction *>(second));
            active_->Note({CheckKind::Started, 0});
            active_->Send(EncodeTestStarted(active_->RefOf(static_cast<NvkTestFunction *>(second))));
            break;
        case NvkEventTestFunctionFinished:
            active_->NoteSkip(static_cast<NvkTestFunction *>(second));
            active_->TestFinished(static_cast<NvkTestFunction *>(second), value != 0);
            break;
        default:
            break;
        }
    }

    // Tests run in the plan's order, so the test is nearly always the last one named
    // or the next one planned; the index finds any other, without moving on the plan.
    // A function the index does not hold gets a place the runner takes for a broken
    // protocol.
    TestRef RefOf(NvkTestFunction *test) {
        if (lastKey_ < index_.size() && index_.Function(lastKey_) == test) {
            return index_[lastKey_].ref;
        }
        // The next planned, or the one after it where the library passed a test by.
        for (size_t ahead = nextPlanned_; ahead < planned_.size() && ahead < nextPlanned_ + 2; ++ahead) {
            if (index_.Function(planned_[ahead]) == test) {
                lastKey_ = planned_[ahead];
                nextPlanned_ = ahead + 1;
                return index_[lastKey_].ref;
            }
        }
        if (!index_.Find(test, lastKey_)) {
            return TestRef{UINT32_MAX, UINT32_MAX};
        }
        return index_[lastKey_].ref;
    }

    // A skip raises no event: it is looked for at each one, so that the runner learns
    // whether it came before the test was called (a setup's) or after.
    void NoteSkip(NvkTestFunction *test) {
        if (skipNoted_ || test == nullptr) {
            return;
        }
        const char *reason = NvkTestFunctionGetSkipReason(test);
        if (reason != nullptr) {
            skipNoted_ = true;
            report_.skipReason = reason;
            Note({CheckKind::Skipped, 0});
        }
    }

    void CountPass() {
        std::vector<ReportedCheck> &checks = report_.checks;
        if (!checks.empty() && checks.back().kind == CheckKind::Passes) {
            ++checks.back().passes;
        } else {
            checks.push_back({CheckKind::Passes, 1});
        }
    }

    void Note(const ReportedCheck &check) { report_.checks.push_back(check); }

    // Sent at once: if the test then ends the process, what it found is out.
    void Failed(NvkAssertionFailure *failure) {
        Note({CheckKind::Failure, 0});
        ReportedFailure reported;
        reported.file = TextOf(NvkAssertionFailureGetFileName(failure));
        reported.line = NvkAssertionFailureGetLineNumber(failure);
        reported.message = TextOf(NvkAssertionFailureGetMessage(failure));
        reported.crashDetails = TextOf(NvkAssertionFailureGetCrashDetails(failure));
        Send(EncodeFailure(reported));
    }

    // One report is filled test after test, keeping its room.
    void TestFinished(NvkTestFunction *test, bool passed) {
        report_.test = RefOf(test);
        NvkTestFunctionGetStatistics(test, nullptr, nullptr, &report_.seconds);
        // Most tests of a library share their file: its name is copied when it changes.
        const char *named = NvkTestFunctionGetFileName(test);
        const char *fileName = named != nullptr ? named : "";
        if (report_.fileName.compare(fileName) != 0) {
            report_.fileName.assign(fileName);
        }
        report_.outputEnd = capture_ ? capture_->End() : 0;
        Send(EncodeTestFinished(report_));
        report_.checks.clear();
        report_.skipReason.clear();
        skipNoted_ = false;
        // The runner alone judges a test that expects to end otherwise than by returning:
        // under fail-fast the worker leaves the rest to a new worker, which the runner
        // starts only when that test passed.
        endPlanHere_ = failFast_ && (endPlanHere_ || !passed ||
                                     NvkTestFunctionGetExpectedEnd(test, nullptr) != NvkExpectedEndReturn);
    }

    // A test that closed the channel leaves nothing to report to: the worker ends
    // before any other test runs unreported.
    void Send(const std::string &line) {
        if (!channel_.Write(line)) {
            EndThisProcess(static_cast<int>(kExitChannelLost));
        }
    }

    static TestWorker *active_;
    ParentChannel channel_;
    std::unique_ptr<StandardCapture> capture_;
    RegistryIndex index_;
    TestKey lastKey_ = 0;
    std::vector<TestKey> planned_;  // the plan's tests in their order
    size_t nextPlanned_ = 0;
    TestReport report_;  // of the test in progress: its checks so far, and its skip
    bool skipNoted_ = false;
    bool failFast_ = false;
    bool endPlanHere_ = false;  // only under fail-fast
};

TestWorker *TestWorker::active_ = nullptr;

}  // namespace

int RunTestWorker(const std::string &channel, const std::string &libraryPath, const std::string &dependencyFolder) {
    return TestWorker().Run(channel, libraryPath, dependencyFolder);
}

}  // namespace run
