// Pens, bitmaps, selections and text settings owned for one drawing step, so that it
// gives back what it took whichever way it ends.
#pragma once

#include <windows.h>

#include "drawing/owned_handles.h"

namespace runner {

// A pen or bitmap the caller created; deleted with the owner. May hold none.
using OwnedPen = Owned<HPEN, DeleteGdiObject>;
using OwnedBitmap = Owned<HBITMAP, DeleteGdiObject>;

inline OwnedPen SolidPen(COLORREF colour) { return OwnedPen(CreatePen(PS_SOLID, 1, colour)); }

// Selects an object into a device context and puts the previous one back.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object != nullptr ? SelectObject(dc, object) : nullptr) {}
    ~Selection() {
        if (previous_ != nullptr) {
            SelectObject(dc_, previous_);
        }
    }
    Selection(const Selection &) = delete;
    Selection &operator=(const Selection &) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// The background mode and text colour of a device context, restored on the way out.
class TextSettings {
public:
    explicit TextSettings(HDC dc) : dc_(dc), mode_(SetBkMode(dc, TRANSPARENT)), colour_(GetTextColor(dc)) {}
    ~TextSettings() {
        SetTextColor(dc_, colour_);
        SetBkMode(dc_, mode_);
    }
    TextSettings(const TextSettings &) = delete;
    TextSettings &operator=(const TextSettings &) = delete;

private:
    HDC dc_;
    int mode_;
    COLORREF colour_;
};

}  // namespace runner
