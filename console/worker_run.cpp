#include "worker_run.h"

#include <unordered_map>

#include "library_loader.h"
#include "name_filter.h"
#include "norvik.h"
#include "run_results.h"
#include "run_session.h"
#include "worker_process.h"
#include "worker_protocol.h"

namespace console {
namespace {

class Worker {
public:
    int Run(const Options &options) {
        if (options.libraries.size() != 1 || !channel_.Open(options.workerChannel) ||
            loader::LoadTestLibrary(options.libraries[0].c_str()) != loader::LoadFailure::None) {
            return kExitUsageOrLoad;
        }
        tests_ = RegisteredTests();
        results_.AddRegistry(options.libraries[0]);
        for (uint32_t batch = 0; batch < tests_.size(); ++batch) {
            for (uint32_t test = 0; test < tests_[batch].size(); ++test) {
                refs_[tests_[batch][test]] = {batch, test};
            }
        }
        std::vector<Step> steps;
        if (!DecodeSteps(channel_.ReadAll(), steps) || !StepsAreKnown(steps)) {
            return kExitUsageOrLoad;
        }
        active_ = this;
        NvkSetEventHandler(&OnEvent, 1);
        channel_.Write(EncodeReady());
        for (const Step &step : steps) {
            RunStep(step);
        }
        loader::ReleaseTestLibrary();
        return kExitPassed;
    }

private:
    bool StepsAreKnown(const std::vector<Step> &steps) const {
        for (const Step &step : steps) {
            for (const TestRef &test : step.tests) {
                if (test.batch >= tests_.size() || test.test >= tests_[test.batch].size() ||
                    test.batch != step.tests.front().batch) {
                    return false;
                }
            }
        }
        return true;
    }

    // A batch step selects its tests through the skip flags, so the batch's setup
    // and tear-down run around them as in one process.
    void RunStep(const Step &step) {
        const std::vector<NvkTestFunction *> &batch = tests_[step.tests.front().batch];
        if (step.alone) {
            NvkTestFunctionRun(batch[step.tests.front().test]);
            return;
        }
        for (NvkTestFunction *test : batch) {
            NvkTestFunctionSetSkip(test, 1);
        }
        for (const TestRef &test : step.tests) {
            NvkTestFunctionSetSkip(batch[test.test], 0);
        }
        NvkBatchRun(NvkTestFunctionGetBatch(batch.front()));
    }

    static void NVK_CALL OnEvent(int32_t code, uint32_t, intptr_t, void *, void *second) {
        if (code == NvkEventTestFunctionFinished) {
            active_->TestFinished(static_cast<NvkTestFunction *>(second));
        }
    }

    // Written at once: if a later test ends the process, this one's result is out.
    void TestFinished(NvkTestFunction *test) {
        const TestRef ref = refs_.at(test);
        const TestKey key(ref.batch, ref.test);
        results_.RecordFinished(key, test);
        channel_.Write(EncodeFinished(ref, results_.Test(key)));
    }

    static Worker *active_;
    ParentChannel channel_;
    std::vector<std::vector<NvkTestFunction *>> tests_;
    std::unordered_map<NvkTestFunction *, TestRef> refs_;
    RunResults results_;
};

Worker *Worker::active_ = nullptr;

}  // namespace

int RunWorker(const Options &options) { return Worker().Run(options); }

}  // namespace console
