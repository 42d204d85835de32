// Painting the runner's push buttons, its two view tabs and the main window's
// background from plain state; the windows hand it what they show.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "rules/look_geometry.h"

namespace runner {

struct ButtonLook {
    RECT item;
    bool pressed;
    bool enabled;
    bool focused;
    bool viewTab;
    HIMAGELIST images;  // the strip for the button's state; none for no picture
    int imageIndex;     // -1: no picture
    const char *text;
    HFONT font;  // none: the device context's own
};

// A bevelled button over the gradient: its picture at the left, its text centred
// with a light shadow (only the shadow when disabled), and a focus rectangle.
void PaintPushButton(HDC dc, const ButtonLook &look);

// A button drawn as a tab with cut top corners; nothing when the corners cannot be
// clipped.
void PaintViewTab(HDC dc, const ButtonLook &look);

// Rectangles in the main window's client coordinates.
struct MainBackground {
    RECT client;
    RECT tree;       // bottom at the client's bottom
    RECT activeTab;  // the tab of the view shown
    RECT pane;       // where the views go
};

// The gradient above the tree and behind the views, the line that divides them, and
// the black frame around the views that opens into the active tab.
void PaintMainBackground(HDC dc, const MainBackground &background);

}  // namespace runner
