// What the window tests share beyond driving windows in general: the runner's
// display name and how to find its main window.
#pragma once

#include "own_desktop.h"
#include "resources/resource.h"
#include "window_driving.h"

namespace window_driving {

constexpr char kDisplayName[] = "Windows Norvik";

// The main window: the one of dialog class whose menu is the runner's.
inline HWND WaitForMainWindow(DWORD processId, const std::string &title) {
    HWND window = WaitForWindow(processId, title);
    return window != nullptr && GetMenu(window) != nullptr ? window : nullptr;
}

// A run in a worker process goes on after the command that started it returned; it
// has ended once Open, which every run holds, is offered again.
inline bool WaitForRunToEnd(HWND window) {
    const HWND open = GetDlgItem(window, IDM_OPEN_LIBRARY);
    return WaitFor([open] { return IsWindowEnabled(open) != FALSE; });
}

}  // namespace window_driving
