// The numbers of the runner's look, checked in every build.
#include <gtest/gtest.h>

#include "rules/look_geometry.h"
#include "rules/window_layout.h"

namespace {

using namespace runner::look;
using runner::Box;

int Grey(Colour colour) {
    EXPECT_EQ(colour.red, colour.green);
    EXPECT_EQ(colour.red, colour.blue);
    return colour.red;
}

// Each step darkens by 65 / height, truncated toward zero, so the last row never
// quite reaches the dark end.
TEST(LookGeometry, GradientRowsRunFromLightToDarkTruncatingTowardZero) {
    EXPECT_EQ(192, Grey(GradientRowColour(0, 1, false)));
    EXPECT_EQ(127, Grey(GradientRowColour(0, 1, true)));
    EXPECT_EQ(160, Grey(GradientRowColour(1, 2, false)));  // 192 - 32.5
    EXPECT_EQ(159, Grey(GradientRowColour(1, 2, true)));   // 127 + 32.5
    EXPECT_EQ(137, Grey(GradientRowColour(6, 7, false)));  // 192 - 55.7
    EXPECT_EQ(128, Grey(GradientRowColour(99, 100, false)));
    EXPECT_EQ(191, Grey(GradientRowColour(99, 100, true)));
}

TEST(LookGeometry, PicturesSitCentredAtTheLeftAndFollowThePress) {
    const Box inner = {12, 12, 88, 33};
    EXPECT_EQ(18, ButtonImagePosition(inner, 16, false).x);
    EXPECT_EQ(14, ButtonImagePosition(inner, 16, false).y);  // 12 + 21 / 2 - 8
    EXPECT_EQ(19, ButtonImagePosition(inner, 16, true).x);
    EXPECT_EQ(15, ButtonImagePosition(inner, 16, true).y);
}

// The background frames the pane that the layout gives the views.
TEST(LookGeometry, ThePaneLiesBesideTheTreeUnderTheTabsAboveTheProgressBar) {
    const Box pane = runner::PaneBox(800, 600, {0, 40, 210, 600}, 63);
    EXPECT_EQ(216, pane.left);
    EXPECT_EQ(63, pane.top);
    EXPECT_EQ(794, pane.right);
    EXPECT_EQ(578, pane.bottom);
}

}  // namespace
