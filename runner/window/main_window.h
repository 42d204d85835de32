// The runner's only top-level window: a modeless dialog that lives until the
// process ends.
#pragma once

#include <windows.h>

namespace runner {

// Creates the window from its template, hidden; its keys are the accelerators'.
HWND CreateMainWindow(HACCEL accelerators);

// Hands one message to the window as its message loop does: to its keys, to the
// dialog manager, or to its window.
void DispatchWindowMessage(MSG &message);

HWND MainWindow();

// Shows the window where and as it was last closed (placement, view mode, column
// widths), or with showCommand as created when nothing valid was kept.
void ShowMainWindow(int showCommand);

enum class ViewMode { List, Xml };

ViewMode CurrentViewMode();

// Stops the tree and the lists from drawing while many items come and go at once,
// and redraws them in full when resumed.
void PauseViewDrawing(bool pause);

// Shows the result and failure lists, or the XML view, in the window's right pane.
void SwitchViewMode(ViewMode mode);

}  // namespace runner
