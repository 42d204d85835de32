// The details of crashes: held for the crash record, and read from it.
#include "crash_details.h"

#include <cstdlib>

#include "crash_texts.h"
#include "memory.h"
#include "records.h"
#include "run_state.h"

namespace nvk {

char *heldCrashDetails = nullptr;

void HoldCrashDetails(const char *details) {
    DropCrashDetails();
    heldCrashDetails = CopyUntracked(details);
}

char *TakeCrashDetails(int lineNumber, const char *message) {
    if (heldCrashDetails == nullptr || !IsCrashFailure(lineNumber, message)) {
        return nullptr;
    }
    char *details = heldCrashDetails;
    heldCrashDetails = nullptr;
    return details;
}

void DropCrashDetails() {
    std::free(heldCrashDetails);
    heldCrashDetails = nullptr;
}

}  // namespace nvk

extern "C" {

void NVK_CALL NvkSetCrashDetails(const char *details) {
    if (nvk::CurrentTestFunction() != nullptr) {
        nvk::HoldCrashDetails(details);
    }
}

const char *NVK_CALL NvkAssertionFailureGetCrashDetails(NvkAssertionFailure *failure) {
    return failure == nullptr ? nullptr : failure->crashDetails;
}

}  // extern "C"
