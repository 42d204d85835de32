// The run depth, the current test function and the run's executor, and their
// exported readers and setter.
#include "run_state.h"

namespace nvk {

uint32_t runDepth = 0;
std::atomic<NvkTestFunction *> currentTestFunction{nullptr};
std::atomic<uint32_t> testStarts{0};
std::atomic<ThreadId> runThread{0};
int64_t currentTestStart = kNotTimed;
NvkRunExecutor runExecutor = nullptr;
void *runExecutorContext = nullptr;
bool runStopRequested = false;

}  // namespace nvk

extern "C" {

int32_t NVK_CALL NvkIsRunning(void) { return nvk::RunInProgress() ? 1 : 0; }

NvkTestFunction *NVK_CALL NvkTestFunctionGetCurrent(void) { return nvk::CurrentTestFunction(); }

int32_t NVK_CALL NvkSetRunExecutor(NvkRunExecutor executor, void *context) {
    if (nvk::RunInProgress()) {
        return 0;
    }
    nvk::runExecutor = executor;
    nvk::runExecutorContext = context;
    return 1;
}

}  // extern "C"
