// Opening a failure's source file at its line, or a test at its definition: in the
// editor the user set (the Editor Command dialog, or the registry), else as the shell
// opens the file.
#pragma once

#include <windows.h>

#include "norvik.h"
#include "rules/run_results.h"

namespace runner {

// A failure of a test's copies at its file and line; one without a place of its own
// (a crash) opens the test's definition, and where that is not known the user is
// told there is no line.
void OpenSourceOfFailure(HWND owner, const TestResult &result, const run::Failure &failure);

// The test function's definition when known; else its file, at its first failure's
// line when it failed, or at line 1.
void OpenSourceOfTestFunction(HWND owner, NvkTestFunction *testFunction);

// The small dialog that sets the editor command.
void ShowEditorCommandDialog(HWND owner);

}  // namespace runner
