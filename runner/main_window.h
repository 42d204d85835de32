// The runner's only top-level window: a modeless dialog that lives until the
// process ends.
#pragma once

#include <windows.h>

namespace runner {

// Creates the window from its template, hidden.
HWND CreateMainWindow();

}  // namespace runner
