// The numbers of the runner's look, checked in every build.
#include <gtest/gtest.h>

#include "look_geometry.h"
#include "resources/resource.h"

namespace {

using namespace runner::look;

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

TEST(LookGeometry, TabOutlinesCutTheTopCornersAndTheBevelStaysInside) {
    const Box item = {100, 20, 200, 40};
    const TabOutline clip = TabClipOutline(item);
    EXPECT_EQ(100, clip[1].x);
    EXPECT_EQ(28, clip[1].y);
    EXPECT_EQ(108, clip[2].x);
    EXPECT_EQ(192, clip[3].x);
    EXPECT_EQ(200, clip[4].x);
    EXPECT_EQ(clip[0].x, clip[6].x);
    const TabOutline bevel = TabBevelOutline(item);
    EXPECT_EQ(191, bevel[3].x);
    EXPECT_EQ(199, bevel[4].x);
    EXPECT_EQ(199, bevel[5].x);
    EXPECT_EQ(clip[2].x, bevel[2].x);
}

TEST(LookGeometry, TheFrameRunsRoundThePaneAndAlongTheActiveTab) {
    const auto frame = ActiveTabFrame({150, 30, 250, 50}, {146, 50, 394, 278});
    EXPECT_EQ(250, frame.front().x);
    EXPECT_EQ(50, frame.front().y);
    EXPECT_EQ(frame.front().x, frame.back().x);
    EXPECT_EQ(frame.front().y, frame.back().y);
    EXPECT_EQ(149, frame[5].x);  // one left of the tab
    EXPECT_EQ(29, frame[7].y);   // one above it
    EXPECT_EQ(241, frame[8].x);
}

TEST(LookGeometry, PicturesSitCentredAtTheLeftAndFollowThePress) {
    const Box inner = {12, 12, 88, 33};
    EXPECT_EQ(18, ButtonImagePosition(inner, 16, false).x);
    EXPECT_EQ(14, ButtonImagePosition(inner, 16, false).y);  // 12 + 21 / 2 - 8
    EXPECT_EQ(19, ButtonImagePosition(inner, 16, true).x);
    EXPECT_EQ(15, ButtonImagePosition(inner, 16, true).y);
}

TEST(LookGeometry, FocusRectanglesAndPicturesByControl) {
    const Box item = {0, 0, 100, 20};
    EXPECT_EQ(3, FocusRectangle(item, false).left);
    EXPECT_EQ(17, FocusRectangle(item, false).bottom);
    EXPECT_EQ(92, FocusRectangle(item, true).right);
    EXPECT_EQ(4, FocusRectangle(item, true).top);
    const int pictures[][2] = {{IDM_ABOUT, 0},        {IDM_OPEN_LIBRARY, 1}, {IDM_CLOSE_LIBRARY, 2},
                               {IDM_SELECT_ALL, 3},   {IDM_SELECT_NONE, 4},  {IDM_RUN_SELECTED, 5},
                               {1, 6},                {IDM_LIST_VIEW, -1},   {IDM_XML_VIEW, -1}};
    for (const auto &picture : pictures) {
        EXPECT_EQ(picture[1], ButtonImageIndex(picture[0])) << picture[0];
    }
    EXPECT_TRUE(IsViewTab(IDM_XML_VIEW));
    EXPECT_FALSE(IsViewTab(IDM_ABOUT));
}

TEST(LookGeometry, ThePaneLiesBesideTheTreeUnderTheTabsAboveTheProgressBar) {
    const Box pane = PaneRectangle({0, 40, 210, 600}, 63, {0, 0, 800, 600});
    EXPECT_EQ(216, pane.left);
    EXPECT_EQ(63, pane.top);
    EXPECT_EQ(794, pane.right);
    EXPECT_EQ(578, pane.bottom);
}

}  // namespace
