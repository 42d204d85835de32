// The about box: the runner's description, version and legal notice.
#pragma once

#include <windows.h>

namespace runner {

// Modal; owned by owner. The texts are read from the program's version resource
// each time.
void ShowAboutBox(HWND owner);

}  // namespace runner
