// Opening a failure's source file at its line: in the editor the user set (the
// Editor Command dialog, or the registry), else as the shell opens the file.
#pragma once

#include <windows.h>

#include "norvik.h"

namespace runner {

// A failure at line 0 (a crash) has no place to open: the user is told so.
void OpenSourceOfFailure(HWND owner, NvkAssertionFailure *failure);

// The test function's file, at its first failure's line when it failed, else at
// line 1.
void OpenSourceOfTestFunction(HWND owner, NvkTestFunction *testFunction);

// The small dialog that sets the editor command.
void ShowEditorCommandDialog(HWND owner);

}  // namespace runner
