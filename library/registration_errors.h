// Tests that registration refused, kept as texts until the registry is emptied, so
// that a runner can show them and fail the run instead of losing the tests quietly.
#pragma once

#include "records.h"

namespace nvk {

// Keeps the text (copied, outside the allocation count). printf-style.
void RecordRegistrationError(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

void ClearRegistrationErrors();

}  // namespace nvk
