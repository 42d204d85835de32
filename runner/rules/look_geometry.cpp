// The runner's look in numbers; see look_geometry.h.
#include "rules/look_geometry.h"

#include "resources/resource.h"

namespace runner {
namespace look {
namespace {

// Integer division truncates toward zero, which the darkening rows rely on.
int Blend(int top, int bottom, int row, int height) { return top + (row * (bottom - top)) / height; }

constexpr int kTabCorner = 8;
constexpr int kImageMargin = 6;

}  // namespace

Colour GradientRowColour(int row, int height, bool pressed) {
    const Colour top = pressed ? kDarkGrey : kLightGrey;
    const Colour bottom = pressed ? kLightGrey : kDarkGrey;
    return {Blend(top.red, bottom.red, row, height), Blend(top.green, bottom.green, row, height),
            Blend(top.blue, bottom.blue, row, height)};
}

Bevel RectangleBevel(Box b) {
    return {{{{b.left, b.bottom}, {b.left, b.top}, {b.right, b.top}, {b.right, b.bottom}, {b.left, b.bottom}}},
            {{{b.left + 1, b.bottom - 1}, {b.left + 1, b.top + 1}, {b.right - 1, b.top + 1}}},
            {{{b.right - 1, b.top + 1}, {b.right - 1, b.bottom - 1}, {b.left + 1, b.bottom - 1}}}};
}

TabOutline TabClipOutline(Box i) {
    return {{{i.left, i.bottom},
             {i.left, i.top + kTabCorner},
             {i.left + kTabCorner, i.top},
             {i.right - kTabCorner, i.top},
             {i.right, i.top + kTabCorner},
             {i.right, i.bottom},
             {i.left, i.bottom}}};
}

TabOutline TabBevelOutline(Box i) {
    TabOutline outline = TabClipOutline(i);
    outline[3] = {i.right - kTabCorner - 1, i.top};
    outline[4] = {i.right - 1, i.top + kTabCorner};
    outline[5] = {i.right - 1, i.bottom};
    return outline;
}

std::array<Point, 11> ActiveTabFrame(Box t, Box v) {
    return {{{t.right, v.top},
             {v.right, v.top},
             {v.right, v.bottom},
             {v.left, v.bottom},
             {v.left, v.top},
             {t.left - 1, v.top},
             {t.left - 1, t.top + kTabCorner},
             {t.left + kTabCorner, t.top - 1},
             {t.right - kTabCorner - 1, t.top - 1},
             {t.right, t.top + kTabCorner},
             {t.right, v.top}}};
}

Point ButtonImagePosition(Box inner, int iconHeight, bool pressed) {
    const int shift = pressed ? 1 : 0;
    return {inner.left + kImageMargin + shift, inner.top + (inner.bottom - inner.top) / 2 - iconHeight / 2 + shift};
}

Box FocusRectangle(Box item, bool viewTab) {
    const int dx = viewTab ? 8 : 3;
    const int dy = viewTab ? 4 : 3;
    return {item.left + dx, item.top + dy, item.right - dx, item.bottom - dy};
}

int ButtonImageIndex(int controlId) {
    switch (controlId) {
    case IDM_ABOUT:
        return 0;
    case IDM_OPEN_LIBRARY:
        return 1;
    case IDM_CLOSE_LIBRARY:
        return 2;
    case IDM_SELECT_ALL:
        return 3;
    case IDM_SELECT_NONE:
        return 4;
    case IDM_RUN_SELECTED:
        return 5;
    case 1:  // OK of the about box and of the report options
        return 6;
    default:
        return -1;
    }
}

bool IsViewTab(int controlId) { return controlId == IDM_LIST_VIEW || controlId == IDM_XML_VIEW; }

}  // namespace look
}  // namespace runner
