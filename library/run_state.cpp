// The run depth and the current test function, and their exported readers.
#include "run_state.h"

namespace nvk {

uint32_t runDepth = 0;
NvkTestFunction *currentTestFunction = nullptr;

}  // namespace nvk

extern "C" {

int32_t NVK_CALL NvkIsRunning(void) { return nvk::RunInProgress() ? 1 : 0; }

NvkTestFunction *NVK_CALL NvkTestFunctionGetCurrent(void) { return nvk::CurrentTestFunction(); }

}  // extern "C"
