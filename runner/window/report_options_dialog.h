// The dialog that asks which items go into the report, then where to save it.
#pragma once

#include <windows.h>

namespace runner {

// Modal; owned by owner. Returns when the report was saved or the user gave up.
void ShowReportOptionsDialog(HWND owner);

}  // namespace runner
