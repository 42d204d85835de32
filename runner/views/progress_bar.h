// The progress bar: one step per finished test function, red from the first failure.
#pragma once

#include <windows.h>

#include <cstdint>

namespace runner {

void SetUpProgressBar(HWND bar);

// The progress bar's part of the runner's event handling.
void ProgressOnEvent(int32_t code, uint32_t value, void *first, void *second);

}  // namespace runner
