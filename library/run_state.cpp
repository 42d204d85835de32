#include "run_state.h"

namespace {

uint32_t runDepth = 0;
NvkTestFunction *currentTestFunction = nullptr;

}  // namespace

namespace nvk {

bool RunInProgress() { return runDepth > 0; }

bool EnterRun() { return ++runDepth == 1; }

bool LeaveRun() { return --runDepth == 0; }

NvkTestFunction *CurrentTestFunction() { return currentTestFunction; }

void SetCurrentTestFunction(NvkTestFunction *testFunction) { currentTestFunction = testFunction; }

}  // namespace nvk

extern "C" {

int32_t NVK_CALL NvkIsRunning(void) { return nvk::RunInProgress() ? 1 : 0; }

NvkTestFunction *NVK_CALL NvkTestFunctionGetCurrent(void) { return currentTestFunction; }

}  // extern "C"
