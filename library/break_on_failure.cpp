// The setting that hands failures and crashes to an attached debugger: the checks
// break where they fail, and the run calls user code without the crash guard, so
// that a fault stops at its own instruction.
#include "break_on_failure.h"

namespace nvk {

bool breakOnFailure = false;

}  // namespace nvk

extern "C" {

int32_t NVK_CALL NvkSetBreakOnFailure(int32_t on) {
    const bool before = nvk::breakOnFailure;
    nvk::breakOnFailure = on != 0;
    return before ? 1 : 0;
}

int32_t NVK_CALL NvkShouldBreakOnFailure(void) { return nvk::BreaksIntoDebugger() ? 1 : 0; }

}  // extern "C"
