// The numbers behind the runner's own look: the colour of each gradient row, the
// corners of bevels, tabs and the frame around the views, and where images, texts
// and focus rectangles go. Plain values only, so the native build tests them.
#pragma once

#include <array>

#include "rules/box.h"

namespace runner {
namespace look {

struct Colour {
    int red;
    int green;
    int blue;
};

struct Point {
    int x;
    int y;
};

constexpr Colour kLightGrey = {192, 192, 192};
constexpr Colour kDarkGrey = {127, 127, 127};
constexpr Colour kBlack = {0, 0, 0};
// Text shadow, and the whole text of a disabled button.
constexpr Colour kTextShadow = kLightGrey;

// Row `row` of a gradient `height` rows high: light at the top, dark at the bottom,
// or the other way round when pressed.
Colour GradientRowColour(int row, int height, bool pressed);

// A bevel's two edges, each a polyline of three points: light along the left and top,
// dark along the right and bottom (swapped when pressed, by the caller's choice of pen).
struct Bevel {
    std::array<Point, 5> frame;  // closed black frame around the box
    std::array<Point, 3> light;
    std::array<Point, 3> dark;
};
// The box's right and bottom are the last pixels drawn.
Bevel RectangleBevel(Box box);

// A view tab with cut top corners, P0 to P6, running round from the bottom left.
using TabOutline = std::array<Point, 7>;
// The outline the clip path follows over the tab's item rectangle.
TabOutline TabClipOutline(Box item);
// The same outline with its right-hand side one pixel in, for the bevel drawn inside it.
TabOutline TabBevelOutline(Box item);

// The black line around the pane that opens into the outline of the active tab.
std::array<Point, 11> ActiveTabFrame(Box tab, Box pane);

// The top-left corner of a button's image inside its (already shrunk) rectangle.
Point ButtonImagePosition(Box inner, int iconHeight, bool pressed);

// The dotted rectangle of the button with the keyboard focus.
Box FocusRectangle(Box item, bool viewTab);

// The picture of a button in the button strips, or -1 for a button without one.
int ButtonImageIndex(int controlId);

// Buttons 150 and 151, drawn as tabs above the views.
bool IsViewTab(int controlId);

}  // namespace look
}  // namespace runner
