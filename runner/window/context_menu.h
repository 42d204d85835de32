// The menu that a right click on a test function or batch opens.
#pragma once

#include <windows.h>

namespace runner {

// Offers running the current test function and the available batch, at the cursor.
void ShowTestContextMenu(HWND owner);

}  // namespace runner
