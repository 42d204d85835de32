// The one place where a check made inside a running test is counted or recorded: on
// the run's thread at once, without a lock; on another thread of the test through the
// side record that the run's thread merges (other_threads.h).
#include <cstdarg>

#include "check_record.h"
#include "crash_details.h"
#include "events.h"
#include "memory.h"
#include "other_threads.h"
#include "registry.h"
#include "report_buffer.h"
#include "run_state.h"
#include "stored_message.h"

namespace nvk {

void CaptureFileName(NvkTestFunction *testFunction, const char *fileName) {
    if (testFunction->fileName != nullptr || fileName == nullptr || fileName[0] == '\0') {
        return;
    }
    const SharedFileName shared = ShareFileName(fileName);
    testFunction->fileName = shared.text;
    testFunction->fileNameInReport = shared.inReport;
    // It counts as the test's own string, as it did when each test had a copy.
    CountAllocation();
}

void CountPass(NvkTestFunction *testFunction) {
    ++testFunction->passedAssertions;
    RaiseEvent(NvkEventAssertPassed, 0, testFunction->batch, testFunction);
}

NvkAssertionFailure *NewFailure(NvkTestFunction *testFunction, const char *fileName, int lineNumber, const char *format,
                                va_list arguments) {
    NvkAssertionFailure *failure = AllocateRecord<NvkAssertionFailure>();
    failure->lineNumber = lineNumber;
    failure->testFunction = testFunction;
    failure->fileName = CopyUntracked(fileName);
    failure->message = StoreMessage(format, arguments);
    failure->messageInReport = KeepText<uint32_t>(failure->message);
    return failure;
}

// Once the test function has been timed (its tear-downs) it counts as run, so the
// handler may reset it and free the new record: it must not be touched after that.
const char *AddFailure(NvkTestFunction *testFunction, NvkAssertionFailure *failure) {
    AppendFailure(testFunction, failure);
    RaiseEvent(NvkEventAssertFailed, 0, testFunction, failure);
    if (testFunction->lastFailure != failure) {
        return nullptr;
    }
    RaiseEvent(NvkEventFailureAdded, 0, testFunction, failure);
    if (testFunction->lastFailure != failure) {
        return nullptr;
    }
    return failure->message;
}

const char *Check(int condition, const char *fileName, int lineNumber, const char *format, va_list arguments) {
    if (condition == 0 && (format == nullptr || format[0] == '\0')) {
        return nullptr;
    }
    NvkTestFunction *testFunction = CurrentTestFunction();
    if (testFunction == nullptr) {
        NoteLateCheck(condition, fileName, lineNumber, format, arguments);
        return nullptr;
    }
    if (!OnRunThread()) {
        return CheckFromOtherThread(condition, fileName, lineNumber, format, arguments);
    }
    CaptureFileName(testFunction, fileName);
    if (condition != 0) {
        CountPass(testFunction);
        return nullptr;
    }
    NvkAssertionFailure *failure = NewFailure(testFunction, fileName, lineNumber, format, arguments);
    failure->crashDetails = TakeCrashDetails(lineNumber, failure->message);
    return AddFailure(testFunction, failure);
}

}  // namespace nvk

extern "C" const char *NVK_CALL NvkAssert(int condition, const char *fileName, int lineNumber, const char *format,
                                          ...) {
    if (condition != 0 && nvk::CountedPassHere(fileName)) {
        return nullptr;
    }
    va_list arguments;
    va_start(arguments, format);
    const char *message = nvk::Check(condition, fileName, lineNumber, format, arguments);
    va_end(arguments);
    return message;
}
