// Push buttons, view tabs and the main window background; see control_painting.h.
#include "drawing/control_painting.h"

#include "drawing/gdi_objects.h"
#include "drawing/offscreen_drawing.h"

namespace runner {
namespace {

constexpr int kImageSpace = 12;  // margins left and right of a button's picture

void DrawButtonImage(HDC dc, const ButtonLook &look, RECT &inner) {
    int width = 0;
    int height = 0;
    ImageList_GetIconSize(look.images, &width, &height);
    const look::Point at = look::ButtonImagePosition(BoxOf(inner), height, look.pressed);
    ImageList_Draw(look.images, look.imageIndex, dc, at.x, at.y, ILD_TRANSPARENT);
    inner.left += width + kImageSpace;
}

void DrawButtonText(HDC dc, const ButtonLook &look, RECT inner) {
    const TextSettings settings(dc);
    const Selection font(dc, look.font);
    constexpr UINT kFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP;
    if (look.pressed) {
        OffsetRect(&inner, 1, 1);
    }
    SetTextColor(dc, ColourRef(look::kTextShadow));
    OffsetRect(&inner, 1, 1);
    DrawTextA(dc, look.text, -1, &inner, kFormat);
    if (look.enabled) {
        SetTextColor(dc, ColourRef(look::kBlack));
        OffsetRect(&inner, -1, -1);
        DrawTextA(dc, look.text, -1, &inner, kFormat);
    }
}

void PaintButton(HDC target, const ButtonLook &look, const look::TabOutline *outline) {
    if (IsRectEmpty(&look.item)) {
        return;
    }
    OffscreenBuffer buffer(target, look.item);
    HDC dc = buffer.Dc();
    FillGradient(dc, look.item, look.pressed);
    if (outline != nullptr) {
        DrawOutlineBevel(dc, *outline, look.pressed);
    } else {
        Box box = BoxOf(look.item);
        box.right -= 1;
        box.bottom -= 1;
        DrawRectangleBevel(dc, box, look.pressed);
    }
    RECT inner = look.item;
    InflateRect(&inner, -2, -2);
    if (look.images != nullptr && look.imageIndex >= 0) {
        DrawButtonImage(dc, look, inner);
    }
    if (look.text == nullptr || look.text[0] == '\0') {
        return;
    }
    DrawButtonText(dc, look, inner);
    if (look.focused && !look.pressed) {
        const RECT focus = RectOf(look::FocusRectangle(BoxOf(look.item), look.viewTab));
        DrawFocusRect(dc, &focus);
    }
}

void PolylineFrom(HDC dc, const look::Point *points, int count) {
    DrawPolyline(dc, static_cast<HPEN>(GetStockObject(BLACK_PEN)), points, count);
}

}  // namespace

void PaintPushButton(HDC dc, const ButtonLook &look) { PaintButton(dc, look, nullptr); }

void PaintViewTab(HDC dc, const ButtonLook &look) {
    const Box item = BoxOf(look.item);
    const look::TabOutline clip = look::TabClipOutline(item);
    POINT points[7];
    for (int index = 0; index < 7; ++index) {
        points[index] = {clip[index].x, clip[index].y};
    }
    const int saved = SaveDC(dc);
    if (BeginPath(dc)) {
        Polyline(dc, points, 7);
        EndPath(dc);
        // The buffer's copy onto dc is what the clip path cuts.
        if (SelectClipPath(dc, RGN_COPY)) {
            const look::TabOutline bevel = look::TabBevelOutline(item);
            PaintButton(dc, look, &bevel);
        }
    }
    RestoreDC(dc, saved);
}

void PaintMainBackground(HDC target, const MainBackground &background) {
    const RECT &client = background.client;
    if (IsRectEmpty(&client)) {
        return;
    }
    OffscreenBuffer buffer(target, client);
    HDC dc = buffer.Dc();
    const RECT &tree = background.tree;
    const RECT band = {0, 0, client.right, tree.top};
    FillGradient(dc, band, false);
    const look::Point divider[] = {{tree.right, tree.top}, {tree.right, tree.bottom}};
    PolylineFrom(dc, divider, 2);
    const look::Point underline[] = {{0, tree.top - 1}, {client.right, tree.top - 1}};
    PolylineFrom(dc, underline, 2);
    const RECT right = {tree.right + 1, band.bottom, client.right, client.bottom};
    FillGradient(dc, right, false);
    const auto frame = look::ActiveTabFrame(BoxOf(background.activeTab), BoxOf(background.pane));
    PolylineFrom(dc, frame.data(), static_cast<int>(frame.size()));
}

}  // namespace runner
