// Where the main window's views go for a client size. Portable: plain rectangles.
#pragma once

namespace runner {

struct Box {
    int left;
    int top;
    int right;
    int bottom;
};

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

}  // namespace runner
