// The one place where a check made inside a running test is counted or recorded.
#include <cstdarg>

#include "crash_details.h"
#include "events.h"
#include "memory.h"
#include "registry.h"
#include "run_state.h"
#include "stored_message.h"

namespace {

void CaptureFileName(NvkTestFunction *testFunction, const char *fileName) {
    if (testFunction->fileName == nullptr && fileName != nullptr) {
        testFunction->fileName = NvkMemCopyString(fileName);
    }
}

void CountPass(NvkTestFunction *testFunction) {
    ++testFunction->passedAssertions;
    nvk::RaiseEvent(NvkEventAssertPassed, 0, testFunction->batch, testFunction);
}

}  // namespace

extern "C" const char *NVK_CALL NvkAssert(int condition, const char *fileName, int lineNumber, const char *format,
                                          ...) {
    NvkTestFunction *testFunction = nvk::CurrentTestFunction();
    if (testFunction == nullptr) {
        return nullptr;
    }
    if (condition == 0 && (format == nullptr || format[0] == '\0')) {
        return nullptr;
    }
    CaptureFileName(testFunction, fileName);
    if (condition != 0) {
        CountPass(testFunction);
        return nullptr;
    }

    NvkAssertionFailure *failure = nvk::AllocateRecord<NvkAssertionFailure>();
    failure->lineNumber = lineNumber;
    failure->testFunction = testFunction;
    failure->fileName = nvk::CopyUntracked(fileName);
    va_list arguments;
    va_start(arguments, format);
    failure->message = nvk::StoreMessage(format, arguments);
    va_end(arguments);
    failure->crashDetails = nvk::TakeCrashDetails(lineNumber, failure->message);
    nvk::AppendFailure(testFunction, failure);

    // Once the test function has been timed (its tear-downs) it counts as run, so the
    // handler may reset it and free the new record: it must not be touched after that.
    nvk::RaiseEvent(NvkEventAssertFailed, 0, testFunction, failure);
    if (testFunction->lastFailure != failure) {
        return nullptr;
    }
    nvk::RaiseEvent(NvkEventFailureAdded, 0, testFunction, failure);
    if (testFunction->lastFailure != failure) {
        return nullptr;
    }
    return failure->message;
}
