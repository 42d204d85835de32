#include "views/result_list.h"

#include <commctrl.h>

#include <cstdio>
#include <unordered_set>

#include "resources/program_resources.h"
#include "resources/resource.h"
#include "rules/result_appearance.h"
#include "rules/result_order.h"
#include "seconds_text.h"
#include "views/list_columns.h"

namespace runner {
namespace {

enum Column { kNameColumn, kBatchColumn, kFileColumn, kResultColumn, kTimeColumn, kPassedColumn, kFailedColumn };

constexpr unsigned kColumnTitles[] = {IDS_COLUMN_TEST_FUNCTION, IDS_COLUMN_BATCH,  IDS_COLUMN_FILE,  IDS_COLUMN_RESULT,
                                      IDS_COLUMN_TIME,          IDS_COLUMN_PASSED, IDS_COLUMN_FAILED};
constexpr size_t kCellTextSize = 1024;

HWND list = nullptr;
ViewContext context;
ResultRowOrder rows;
std::unordered_set<NvkTestFunction *> rowsOutOfSight;

ResultRowKey KeyOf(NvkTestFunction *testFunction) {
    return {NvkBatchGetName(NvkTestFunctionGetBatch(testFunction)), NvkTestFunctionGetName(testFunction)};
}

// The row of a test function, or -1.
int RowOf(NvkTestFunction *testFunction) {
    if (testFunction == nullptr) {
        return -1;
    }
    const size_t row = rows.Find(KeyOf(testFunction));
    return row == ResultRowOrder::kNotFound ? -1 : static_cast<int>(row);
}

void InsertRow(NvkBatch *batch, NvkTestFunction *testFunction) {
    const ResultRowKey key = {NvkBatchGetName(batch), NvkTestFunctionGetName(testFunction)};
    const int row = static_cast<int>(rows.Insert(key));
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = row;
    item.pszText = const_cast<char *>(key.testName);
    item.lParam = reinterpret_cast<LPARAM>(testFunction);
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    SetCellText(list, row, kBatchColumn, key.batchName);
}

// A freed test function takes its row with it, whoever frees it.
void DeleteRow(NvkTestFunction *testFunction) {
    rowsOutOfSight.erase(testFunction);
    const int row = RowOf(testFunction);
    if (row >= 0) {
        rows.EraseAt(static_cast<size_t>(row));
        SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
    }
}

void DeleteEveryRow() {
    rows.Clear();
    rowsOutOfSight.clear();
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    AutosizeColumns(list);
}

void SetResultText(int row, TestState state) {
    SetCellText(list, row, kResultColumn, LoadRunnerString(ResultTextId(state)).Get());
}

void SetCountText(int row, int column, int32_t count) {
    char text[kCellTextSize];
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(count));
    SetCellText(list, row, column, text);
}

void SetTimeText(int row, double seconds) { SetCellText(list, row, kTimeColumn, nvk::FormatSeconds(seconds).text); }

const TestResult *ResultOf(NvkTestFunction *testFunction) {
    return context.resultOf != nullptr ? context.resultOf(testFunction) : nullptr;
}

// The row shows the test's copies; a test without any has not run.
void WriteRow(int row, NvkTestFunction *testFunction) {
    const TestResult *result = ResultOf(testFunction);
    const TestState state = StateOf(result);
    SetCellText(list, row, kFileColumn, result != nullptr ? result->checkFile.c_str() : "");
    SetResultText(row, state);
    if (state == TestState::Running) {
        SetCellText(list, row, kTimeColumn, "");
        SetCellText(list, row, kPassedColumn, "");
        SetCellText(list, row, kFailedColumn, "");
        return;
    }
    static const run::TestOutcome kNotRun;
    const run::TestOutcome &outcome = result != nullptr ? result->outcome : kNotRun;
    SetTimeText(row, outcome.seconds);
    SetCountText(row, kPassedColumn, outcome.passedChecks);
    SetCountText(row, kFailedColumn, static_cast<int32_t>(outcome.failures.size()));
}

bool RowIsVisible(int row) {
    const int top = static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
    const int shown = static_cast<int>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
    return row >= top && row <= top + shown;
}

void UpdateRow(NvkTestFunction *testFunction) {
    const int row = RowOf(testFunction);
    if (row < 0) {
        return;
    }
    // Nobody can scroll while tests run, so rows out of sight are written when the run
    // is over: writing a cell costs more than many a test.
    if (NvkIsRunning() && (!IsWindowVisible(list) || !RowIsVisible(row))) {
        rowsOutOfSight.insert(testFunction);
        return;
    }
    rowsOutOfSight.erase(testFunction);
    WriteRow(row, testFunction);
    UpdateWindow(list);
}

void WriteRowsOutOfSight() {
    if (rowsOutOfSight.empty()) {
        return;
    }
    // Resuming drawing shows the list, so only a shown list pauses.
    const bool pause = IsWindowVisible(list) != FALSE;
    if (pause) {
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    }
    for (NvkTestFunction *testFunction : rowsOutOfSight) {
        const int row = RowOf(testFunction);
        if (row >= 0) {
            WriteRow(row, testFunction);
        }
    }
    rowsOutOfSight.clear();
    if (pause) {
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
    }
}

NvkTestFunction *TestFunctionOfRow(int row) {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) {
        return nullptr;
    }
    return reinterpret_cast<NvkTestFunction *>(item.lParam);
}

