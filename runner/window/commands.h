// The window's commands, shared by menu items, keys and buttons, with the rule that
// says when each is offered.
#pragma once

#include <windows.h>

namespace runner {

// Carries out a command; runs in the window's process return when they are over,
// those in a worker process once started. Unknown ids do nothing.
void RunCommand(HWND mainWindow, WORD commandId);

// Enables or greys every menu item and the buttons that follow a rule.
void UpdateCommandState(HWND mainWindow);

// Greys the whole window while a run is in progress and restores it afterwards.
void UpdateRunningState(HWND mainWindow);

}  // namespace runner
