#include "views/tree_view.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "drawing/owned_handles.h"
#include "library_text.h"
#include "resources/program_resources.h"
#include "resources/resource.h"
#include "rules/kept_items.h"
#include "rules/result_appearance.h"
#include "rules/tree_item_table.h"

namespace runner {
namespace {

// Posted to the main window after Space reached the tree: by then the control has
// toggled the box itself, and the box is set to match the skip flag again.
constexpr UINT kSyncCheckBox = WM_APP + 1;

constexpr int kImageWidth = 16;
constexpr int kUnchecked = 1;
constexpr int kChecked = 2;

HWND tree = nullptr;
ViewContext context;
TreeItemTable items;
OwnedImageList images;
bool batchSkipGuard = false;
bool testSkipGuard = false;
// While the tree is built again, its items come and go but what it shows stays.
bool rebuilding = false;
// During a reload the items outlive the records they showed, for the rebuilt
// library's records to take over; recordsKept once those records were freed.
bool reloading = false;
bool recordsKept = false;
KeptItems keptItems;

LRESULT SendToTree(UINT message, WPARAM wParam, LPARAM lParam) { return SendMessageA(tree, message, wParam, lParam); }

// The entry stored for a record, or NULL when its user data holds no key of ours.
const TreeEntry *EntryOfRecord(void *record, int32_t key) {
    const TreeEntry *entry = items.Find(key);
    return entry != nullptr && entry->record == record ? entry : nullptr;
}

HTREEITEM ItemOfBatch(NvkBatch *batch) {
    const TreeEntry *entry = EntryOfRecord(batch, NvkBatchGetUserData(batch));
    return entry != nullptr ? static_cast<HTREEITEM>(entry->item) : nullptr;
}

HTREEITEM ItemOfTestFunction(NvkTestFunction *testFunction) {
    const TreeEntry *entry = EntryOfRecord(testFunction, NvkTestFunctionGetUserData(testFunction));
    return entry != nullptr ? static_cast<HTREEITEM>(entry->item) : nullptr;
}

// The key an item carries, or 0.
int64_t KeyOfItem(HTREEITEM item) {
    if (item == nullptr) {
        return 0;
    }
    TVITEMA read = {};
    read.mask = TVIF_HANDLE | TVIF_PARAM;
    read.hItem = item;
    if (!SendToTree(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&read))) {
        return 0;
    }
    return read.lParam;
}

const TreeEntry *EntryOfItem(HTREEITEM item) { return items.Find(KeyOfItem(item)); }

HTREEITEM NextItem(HTREEITEM item, UINT relation) {
    return reinterpret_cast<HTREEITEM>(SendToTree(TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

void SetCheckBox(HTREEITEM item, int stateImage) {
    if (item == nullptr) {
        return;
    }
    TVITEMA write = {};
    write.mask = TVIF_HANDLE | TVIF_STATE;
    write.hItem = item;
    write.stateMask = TVIS_STATEIMAGEMASK;
    write.state = INDEXTOSTATEIMAGEMASK(stateImage);
    SendToTree(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&write));
}

int CheckBoxOf(HTREEITEM item) {
    return static_cast<int>(SendToTree(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_STATEIMAGEMASK) >> 12);
}

int CheckBoxForSkip(uint32_t skip) { return skip != 0 ? kUnchecked : kChecked; }

// Inserts an item with its box and image in one message. A batch's item learns
// whether it has children and which folder it shows when the control asks, so that
// its tests may come later and its folder follows however it was expanded.
HTREEITEM InsertItem(HTREEITEM parent, const char *text, int image, int checkBox, ItemKind kind, void *record,
                     UINT expansion = 0) {
    const int32_t carried = kind == ItemKind::Batch
                                ? NvkBatchGetUserData(static_cast<NvkBatch *>(record))
                                : NvkTestFunctionGetUserData(static_cast<NvkTestFunction *>(record));
    const int32_t key = items.KeyFor(carried, record);
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_STATE;
    insert.item.pszText = const_cast<char *>(text);
    insert.item.iImage = image;
    insert.item.iSelectedImage = image;
    insert.item.lParam = key;
    insert.item.stateMask = TVIS_STATEIMAGEMASK | TVIS_EXPANDED | TVIS_EXPANDEDONCE;
    insert.item.state = INDEXTOSTATEIMAGEMASK(checkBox) | expansion;
    if (kind == ItemKind::Batch) {
        insert.item.mask |= TVIF_CHILDREN;
        insert.item.cChildren = I_CHILDRENCALLBACK;
    }
    const auto item = reinterpret_cast<HTREEITEM>(SendToTree(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    if (item == nullptr) {
        return nullptr;
    }
    items.Put(key, {item, kind, record});
    if (kind == ItemKind::Batch) {
        NvkBatchSetUserData(static_cast<NvkBatch *>(record), key, 1);
    } else {
        NvkTestFunctionSetUserData(static_cast<NvkTestFunction *>(record), key, 1);
    }
    return item;
}

void InsertBatch(NvkBatch *batch) {
    InsertItem(TVI_ROOT, NvkBatchGetName(batch), I_IMAGECALLBACK, kChecked, ItemKind::Batch, batch);
}

// The mark shows the test's copies; a test without any has not run.
int ImageOfTest(NvkTestFunction *testFunction) {
    const TestResult *result = context.resultOf != nullptr ? context.resultOf(testFunction) : nullptr;
    return TreeImageOf(StateOf(result));
}

void InsertTestItem(HTREEITEM parent, NvkTestFunction *testFunction) {
    InsertItem(parent, NvkTestFunctionGetName(testFunction), I_IMAGECALLBACK,
               CheckBoxForSkip(static_cast<uint32_t>(NvkTestFunctionGetSkip(testFunction))), ItemKind::TestFunction,
               testFunction);
}

// A batch's test items exist once it was first expanded; they show the tests as
// they are then, and events keep them so after.
void InsertChildrenOf(HTREEITEM batchItem) {
    const int64_t key = KeyOfItem(batchItem);
    const TreeEntry *entry = items.Find(key);
    if (entry == nullptr || entry->item != batchItem || !items.TakeChildrenToInsert(key)) {
        return;
    }
    auto *batch = static_cast<NvkBatch *>(entry->record);
    for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
         test = NvkTestFunctionGetNext(test)) {
        InsertTestItem(batchItem, test);
    }
}

void InsertChildrenOfBatch(NvkBatch *batch) {
    if (const HTREEITEM item = ItemOfBatch(batch)) {
        InsertChildrenOf(item);
    }
}

// A test added to a batch already shown expanded gets its item at once.
void InsertTestFunction(NvkBatch *batch, NvkTestFunction *testFunction) {
    const TreeEntry *entry = EntryOfRecord(batch, NvkBatchGetUserData(batch));
    if (entry != nullptr && entry->childrenInserted) {
        InsertTestItem(static_cast<HTREEITEM>(entry->item), testFunction);
    }
}

void DeleteBatchItem(NvkBatch *batch) {
    if (const HTREEITEM item = ItemOfBatch(batch)) {
        SendToTree(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
    }
}

void DeleteEveryItem() {
    SendToTree(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    items.Clear();
}

// The records stay loaded and keep the keys they were given first.
void DeleteItemsKeepingKeys() {
    SendToTree(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    items.ForgetItems();
}

// Notes each item's key and name before the records go, and forgets the records.
void KeepItems() {
    recordsKept = true;
    keptItems.Clear();
    // Asking an empty registry for its first batch would create one.
    for (NvkBatch *batch = NvkBatchGetCount(nullptr) > 0 ? NvkBatchGetFirst() : nullptr; batch != nullptr;
         batch = NvkBatchGetNext(batch)) {
        const TreeEntry *entry = EntryOfRecord(batch, NvkBatchGetUserData(batch));
        if (entry == nullptr || entry->item == nullptr) {
            keptItems.GiveUp();
            break;
        }
        keptItems.KeepBatch(NvkBatchGetUserData(batch), run::TextOf(NvkBatchGetName(batch)), entry->childrenInserted);
        for (NvkTestFunction *test = entry->childrenInserted ? NvkBatchGetFirstTestFunction(batch) : nullptr;
             test != nullptr; test = NvkTestFunctionGetNext(test)) {
            if (ItemOfTestFunction(test) == nullptr) {
                keptItems.GiveUp();
                break;
            }
            keptItems.KeepTest(NvkTestFunctionGetUserData(test), run::TextOf(NvkTestFunctionGetName(test)));
        }
    }
    items.ForgetRecords();
}

void OnAllBatchesFreed() {
    if (!reloading) {
        DeleteEveryItem();
    } else if (recordsKept) {
        // The records that took the items over are gone too.
        keptItems.GiveUp();
    } else {
        KeepItems();
    }
}

void TakeOverOrInsertBatch(NvkBatch *batch) {
    const int32_t key = reloading && recordsKept ? keptItems.TakeBatch(run::TextOf(NvkBatchGetName(batch))) : 0;
    if (key != 0 && items.GiveRecord(key, batch)) {
        NvkBatchSetUserData(batch, key, 1);
        return;
    }
    InsertBatch(batch);
}

void TakeOverOrInsertTest(NvkBatch *batch, NvkTestFunction *testFunction) {
    const int32_t key = reloading && recordsKept ? keptItems.TakeTest(NvkBatchGetUserData(batch),
                                                                      run::TextOf(NvkTestFunctionGetName(testFunction)))
                                                 : 0;
    if (key != 0 && items.GiveRecord(key, testFunction)) {
        NvkTestFunctionSetUserData(testFunction, key, 1);
        return;
    }
    InsertTestFunction(batch, testFunction);
}

// The items in sight, as the control last told. Under Wine the control finds the item
// a message names by searching its items from the first inserted: asking where each
// test's item lies as a run changes it would cost a run of a large expanded tree such
// a search for every test, three times. During a run the control is asked which items
// are in sight instead, once a stretch of repaints.
struct ItemsInSight {
    std::vector<HTREEITEM> items;
    ULONGLONG askedAt = 0;
};
ItemsInSight inSight;

std::vector<HTREEITEM> AskItemsInSight() {
    std::vector<HTREEITEM> shown;
    // The row cut off at the bottom is in sight too.
    const size_t rows = static_cast<size_t>(SendToTree(TVM_GETVISIBLECOUNT, 0, 0)) + 1;
    for (HTREEITEM item = NextItem(nullptr, TVGN_FIRSTVISIBLE); item != nullptr && shown.size() < rows;
         item = NextItem(item, TVGN_NEXTVISIBLE)) {
        shown.push_back(item);
    }
    return shown;
}

// Whether an item may be in sight while tests run. When what is in sight changed since
// the control was last asked, the whole tree is repainted, so that an item scrolled
// into sight meanwhile shows its latest image; the run's end repaints everything.
bool MayBeInSight(HTREEITEM item) {
    const ULONGLONG now = GetTickCount64();
    if (now - inSight.askedAt >= kRunRepaintMilliseconds) {
        std::vector<HTREEITEM> shown = AskItemsInSight();
        if (shown != inSight.items) {
            InvalidateRect(tree, nullptr, FALSE);
        }
        inSight = {std::move(shown), now};
    }
    return std::find(inSight.items.begin(), inSight.items.end(), item) != inSight.items.end();
}

// When a changed image is painted: at once, or with the window's next repaint.
enum class Paint { Now, WithTheRun };

// Most tests of a large library have no item until their batch is expanded, and
// most items are out of sight: those cost the run no paint.
void ShowTestImage(NvkTestFunction *testFunction, Paint paint) {
    const HTREEITEM item = ItemOfTestFunction(testFunction);
    if (item == nullptr) {
        return;
    }
    const bool running = RunInProgress(context);
    if (running && !MayBeInSight(item)) {
        return;
    }
    // The message takes the item in the rectangle it fills.
    RECT shown = {};
    std::memcpy(&shown, &item, sizeof item);
    if (SendToTree(TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&shown))) {
        InvalidateRect(tree, &shown, FALSE);
        // A worker's results come in short stretches, and the window paints between
        // them: a repaint at each would hold up the window's answers. A run in the
        // window's own process repaints between its tests now and then, but not during
        // one: a test that takes long shows that it runs from its start.
        if (!RegistryHeldByRun(context) && (!running || paint == Paint::Now)) {
            UpdateWindow(tree);
        }
    }
}

// The skip flag that the click or key about to toggle a box stands for: a ticked box
// (2) being cleared means skip 1, an empty one (1) being ticked skip 0.
void ApplyToggle(const TreeEntry &entry, int boxBeforeToggle) {
    const int32_t skip = boxBeforeToggle - 1;
    if (entry.kind == ItemKind::Batch) {
        batchSkipGuard = true;
        NvkBatchSkip(static_cast<NvkBatch *>(entry.record), skip);
        batchSkipGuard = false;
    } else {
        testSkipGuard = true;
        NvkTestFunctionSetSkip(static_cast<NvkTestFunction *>(entry.record), skip);
        testSkipGuard = false;
    }
}

// The item under the position of the last message, with the hit flags.
HTREEITEM HitItem(UINT *flags) {
    if (NextItem(nullptr, TVGN_ROOT) == nullptr) {
        return nullptr;
    }
    const DWORD position = GetMessagePos();
    POINT point = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    MapWindowPoints(nullptr, tree, &point, 1);
    TVHITTESTINFO hit = {};
    hit.pt = point;
    SendToTree(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    *flags = hit.flags;
    return hit.hItem;
}

void OnClick() {
    UINT flags = 0;
    const HTREEITEM item = HitItem(&flags);
    const TreeEntry *entry = EntryOfItem(item);
    if (entry != nullptr && (flags & TVHT_ONITEMSTATEICON) != 0) {
        // During a run the flag stays as it is: the box must show that.
        if (RegistryHeldByRun(context)) {
            PostMessageA(GetParent(tree), kSyncCheckBox, 0, reinterpret_cast<LPARAM>(item));
            return;
        }
        ApplyToggle(*entry, CheckBoxOf(item));
        if (NvkIsRunning() != 0) {
            PostMessageA(GetParent(tree), kSyncCheckBox, 0, reinterpret_cast<LPARAM>(item));
        }
    }
}

void OnSpace() {
    const HTREEITEM item = NextItem(nullptr, TVGN_CARET);
    const TreeEntry *entry = EntryOfItem(item);
    if (entry != nullptr) {
        if (!RegistryHeldByRun(context)) {
            ApplyToggle(*entry, CheckBoxOf(item));
        }
        PostMessageA(GetParent(tree), kSyncCheckBox, 0, reinterpret_cast<LPARAM>(item));
    }
}

// Whatever the control did with the key, the box ends showing the skip flag.
void SyncCheckBox(HTREEITEM item) {
    const TreeEntry *entry = EntryOfItem(item);
    if (entry == nullptr) {
        return;
    }
    if (entry->kind == ItemKind::TestFunction) {
        SetCheckBox(item, CheckBoxForSkip(NvkTestFunctionGetSkip(static_cast<NvkTestFunction *>(entry->record))));
        return;
    }
    // A batch's box is the value last applied to the whole batch: the one the toggle set.
    NvkTestFunction *first = NvkBatchGetFirstTestFunction(static_cast<NvkBatch *>(entry->record));
    SetCheckBox(item, CheckBoxForSkip(static_cast<uint32_t>(NvkTestFunctionGetSkip(first))));
}

void OnSelectionChanged(HTREEITEM item) {
    if (rebuilding) {
        return;
    }
    const TreeEntry *entry = EntryOfItem(item);
    const bool isTest = entry != nullptr && entry->kind == ItemKind::TestFunction;
    context.chooseTestFunction(isTest ? static_cast<NvkTestFunction *>(entry->record) : nullptr);
}

// A test function's item opens the test at its definition; a batch's expands or
// collapses as the control does it.
void OpenSourceOfItem(HTREEITEM item) {
    const TreeEntry *entry = EntryOfItem(item);
    if (entry != nullptr && entry->kind == ItemKind::TestFunction) {
        context.openTestFunction(GetParent(tree), static_cast<NvkTestFunction *>(entry->record));
    }
}

void OnDoubleClick() {
    UINT flags = 0;
    const HTREEITEM item = HitItem(&flags);
    if ((flags & TVHT_ONITEM) != 0) {
        OpenSourceOfItem(item);
    }
}

void OnRightClick() {
    UINT flags = 0;
    const HTREEITEM item = HitItem(&flags);
    if (item == nullptr || EntryOfItem(item) == nullptr) {
        return;
    }
    SendToTree(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    context.showTestMenu(GetParent(tree));
}

bool IsExpanded(HTREEITEM item) {
    return (SendToTree(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

// A batch's item asks whether it has children, and for its folder's image; a test's
// item for the image of its result, so that a change to many results is shown by
// painting alone.
void AnswerForItem(TVITEMA &item) {
    const TreeEntry *entry = items.Find(item.lParam);
    if (entry == nullptr) {
        return;
    }
    int image = 0;
    if (entry->kind == ItemKind::TestFunction) {
        image = ImageOfTest(static_cast<NvkTestFunction *>(entry->record));
    } else {
        if ((item.mask & TVIF_CHILDREN) != 0) {
            item.cChildren = NvkBatchGetFirstTestFunction(static_cast<NvkBatch *>(entry->record)) != nullptr ? 1 : 0;
        }
        image = IsExpanded(item.hItem) ? kOpenFolderImage : kClosedFolderImage;
    }
    if ((item.mask & TVIF_IMAGE) != 0) {
        item.iImage = image;
    }
    if ((item.mask & TVIF_SELECTEDIMAGE) != 0) {
        item.iSelectedImage = image;
    }
}

bool OnNotify(const NMHDR *header) {
    switch (header->code) {
    case NM_CLICK:
        OnClick();
        return true;
    case NM_RCLICK:
        OnRightClick();
        return true;
    case NM_DBLCLK:
        OnDoubleClick();
        return true;
    case NM_RETURN:
        OpenSourceOfItem(NextItem(nullptr, TVGN_CARET));
        return true;
    case TVN_KEYDOWN:
        if (reinterpret_cast<const NMTVKEYDOWN *>(header)->wVKey == VK_SPACE) {
            OnSpace();
        }
        return true;
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW:
        OnSelectionChanged(reinterpret_cast<const NMTREEVIEWA *>(header)->itemNew.hItem);
        return true;
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
        const auto *change = reinterpret_cast<const NMTREEVIEWA *>(header);
        if ((change->action & TVE_EXPAND) != 0) {
            InsertChildrenOf(change->itemNew.hItem);
        }
        return false;
    }
    case TVN_GETDISPINFOA:
    case TVN_GETDISPINFOW:
        AnswerForItem(reinterpret_cast<NMTVDISPINFOA *>(const_cast<NMHDR *>(header))->item);
        return true;
    default:
        return false;
    }
}

// What the tree shows of a batch beyond its tests' own flags and results.
struct BatchShown {
    NvkBatch *batch;
    std::string name;
    int checkBox;
    bool expanded;
};

// An item named by its record, to find again once the items were built anew.
struct RecordShown {
    ItemKind kind = ItemKind::Batch;
    void *record = nullptr;
};

RecordShown RecordOfItem(HTREEITEM item) {
    const TreeEntry *entry = EntryOfItem(item);
    return entry != nullptr ? RecordShown{entry->kind, entry->record} : RecordShown();
}

HTREEITEM ItemOfRecord(const RecordShown &shown) {
    if (shown.record == nullptr) {
        return nullptr;
    }
    if (shown.kind == ItemKind::Batch) {
        return ItemOfBatch(static_cast<NvkBatch *>(shown.record));
    }
    return ItemOfTestFunction(static_cast<NvkTestFunction *>(shown.record));
}

// The batch item of a test whose item is gone, as the control selects a collapsed
// batch in place of its test.
HTREEITEM ItemOrBatchOfRecord(const RecordShown &shown) {
    const HTREEITEM item = ItemOfRecord(shown);
    if (item != nullptr || shown.kind == ItemKind::Batch || shown.record == nullptr) {
        return item;
    }
    return ItemOfBatch(NvkTestFunctionGetBatch(static_cast<NvkTestFunction *>(shown.record)));
}

std::vector<BatchShown> BatchesShown() {
    std::vector<BatchShown> batches;
    for (HTREEITEM item = NextItem(nullptr, TVGN_ROOT); item != nullptr; item = NextItem(item, TVGN_NEXT)) {
        const TreeEntry *entry = EntryOfItem(item);
        if (entry != nullptr && entry->kind == ItemKind::Batch) {
            auto *batch = static_cast<NvkBatch *>(entry->record);
            batches.push_back({batch, NvkBatchGetName(batch), CheckBoxOf(item), IsExpanded(item)});
        }
    }
    return batches;
}

// Expanding, collapsing or changing items one by one costs the control a pass over
// every item shown, each time; items inserted with drawing off, already expanded, are
// set out once drawing resumes. So a change to many batches builds the items anew, as
// change says of each batch, with the selection and the item at the top as they were.
template <typename BatchChange>
void RebuildTree(const BatchChange &change) {
    std::vector<BatchShown> batches = BatchesShown();
    for (BatchShown &batch : batches) {
        change(batch);
    }
    const RecordShown selected = RecordOfItem(NextItem(nullptr, TVGN_CARET));
    const RecordShown firstShown = RecordOfItem(NextItem(nullptr, TVGN_FIRSTVISIBLE));
    const bool shown = IsWindowVisible(tree) != FALSE;
    rebuilding = true;
    if (shown) {
        SendToTree(WM_SETREDRAW, FALSE, 0);
    }
    DeleteItemsKeepingKeys();
    // Under Wine the control finds the item a message names by searching its items in
    // the order they were inserted, so every batch goes in before any test: each test's
    // parent is then found among the batches, not after every test inserted before it.
    std::vector<HTREEITEM> expanded;
    for (const BatchShown &batch : batches) {
        const bool expand = batch.expanded && NvkBatchGetFirstTestFunction(batch.batch) != nullptr;
        const HTREEITEM item = InsertItem(TVI_ROOT, batch.name.c_str(), I_IMAGECALLBACK, batch.checkBox,
                                          ItemKind::Batch, batch.batch, expand ? TVIS_EXPANDED | TVIS_EXPANDEDONCE : 0);
        if (expand) {
            expanded.push_back(item);
        }
    }
    for (const HTREEITEM item : expanded) {
        InsertChildrenOf(item);
    }
    if (shown) {
        SendToTree(WM_SETREDRAW, TRUE, 0);
        InvalidateRect(tree, nullptr, TRUE);
    }
    // The same item selected again is no change to the window; a batch in place of
    // its test, now hidden, is.
    const HTREEITEM same = ItemOfRecord(selected);
    if (same != nullptr) {
        SendToTree(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(same));
    }
    rebuilding = false;
    if (same == nullptr) {
        SendToTree(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(ItemOrBatchOfRecord(selected)));
    }
    if (const HTREEITEM first = ItemOrBatchOfRecord(firstShown)) {
        SendToTree(TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(first));
    }
}

}  // namespace

void SetUpTestTree(HWND control, const ViewContext &viewContext) {
    tree = control;
    context = viewContext;
    // A tree created with check boxes may show them cleared whatever their state;
    // setting the style again before the first item is inserted avoids it.
    const LONG_PTR style = GetWindowLongPtrA(tree, GWL_STYLE);
    SetWindowLongPtrA(tree, GWL_STYLE, style & ~TVS_CHECKBOXES);
    SetWindowLongPtrA(tree, GWL_STYLE, style | TVS_CHECKBOXES);
    SendToTree(TVM_SETBKCOLOR, 0, RGB(255, 255, 255));
    SendToTree(TVM_SETTEXTCOLOR, 0, RGB(0, 0, 0));
    SendToTree(TVM_SETINDENT, 0, 0);
    images = OwnedImageList(ImageList_LoadImageA(ProgramInstance(), MAKEINTRESOURCEA(IDB_TREE_IMAGES), kImageWidth, 0,
                                                 CLR_DEFAULT, IMAGE_BITMAP, LR_CREATEDIBSECTION | LR_LOADTRANSPARENT));
    SendToTree(TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images.Get()));
    SendToTree(TVM_SETEXTENDEDSTYLE, TVS_EX_DOUBLEBUFFER, TVS_EX_DOUBLEBUFFER);
}

void TreeOnEvent(int32_t code, uint32_t value, void *first, void *second) {
    auto *batch = static_cast<NvkBatch *>(first);
    auto *testFunction = static_cast<NvkTestFunction *>(second);
    switch (code) {
    case NvkEventBatchCreated:
        TakeOverOrInsertBatch(batch);
        break;
    case NvkEventBatchFreed:
        DeleteBatchItem(batch);
        break;
    case NvkEventAllBatchesFreed:
        OnAllBatchesFreed();
        break;
    case NvkEventBatchSkip:
        if (!batchSkipGuard) {
            SetCheckBox(ItemOfBatch(batch), CheckBoxForSkip(value));
        }
        break;
    case NvkEventTestFunctionAdded:
        TakeOverOrInsertTest(batch, testFunction);
        break;
    case NvkEventTestFunctionReset:
    case NvkEventTestFunctionFinished:
        ShowTestImage(testFunction, Paint::WithTheRun);
        break;
    case NvkEventTestFunctionSkip:
        if (!testSkipGuard) {
            SetCheckBox(ItemOfTestFunction(testFunction), CheckBoxForSkip(value));
        }
        break;
    default:
        break;
    }
}

bool TreeHandleMessage(UINT message, WPARAM, LPARAM lParam) {
    if (message == kSyncCheckBox) {
        SyncCheckBox(reinterpret_cast<HTREEITEM>(lParam));
        return true;
    }
    if (message != WM_NOTIFY || tree == nullptr) {
        return false;
    }
    const auto *header = reinterpret_cast<const NMHDR *>(lParam);
    return header->hwndFrom == tree && OnNotify(header);
}

void TreeShowTestInProgress(NvkTestFunction *testFunction) { ShowTestImage(testFunction, Paint::Now); }

void ExpandEntireTree(bool expand) {
    RebuildTree([expand](BatchShown &batch) { batch.expanded = expand; });
}

// Boxes changed one by one cost the control a pass over every item shown each, so
// the items are built anew with their boxes as the flags now are.
void SkipEveryTest(int32_t skip) {
    batchSkipGuard = true;
    testSkipGuard = true;
    NvkBatchSkip(nullptr, skip);
    batchSkipGuard = false;
    testSkipGuard = false;
    const int checkBox = CheckBoxForSkip(static_cast<uint32_t>(skip));
    RebuildTree([checkBox](BatchShown &batch) { batch.checkBox = checkBox; });
}

NvkBatch *TreeSelectedBatch() {
    const TreeEntry *entry = EntryOfItem(NextItem(nullptr, TVGN_CARET));
    if (entry == nullptr) {
        return nullptr;
    }
    if (entry->kind == ItemKind::Batch) {
        return static_cast<NvkBatch *>(entry->record);
    }
    return NvkTestFunctionGetBatch(static_cast<NvkTestFunction *>(entry->record));
}

void SelectFirstBatch() {
    SendToTree(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(NextItem(nullptr, TVGN_ROOT)));
}

void TreeSelectTestFunction(NvkTestFunction *testFunction) {
    InsertChildrenOfBatch(NvkTestFunctionGetBatch(testFunction));
    const HTREEITEM item = ItemOfTestFunction(testFunction);
    if (item != nullptr && item != NextItem(nullptr, TVGN_CARET)) {
        SendToTree(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
        SendToTree(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    }
}

namespace {

TestName NameOfItem(HTREEITEM item) {
    const TreeEntry *entry = EntryOfItem(item);
    if (entry == nullptr) {
        return TestName();
    }
    if (entry->kind == ItemKind::Batch) {
        return {NvkBatchGetName(static_cast<NvkBatch *>(entry->record)), std::string()};
    }
    auto *testFunction = static_cast<NvkTestFunction *>(entry->record);
    return {NvkBatchGetName(NvkTestFunctionGetBatch(testFunction)), NvkTestFunctionGetName(testFunction)};
}

HTREEITEM ItemNamed(const TestName &name) {
    for (HTREEITEM batch = NextItem(nullptr, TVGN_ROOT); batch != nullptr; batch = NextItem(batch, TVGN_NEXT)) {
        if (NameOfItem(batch).first != name.first) {
            continue;
        }
        if (name.second.empty()) {
            return batch;
        }
        InsertChildrenOf(batch);
        for (HTREEITEM test = NextItem(batch, TVGN_CHILD); test != nullptr; test = NextItem(test, TVGN_NEXT)) {
            if (NameOfItem(test).second == name.second) {
                return test;
            }
        }
    }
    return nullptr;
}

}  // namespace

void TreeKeep(KeptSelection &kept) {
    for (HTREEITEM batch = NextItem(nullptr, TVGN_ROOT); batch != nullptr; batch = NextItem(batch, TVGN_NEXT)) {
        const std::string name = NameOfItem(batch).first;
        if (IsExpanded(batch)) {
            kept.expandedBatches.insert(name);
        }
        if (CheckBoxOf(batch) == kUnchecked) {
            kept.clearedBatches.insert(name);
        }
    }
    kept.selected = NameOfItem(NextItem(nullptr, TVGN_CARET));
    kept.firstShown = NameOfItem(NextItem(nullptr, TVGN_FIRSTVISIBLE));
}

void TreeBeginReload() {
    reloading = true;
    recordsKept = false;
    keptItems.Clear();
}

bool TreeEndReload() {
    reloading = false;
    if (!recordsKept) {
        return true;
    }
    recordsKept = false;
    const bool kept = keptItems.AllTaken();
    keptItems.Clear();
    if (kept) {
        return true;
    }
    // As after a load that kept nothing: an item for each batch, none for its tests.
    // The records that took an item over keep its key.
    const bool shown = IsWindowVisible(tree) != FALSE;
    if (shown) {
        SendToTree(WM_SETREDRAW, FALSE, 0);
    }
    DeleteItemsKeepingKeys();
    for (NvkBatch *batch = NvkBatchGetCount(nullptr) > 0 ? NvkBatchGetFirst() : nullptr; batch != nullptr;
         batch = NvkBatchGetNext(batch)) {
        InsertBatch(batch);
    }
    if (shown) {
        SendToTree(WM_SETREDRAW, TRUE, 0);
        InvalidateRect(tree, nullptr, TRUE);
    }
    return false;
}

void TreeRestore(const KeptSelection &kept, bool itemsKept) {
    if (!itemsKept) {
        RebuildTree([&kept](BatchShown &batch) {
            batch.expanded = WasExpanded(kept, batch.name);
            if (kept.clearedBatches.count(batch.name) != 0) {
                batch.checkBox = kUnchecked;
            }
        });
    }
    if (const HTREEITEM selected = ItemNamed(kept.selected)) {
        SendToTree(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(selected));
    } else {
        SelectFirstBatch();
    }
    if (const HTREEITEM first = ItemNamed(kept.firstShown)) {
        SendToTree(TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(first));
    }
}

}  // namespace runner
