// What the window keeps per user between starts, under
// HKEY_CURRENT_USER\Software\Norvik\WindowsNorvik: placement, view mode, column
// widths, the check items, the time limit, the recent files and the editor command.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "rules/remembered_settings.h"

namespace runner {

struct RememberedState {
    WindowPlacementSetting placement;
    bool xmlView = false;
    // The widths the user dragged columns to, 0 for those that follow their texts;
    // empty when none were kept.
    std::vector<int> resultColumns;
    std::vector<int> failureColumns;
    bool autoReload = true;
    bool runAfterReload = false;
    bool shadowCopy = true;
    // The tests run in a worker process: the window outlives whatever they do.
    bool separateProcess = true;
    // Failing checks and crashes stop in a debugger attached to the window.
    bool breakOnFailure = false;
    int timeLimitSeconds = 0;  // one of kTimeLimits; 0 is none
    std::vector<std::string> recentFiles;
    std::string editorCommand;
};

// The state read once at start; every value missing or damaged has its default.
RememberedState &Remembered();
void ReadRememberedState();

// Each writes its own values at once, so that a runner that dies keeps them.
void StoreFlags();
void StoreRecentFiles();
void StoreEditorCommand();
// The window's placement, view mode and column widths, taken when it closes.
void StoreWindowState(HWND mainWindow, bool xmlView);

}  // namespace runner
