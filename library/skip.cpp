// A test skipping itself at run time, and the reason it gave.
#include <cstdarg>
#include <cstring>

#include "memory.h"
#include "other_threads.h"
#include "run_state.h"
#include "skip.h"
#include "stored_message.h"

namespace {

// Kept even when empty: a reason that is there tells that the test skipped.
char *CopyReason(const char *reason) {
    const std::size_t size = std::strlen(reason) + 1;
    return static_cast<char *>(std::memcpy(nvk::AllocateUntracked(size), reason, size));
}

}  // namespace

namespace nvk {

void SkipCurrentTest(NvkTestFunction *testFunction, const char *reason) {
    if (testFunction->skipReason == nullptr) {
        testFunction->skipReason = CopyReason(reason);
    }
}

}  // namespace nvk

extern "C" {

int32_t NVK_CALL NvkSkip(const char *format, ...) {
    NvkTestFunction *testFunction = nvk::CurrentTestFunction();
    if (testFunction == nullptr) {
        return 0;
    }
    char reason[nvk::kStoredMessageSize] = "";
    if (format != nullptr) {
        va_list arguments;
        va_start(arguments, format);
        nvk::FormatMessage(reason, format, arguments);
        va_end(arguments);
    }
    if (!nvk::OnRunThread()) {
        return nvk::SkipFromOtherThread(reason) ? 1 : 0;
    }
    nvk::SkipCurrentTest(testFunction, reason);
    return 1;
}

const char *NVK_CALL NvkTestFunctionGetSkipReason(NvkTestFunction *testFunction) {
    return testFunction != nullptr && nvk::SkippedItself(testFunction) ? testFunction->skipReason : nullptr;
}

}  // extern "C"
