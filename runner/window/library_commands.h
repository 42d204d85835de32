// Opening, reloading and closing the test library from the window: the shadow copy,
// the cursor, the window title, the error messages and the recent files around
// library loading.
#pragma once

#include <windows.h>

#include <string>

#include "resources/runner_string.h"

namespace runner {

// Loads the library at path (a private copy of it unless shadow copy is off),
// titles the main window after it, and reports a failure, a library without tests,
// or what its registration refused, in the error message box.
void OpenTestLibrary(HWND mainWindow, const char *path);

// Releases the loaded library, if any, and gives the main window its plain title.
void CloseTestLibrary(HWND mainWindow);

// Loads the open library again from its file, keeping the check boxes, the expanded
// batches, the current test function and what was in sight, by name. A file that no
// longer loads leaves the loaded library as it was and says so in the title; what the
// registration of the library loaded refused shows in the error message box.
void ReloadTestLibrary(HWND mainWindow);

// At each tick of the window's timer: reloads the library once its file has
// changed and settled, when automatic reload is on.
void WatchTestLibrary(HWND mainWindow);

// Opens recent file index, or drops it from the list with a message when it is gone.
void OpenRecentFile(HWND mainWindow, size_t index);

// Lists the recent files in the File menu, above Exit.
void ShowRecentFiles(HWND mainWindow);

// The user's file of the open library, also when a copy of it was loaded; "" when
// none is open.
std::string OpenLibraryFile();

// Asks for a DLL with the open-file dialog. Returns the chosen path, or no text when
// the user cancels.
RunnerString ChooseTestLibrary(HWND owner);

}  // namespace runner
