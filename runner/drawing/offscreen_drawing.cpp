// Off-screen buffers, the gradient and the bevels; see offscreen_drawing.h.
#include "drawing/offscreen_drawing.h"

#include "drawing/gdi_objects.h"

namespace runner {

OffscreenBuffer::OffscreenBuffer(HDC target, const RECT &area) : target_(target), drawing_(target), area_(area) {
    if (GetObjectType(target) == OBJ_MEMDC) {
        return;
    }
    HDC memory = CreateCompatibleDC(target);
    if (memory == nullptr) {
        return;
    }
    // As large as the area's far corner, so the buffer keeps the target's coordinates.
    bitmap_ = CreateCompatibleBitmap(target, area.right, area.bottom);
    if (bitmap_ == nullptr) {
        DeleteDC(memory);
        return;
    }
    drawing_ = memory;
    savedState_ = SaveDC(memory);
    SelectObject(memory, bitmap_);
}

OffscreenBuffer::~OffscreenBuffer() {
    if (drawing_ == target_) {
        return;
    }
    BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, drawing_, area_.left,
           area_.top, SRCCOPY);
    RestoreDC(drawing_, savedState_);
    DeleteObject(bitmap_);
    DeleteDC(drawing_);
}

Box BoxOf(const RECT &rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

RECT RectOf(Box box) { return {box.left, box.top, box.right, box.bottom}; }

COLORREF ColourRef(look::Colour colour) { return RGB(colour.red, colour.green, colour.blue); }

void FillGradient(HDC dc, const RECT &rect, bool pressed) {
    if (IsRectEmpty(&rect)) {
        return;
    }
    OffscreenBuffer buffer(dc, rect);
    const int height = rect.bottom - rect.top;
    for (int row = 0; row < height; ++row) {
        OwnedPen pen = SolidPen(ColourRef(look::GradientRowColour(row, height, pressed)));
        if (pen.Get() == nullptr) {
            continue;
        }
        Selection selection(buffer.Dc(), pen.Get());
        MoveToEx(buffer.Dc(), rect.left, rect.top + row, nullptr);
        LineTo(buffer.Dc(), rect.right, rect.top + row);
    }
}

void DrawPolyline(HDC dc, HPEN pen, const look::Point *points, int count) {
    if (pen == nullptr || count == 0) {
        return;
    }
    Selection selection(dc, pen);
    MoveToEx(dc, points[0].x, points[0].y, nullptr);
    for (int index = 1; index < count; ++index) {
        LineTo(dc, points[index].x, points[index].y);
    }
}

namespace {

// The pens of a bevel's two edges: white light and grey dark, swapped when pressed.
class BevelPens {
public:
    explicit BevelPens(bool pressed) : grey_(SolidPen(ColourRef(look::kDarkGrey))), pressed_(pressed) {}
    HPEN Light() const { return pressed_ ? grey_.Get() : White(); }
    HPEN Dark() const { return pressed_ ? White() : grey_.Get(); }

private:
    static HPEN White() { return static_cast<HPEN>(GetStockObject(WHITE_PEN)); }
    OwnedPen grey_;
    bool pressed_;
};

}  // namespace

void DrawRectangleBevel(HDC dc, Box box, bool pressed) {
    const look::Bevel bevel = look::RectangleBevel(box);
    const BevelPens pens(pressed);
    DrawPolyline(dc, static_cast<HPEN>(GetStockObject(BLACK_PEN)), bevel.frame.data(), 5);
    DrawPolyline(dc, pens.Light(), bevel.light.data(), 3);
    DrawPolyline(dc, pens.Dark(), bevel.dark.data(), 3);
}

void DrawOutlineBevel(HDC dc, const look::TabOutline &outline, bool pressed) {
    const BevelPens pens(pressed);
    DrawPolyline(dc, pens.Light(), &outline[0], 4);
    DrawPolyline(dc, pens.Dark(), &outline[3], 4);
}

}  // namespace runner
