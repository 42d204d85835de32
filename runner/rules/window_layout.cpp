#include "rules/window_layout.h"

namespace runner {
namespace {

constexpr int kGap = 6;
constexpr int kPaneBottomMargin = 22;
constexpr int kProgressTopMargin = 16;
constexpr int kFailureListHeight = 74;
constexpr int kListsGap = 2;

Box Shrunk(const Box &box, int by) { return {box.left + by, box.top + by, box.right - by, box.bottom - by}; }

}  // namespace

Box PaneBox(int width, int height, const Box &tree, int tabBottom) {
    return {tree.right + kGap, tabBottom, width - kGap, height - kPaneBottomMargin};
}

MainLayout ComputeMainLayout(int width, int height, const Box &tree, int tabBottom) {
    MainLayout layout;
    layout.tree = {tree.left, tree.top, tree.right, height};
    layout.pane = PaneBox(width, height, tree, tabBottom);
    layout.progress = {tree.right + kGap, height - kProgressTopMargin, width - kGap, height - kGap};
    const Box inner = Shrunk(layout.pane, 1);
    layout.xmlView = inner;
    layout.resultList = {inner.left, inner.top, inner.right, inner.bottom - kFailureListHeight - kListsGap};
    layout.failureList = {inner.left, inner.bottom - kFailureListHeight, inner.right, inner.bottom};
    layout.repaint = {layout.pane.left, layout.pane.top, width, height};
    return layout;
}

}  // namespace runner
