// The runner's own module and the texts it takes from its string table.
#pragma once

#include <windows.h>

#include "resources/runner_string.h"

namespace runner {

void RecordProgramInstance(HINSTANCE instance);
HINSTANCE ProgramInstance();

// A copy of string-table entry id (cut to 1023 characters), made with NvkMemCopyString
// so that it counts in the library's allocation count; no text when the entry does
// not exist.
RunnerString LoadRunnerString(unsigned id);

// Shows text textId with an error icon and caption captionId (0: the display name),
// owned by owner, and returns the message box's result.
int ShowErrorMessage(HWND owner, unsigned captionId, unsigned textId);

}  // namespace runner