void SelectRow(int row) {
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = row >= 0 ? LVIS_SELECTED : 0;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
}

void OnRightClick() {
    if (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 0) {
        return;
    }
    const DWORD position = GetMessagePos();
    LVHITTESTINFO hit = {};
    hit.pt = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    MapWindowPoints(nullptr, list, &hit.pt, 1);
    const int row = static_cast<int>(SendMessageA(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (row >= 0 && TestFunctionOfRow(row) != nullptr) {
        SelectRow(row);
        context.showTestMenu(GetParent(list));
    }
}

bool OnNotify(const NMHDR *header) {
    switch (header->code) {
    case LVN_ITEMCHANGED: {
        const auto *change = reinterpret_cast<const NMLISTVIEW *>(header);
        if ((change->uNewState & LVIS_SELECTED) != 0) {
            context.chooseTestFunction(reinterpret_cast<NvkTestFunction *>(change->lParam));
        }
        return true;
    }
    case NM_RCLICK:
        OnRightClick();
        return true;
    case NM_DBLCLK:
    case NM_RETURN: {
        const int row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        if (NvkTestFunction *testFunction = row >= 0 ? TestFunctionOfRow(row) : nullptr) {
            context.openTestFunction(GetParent(list), testFunction);
        }
        return true;
    }
    default:
        return false;
    }
}

}  // namespace

void SetUpResultList(HWND control, const ViewContext &viewContext) {
    list = control;
    context = viewContext;
    SetUpListView(list, kColumnTitles, sizeof kColumnTitles / sizeof kColumnTitles[0]);
}

void ResultListOnEvent(int32_t code, void *first, void *second) {
    auto *testFunction = static_cast<NvkTestFunction *>(second);
    switch (code) {
    case NvkEventAllBatchesFreed:
        DeleteEveryRow();
        break;
    case NvkEventTestFunctionAdded:
        InsertRow(static_cast<NvkBatch *>(first), testFunction);
        break;
    case NvkEventTestFunctionFreed:
        DeleteRow(testFunction);
        break;
    case NvkEventTestFunctionReset:
    case NvkEventTestFunctionFinished:
        UpdateRow(testFunction);
        break;
    case NvkEventRunFinished:
        WriteRowsOutOfSight();
        AutosizeColumns(list);
        break;
    default:
        break;
    }
}

bool ResultListHandleMessage(UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_NOTIFY || list == nullptr) {
        return false;
    }
    const auto *header = reinterpret_cast<const NMHDR *>(lParam);
    return header->hwndFrom == list && OnNotify(header);
}

void ResultListShowTestInProgress(NvkTestFunction *testFunction) { UpdateRow(testFunction); }

void ResultListSelect(NvkTestFunction *testFunction) {
    const int row = RowOf(testFunction);
    if (row >= 0) {
        SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    }
    SelectRow(row);
}

void AutosizeResultColumns() { AutosizeColumns(list); }

int ResultListTopRow() { return static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0)); }

void ResultListScrollTo(int topRow) {
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    if (count == 0) {
        return;
    }
    // Showing the last row first leaves the wanted one at the top once it is shown.
    SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(count - 1), FALSE);
    SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(topRow < count ? topRow : count - 1), FALSE);
}

}  // namespace runner
