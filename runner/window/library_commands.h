// Opening and closing the test library from the window: the cursor, the window
// title and the error messages around library loading.
#pragma once

#include <windows.h>

#include "window/runner_string.h"

namespace runner {

// Loads the library at path, titles the main window after it, and reports a failure,
// or a library without tests, in the error message box.
void OpenTestLibrary(HWND mainWindow, const char *path);

// Releases the loaded library, if any, and gives the main window its plain title.
void CloseTestLibrary(HWND mainWindow);

// Asks for a DLL with the open-file dialog. Returns the chosen path, or no text when
// the user cancels.
RunnerString ChooseTestLibrary(HWND owner);

}  // namespace runner
