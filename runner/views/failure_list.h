// The failure list: the assertion failures of the current test function, which it
// follows live while that test function runs, the reason it skipped itself, and
// then what it wrote, as the copies of its latest run tell them.
#pragma once

#include <windows.h>

#include <cstdint>

#include "norvik.h"
#include "views/view_context.h"

namespace runner {

void SetUpFailureList(HWND list, const ViewContext &context);

// The failure list's part of the runner's event handling.
void FailureListOnEvent(int32_t code, void *first, void *second, NvkTestFunction *current);

// Double-click and Enter on a row; true when handled.
bool FailureListHandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

// Shows the failures of a test function, or why it skipped itself, and its output;
// none for NULL.
void FailureListRefill(NvkTestFunction *testFunction);

}  // namespace runner
