// The runner's own look on a dialog: the subclass procedures that paint its
// background, its push buttons and its view tabs, and set its static texts
// transparent over the gradient.
#pragma once

#include <windows.h>

namespace runner {

// Sent by the drawing to a dialog's own procedure with the device context in wParam
// when its background must be erased. A procedure that paints the background itself
// answers TRUE with the message result 1; otherwise the gradient fills it.
constexpr UINT kEraseBackgroundRequest = WM_USER + 1000;

// Subclasses the dialog and turns its plain push buttons, at any depth, into
// owner-drawn ones with their pictures. Call it from WM_INITDIALOG; a second call
// does nothing.
void InstallCustomDrawing(HWND dialog);

// The main window's answer to the erase-background request: its own background, with
// the frame opening into the tab activeTabId (a view tab's id). Returns TRUE.
INT_PTR AnswerEraseBackgroundRequest(HWND mainWindow, HDC dc, int activeTabId);

}  // namespace runner
