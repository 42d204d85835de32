// The test tree: batches and their test functions in registration order, with check
// boxes that mirror the skip flags and images that show each result, as the copies of
// its latest run tell it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "norvik.h"
#include "rules/kept_selection.h"
#include "views/view_context.h"

namespace runner {

void SetUpTestTree(HWND tree, const ViewContext &context);

// The tree's part of the runner's event handling.
void TreeOnEvent(int32_t code, uint32_t value, void *first, void *second);

// Notifications from the tree and the tree's own private messages; true when handled.
bool TreeHandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

// Shows the test function's item as the test in progress once its copies say that it
// started, until its end's event.
void TreeShowTestInProgress(NvkTestFunction *testFunction);

// Expands (or collapses) every batch item.
void ExpandEntireTree(bool expand);

// Sets every test's skip flag (0 or 1) and shows it in every box at once.
void SkipEveryTest(int32_t skip);

// The batch of the selected item, or NULL.
NvkBatch *TreeSelectedBatch();

void SelectFirstBatch();

// Selects, and scrolls to, the item of a test function unless it is selected already.
void TreeSelectTestFunction(NvkTestFunction *testFunction);

// Notes which batches are expanded, the selected item and the item at the top.
void TreeKeep(KeptSelection &kept);

// Around loading a library again: the items outlive the records they show, and the
// new records take them over when they have the same names in the same order. Then
// the items are as they were, expanded, checked and selected, and the end returns
// true; otherwise the end leaves an item for each batch, as a load does.
void TreeBeginReload();
bool TreeEndReload();

// Expands, selects and scrolls as kept, by name; names that are gone are passed over.
// Items kept through the reload are expanded and checked as they were already.
void TreeRestore(const KeptSelection &kept, bool itemsKept);

}  // namespace runner
