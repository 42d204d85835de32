// What the tree control itself costs for the runner's largest tree, with none of the
// runner's code: NORVIK_BENCH_TESTS items (100,000 by default) under 1,000 parents
// of 100 each, all expanded, inserted with drawing off as the runner's Expand All
// (F2) does, then drawing turned back on and the control painted. The runner's
// expand_all_seconds (window_bench) is read against this floor. Both orders of
// insertion are timed: every parent first, as the runner inserts them, and each
// parent followed by its children. Under Wine the control finds the item a message
// names by searching its items from the first inserted, so the order decides what
// finding each child's parent costs.
//   xvfb-run -a /usr/lib/wine/wine64 build/win64/bin/tree_control_floor.exe
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <vector>

#include "bench_support.h"

namespace {

constexpr int kChildren = 100;

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
    }
}

HTREEITEM Insert(HWND tree, HTREEITEM parent, const char *text, UINT state) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_STATE;
    insert.item.pszText = const_cast<char *>(text);
    insert.item.state = state;
    insert.item.stateMask = TVIS_EXPANDED | TVIS_EXPANDEDONCE;
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

enum class Order { ParentsFirst, Interleaved };

// Inserts the items into a new tree, times that and the paint once drawing resumes,
// and prints both.
void TimeTree(int items, Order order) {
    // The styles of the runner's tree.
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_HSCROLL | TVS_HASBUTTONS | TVS_HASLINES |
                        TVS_LINESATROOT | TVS_DISABLEDRAGDROP | TVS_SHOWSELALWAYS | TVS_CHECKBOXES;
    const HWND tree = CreateWindowExA(0, WC_TREEVIEWA, "", style, 0, 0, 400, 600, nullptr, nullptr, nullptr, nullptr);
    bench::Require(tree != nullptr, "a tree control");
    PumpMessages();

    bench::Stopwatch inserting;
    SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
    char text[32];
    const int parents = (items + kChildren - 1) / kChildren;
    std::vector<HTREEITEM> batches;
    const auto insertChildren = [&](int parent) {
        for (int child = 0; child < kChildren && parent * kChildren + child < items; ++child) {
            std::snprintf(text, sizeof text, "Test%03d", child);
            bench::Require(Insert(tree, batches[static_cast<size_t>(parent)], text, 0) != nullptr, "an item inserted");
        }
    };
    for (int parent = 0; parent < parents; ++parent) {
        std::snprintf(text, sizeof text, "Batch%04d", parent);
        batches.push_back(Insert(tree, TVI_ROOT, text, TVIS_EXPANDED | TVIS_EXPANDEDONCE));
        if (order == Order::Interleaved) {
            insertChildren(parent);
        }
    }
    if (order == Order::ParentsFirst) {
        for (int parent = 0; parent < parents; ++parent) {
            insertChildren(parent);
        }
    }
    const double insertSeconds = inserting.Elapsed();
    bench::Stopwatch settingOut;
    SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree, nullptr, TRUE);
    UpdateWindow(tree);
    PumpMessages();
    const double setOutSeconds = settingOut.Elapsed();
    bench::Require(SendMessageA(tree, TVM_GETCOUNT, 0, 0) > items, "every item in the tree");
    std::printf("items=%d order=%s tree_insert_seconds=%.3f tree_redraw_seconds=%.3f tree_total_seconds=%.3f\n", items,
                order == Order::ParentsFirst ? "parents_first" : "interleaved", insertSeconds, setOutSeconds,
                insertSeconds + setOutSeconds);
    DestroyWindow(tree);
}

}  // namespace

int main() {
    const int items = bench::EnvironmentNumber("NORVIK_BENCH_TESTS", 100000);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    TimeTree(items, Order::ParentsFirst);
    TimeTree(items, Order::Interleaved);
    return 0;
}
