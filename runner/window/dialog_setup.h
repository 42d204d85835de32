// What every dialog of the runner gets when it opens: the runner's fonts, icon and look.
#pragma once

#include <windows.h>

namespace runner {

// Gives the dialog and its controls the dialog font (the XML view the report font),
// the program icon and the runner's own drawing. Creates the fonts on first need.
void SetUpRunnerDialog(HWND dialog);

// Deletes both fonts, once no window uses them any more.
void DeleteRunnerFonts();

}  // namespace runner
