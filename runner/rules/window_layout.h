// Where the main window's views go for a client size. Portable: plain rectangles.
#pragma once

#include "rules/box.h"

namespace runner {

struct MainLayout {
    Box tree;
    Box pane;  // the result views' area, also drawn around by the background
    Box xmlView;
    Box resultList;
    Box failureList;
    Box progress;
    Box repaint;  // from the pane's top-left corner to the client's bottom-right
};

// width and height: the client size; tree: the tree's current rectangle; tabBottom:
// the bottom edge of the view tabs.
MainLayout ComputeMainLayout(int width, int height, const Box &tree, int tabBottom);

// Where the views go, beside the tree, under the tabs and above the progress bar:
// the layout's pane, which the background also frames.
Box PaneBox(int width, int height, const Box &tree, int tabBottom);

}  // namespace runner
