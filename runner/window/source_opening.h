// Opening a failure's source file at its line, or a test at its definition: in the
// editor the user set (the Editor Command dialog, or the registry), else as the shell
// opens the file.
#pragma once

#include <windows.h>

#include "norvik.h"

namespace runner {

// The failure's file at its line; a failure at line 0 (a crash) opens the test's
// definition, and where that is not known the user is told there is no line.
void OpenSourceOfFailure(HWND owner, NvkAssertionFailure *failure);

// The test function's definition when known; else its file, at its first failure's
// line when it failed, or at line 1.
void OpenSourceOfTestFunction(HWND owner, NvkTestFunction *testFunction);

// The small dialog that sets the editor command.
void ShowEditorCommandDialog(HWND owner);

}  // namespace runner
