// The progress bar: one step per finished test function, red from the first failure,
// measured by the copies of the run's results.
#pragma once

#include <windows.h>

#include <cstdint>

#include "views/view_context.h"

namespace runner {

void SetUpProgressBar(HWND bar, const ViewContext &context);

// The progress bar's part of the runner's event handling.
void ProgressOnEvent(int32_t code, void *second);

}  // namespace runner
