// Counting a passed check and recording a failure on a test function, shared by the
// checks of the run's thread and the merge of what other threads checked.
#pragma once

#include <cstdarg>

#include "records.h"
#include "run_state.h"

namespace nvk {

// Counts the pass and raises its event.
void CountPass(NvkTestFunction *testFunction);

// The first file a check names becomes the test function's file name.
void CaptureFileName(NvkTestFunction *testFunction, const char *fileName);

// A failure record for testFunction with the message formatted, not yet in its list.
NvkAssertionFailure *NewFailure(NvkTestFunction *testFunction, const char *fileName, int lineNumber, const char *format,
                                va_list arguments);

// Appends the failure and raises its events; the failure's message, or NULL when the
// event handler reset the test function meanwhile (which freed the failure).
const char *AddFailure(NvkTestFunction *testFunction, NvkAssertionFailure *failure);

// A pass made on the run's thread during a test, counted before its message's
// arguments are even looked at: most checks pass. False when the check is not
// that, and must go through Check.
inline bool CountedPassHere(const char *fileName) {
    NvkTestFunction *testFunction = CurrentTestFunction();
    if (testFunction == nullptr || !OnRunThread()) {
        return false;
    }
    CaptureFileName(testFunction, fileName);
    CountPass(testFunction);
    return true;
}

// NvkAssert with its arguments as a list.
const char *Check(int condition, const char *fileName, int lineNumber, const char *format, va_list arguments);

}  // namespace nvk
