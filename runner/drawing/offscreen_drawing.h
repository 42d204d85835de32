// The drawing steps under every custom-drawn control: the off-screen buffer that
// keeps repaints from flickering, the grey gradient and the bevels.
#pragma once

#include <windows.h>

#include "rules/look_geometry.h"

namespace runner {

// Draws one step into a memory bitmap and copies it onto the target in one go when
// the step ends. A step on a target that is itself a memory device context (a step
// nested in another) draws straight into it; so does one for which no buffer can be
// made, unbuffered but complete.
class OffscreenBuffer {
public:
    OffscreenBuffer(HDC target, const RECT &area);
    ~OffscreenBuffer();
    OffscreenBuffer(const OffscreenBuffer &) = delete;
    OffscreenBuffer &operator=(const OffscreenBuffer &) = delete;

    // Where the step draws, in the target's coordinates.
    HDC Dc() const { return drawing_; }

private:
    HDC target_;
    HDC drawing_;
    RECT area_;
    HBITMAP bitmap_ = nullptr;
    int savedState_ = 0;
};

Box BoxOf(const RECT &rect);
RECT RectOf(Box box);
COLORREF ColourRef(look::Colour colour);

// The grey gradient over rect, one pen per row; pressed puts the dark end on top.
void FillGradient(HDC dc, const RECT &rect, bool pressed);

// Lines through the points with pen; nothing without a pen.
void DrawPolyline(HDC dc, HPEN pen, const look::Point *points, int count);

// A black frame with a light and a dark edge inside, swapped when pressed. The box's
// right and bottom are the last pixels drawn.
void DrawRectangleBevel(HDC dc, Box box, bool pressed);

// The light and dark edges along a tab's outline, without a frame.
void DrawOutlineBevel(HDC dc, const look::TabOutline &outline, bool pressed);

}  // namespace runner
