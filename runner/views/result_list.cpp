#include "views/result_list.h"

#include <commctrl.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>
#include <vector>

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
constexpr UINT_PTR kSettleTimer = 1;

// The list draws each row from here: it holds no text of its own.
ResultRowOrder rows;
// How many rows the list was told of, and whether rows wait to be given to it.
size_t listedRows = 0;
bool settleWaiting = false;
// The test function whose row is selected, kept through rows coming and going.
NvkTestFunction *selected = nullptr;
// Selecting a row here is not the user's choice.
bool selecting = false;
// The column the user sorted the rows by, or -1 while they follow their keys; and
// whether the last click on it turned the order round.
int sortColumn = -1;
bool sortDescending = false;
ULONGLONG lastRepaint = 0;
// The dialog's message result holds the answer to the notification just handled.
bool answerLeft = false;
// The result column's texts by state, loaded on first use.
std::string resultTexts[5];
bool resultTextLoaded[5];

NvkTestFunction *FunctionAt(size_t row) { return static_cast<NvkTestFunction *>(rows.At(row).item); }

const char *ResultText(TestState state) {
    const auto index = static_cast<size_t>(state);
    if (!resultTextLoaded[index]) {
        resultTexts[index] = LoadRunnerString(ResultTextId(state)).OrEmpty();
        resultTextLoaded[index] = true;
    }
    return resultTexts[index].c_str();
}

const TestResult *ResultOf(NvkTestFunction *testFunction) {
    return context.resultOf != nullptr ? context.resultOf(testFunction) : nullptr;
}

// What a cell holds: a row shows the test's copies once its test was reset or ended,
// and while the test runs its times and counts are blank. The cell's text and the
// order of a sort by its column both come from here.
ResultSortValue CellValue(const ResultRow &row, int column) {
    constexpr ResultSortValue kBlank = {true, false, 0, ""};
    if (column == kNameColumn || column == kBatchColumn) {
        return {false, false, 0, column == kNameColumn ? row.key.testName : row.key.batchName};
    }
    if (!row.showsResult) {
        return kBlank;
    }
    const TestResult *result = ResultOf(static_cast<NvkTestFunction *>(row.item));
    const TestState state = StateOf(result);
    if (column == kFileColumn || column == kResultColumn) {
        return {false, false, 0,
                column == kResultColumn ? ResultText(state)
                : result != nullptr     ? CheckFileOf(*result).c_str()
                                        : ""};
    }
    if (state == TestState::Running) {
        return kBlank;
    }
    // A test without copies has not run.
    if (result == nullptr) {
        return {false, true, 0, ""};
    }
    const double number = column == kTimeColumn     ? result->seconds
                          : column == kPassedColumn ? static_cast<double>(static_cast<uint32_t>(result->passedChecks))
                                                    : static_cast<double>(result->Failures().size());
    return {false, true, number, ""};
}

const char *CellText(int row, int column, char *text, size_t size) {
    if (row < 0 || static_cast<size_t>(row) >= rows.Count()) {
        return "";
    }
    const ResultSortValue value = CellValue(rows.At(static_cast<size_t>(row)), column);
    if (!value.numeric) {
        return value.text;
    }
    // Fitting the columns asks for every row's cells: formatting is kept to the least.
    if (column == kTimeColumn) {
        lstrcpynA(text, nvk::FormatSeconds(value.number).text, static_cast<int>(size));
    } else {
        *std::to_chars(text, text + size - 1, static_cast<unsigned>(value.number)).ptr = '\0';
    }
    return text;
}

void SelectRow(int row) {
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = row >= 0 ? LVIS_SELECTED : 0;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
}

// The list knows its rows only by their number: the selected test's row is selected
// again wherever it went.
void SelectKeptRow() {
    selecting = true;
    SelectRow(-1);
    if (selected != nullptr) {
        const size_t row =
            rows.Find({NvkBatchGetName(NvkTestFunctionGetBatch(selected)), NvkTestFunctionGetName(selected)}, selected);
        SelectRow(row == ResultRowOrder::kNotFound ? -1 : static_cast<int>(row));
    }
    selecting = false;
    InvalidateRect(list, nullptr, TRUE);
}

// Gives the list the rows added or removed since; new rows end a sort by a column.
void SettleRows() {
    if (settleWaiting) {
        KillTimer(list, kSettleTimer);
        settleWaiting = false;
    }
    if (rows.Settle()) {
        sortColumn = -1;
    } else if (listedRows == rows.Count()) {
        return;
    }
    listedRows = rows.Count();
    SendMessageA(list, LVM_SETITEMCOUNT, listedRows, LVSICF_NOSCROLL);
    SelectKeptRow();
}

void CALLBACK SettleWhenIdle(HWND, UINT, UINT_PTR, DWORD) { SettleRows(); }

// The row of a test function, or -1.
int RowOf(NvkTestFunction *testFunction) {
    if (testFunction == nullptr) {
        return -1;
    }
    SettleRows();
    const ResultRowKey key = {NvkBatchGetName(NvkTestFunctionGetBatch(testFunction)),
                              NvkTestFunctionGetName(testFunction)};
    const size_t row = rows.Find(key, testFunction);
    return row == ResultRowOrder::kNotFound ? -1 : static_cast<int>(row);
}

// The rows a library registers arrive one by one; the list takes them once the
// window is idle, or sooner when asked about them.
void AddRow(NvkBatch *batch, NvkTestFunction *testFunction) {
    rows.Add({NvkBatchGetName(batch), NvkTestFunctionGetName(testFunction)}, testFunction);
    if (!settleWaiting) {
        settleWaiting = SetTimer(list, kSettleTimer, 0, SettleWhenIdle) != 0;
    }
}

// A freed test function takes its row with it, whoever frees it.
void DeleteRow(NvkTestFunction *testFunction) {
    if (testFunction == selected) {
        selected = nullptr;
    }
    const int row = RowOf(testFunction);
    if (row >= 0) {
        rows.EraseAt(static_cast<size_t>(row));
        SettleRows();
    }
}

void DeleteEveryRow() {
    rows.Clear();
    selected = nullptr;
    SettleRows();
    AutosizeColumns(list, CellText);
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
    rows.At(static_cast<size_t>(row)).showsResult = true;
    // The list repaints only what is in sight, and while tests run only so often: a
    // row's repaint, even out of sight, costs more than many a test.
    if (!IsWindowVisible(list) || !RowIsVisible(row)) {
        return;
    }
    SendMessageA(list, LVM_REDRAWITEMS, static_cast<WPARAM>(row), static_cast<LPARAM>(row));
    const ULONGLONG now = GetTickCount64();
    if (!RunInProgress(context) || now - lastRepaint >= kRunRepaintMilliseconds) {
        lastRepaint = now;
        UpdateWindow(list);
    }
}

NvkTestFunction *TestFunctionOfRow(int row) {
    SettleRows();
    return row >= 0 && static_cast<size_t>(row) < rows.Count() ? FunctionAt(static_cast<size_t>(row)) : nullptr;
}

// A click on a column's header sorts the rows by it, a second click the other way
// round; the rows keep that order, whatever their tests do next, until the library
// brings new rows.
void SortByColumn(int column) {
    SettleRows();
    sortDescending = column == sortColumn && !sortDescending;
    sortColumn = column;
    std::vector<ResultSortValue> values;
    values.reserve(rows.Count());
    for (size_t row = 0; row < rows.Count(); ++row) {
        values.push_back(CellValue(rows.At(row), column));
    }
    rows.SortBy(values, sortDescending);
    SelectKeptRow();
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

void OnGetDisplayInfo(NMLVDISPINFOA *display) {
    LVITEMA &item = display->item;
    if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0) {
        return;
    }
    char text[kCellTextSize];
    const char *shown = CellText(item.iItem, item.iSubItem, text, sizeof text);
    lstrcpynA(item.pszText, shown, item.cchTextMax);
}

// Typing a name's first letters goes to the next row whose test function name
// starts with them, as in a list that holds its texts.
int FindRowByName(const NMLVFINDITEMA *find) {
    if ((find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) == 0 || find->lvfi.psz == nullptr) {
        return -1;
    }
    const size_t count = rows.Count();
    const size_t length = std::strlen(find->lvfi.psz);
    const size_t start = find->iStart >= 0 ? static_cast<size_t>(find->iStart) : 0;
    for (size_t step = 0; step < count; ++step) {
        const size_t row = (start + step) % count;
        if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, rows.At(row).key.testName,
                           static_cast<int>(std::min(length, std::strlen(rows.At(row).key.testName))), find->lvfi.psz,
                           static_cast<int>(length)) == CSTR_EQUAL) {
            return static_cast<int>(row);
        }
        if ((find->lvfi.flags & LVFI_WRAP) == 0 && row + 1 == count) {
            break;
        }
    }
    return -1;
}

void OnItemChanged(const NMLISTVIEW *change) {
    if (selecting || change->iItem < 0 || (change->uChanged & LVIF_STATE) == 0) {
        return;
    }
    if ((change->uNewState & LVIS_SELECTED) != 0) {
        selected = TestFunctionOfRow(change->iItem);
        context.chooseTestFunction(selected);
    } else if ((change->uOldState & LVIS_SELECTED) != 0 && TestFunctionOfRow(change->iItem) == selected) {
        selected = nullptr;
    }
}

bool OnNotify(NMHDR *header) {
    switch (header->code) {
    case LVN_GETDISPINFOA:
        OnGetDisplayInfo(reinterpret_cast<NMLVDISPINFOA *>(header));
        return true;
    case LVN_ODFINDITEMA:
        SetWindowLongPtrA(GetParent(list), DWLP_MSGRESULT,
                          FindRowByName(reinterpret_cast<const NMLVFINDITEMA *>(header)));
        answerLeft = true;
        return true;
    case LVN_ITEMCHANGED:
        OnItemChanged(reinterpret_cast<const NMLISTVIEW *>(header));
        return true;
    case LVN_COLUMNCLICK:
        SortByColumn(reinterpret_cast<const NMLISTVIEW *>(header)->iSubItem);
        return true;
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
        AddRow(static_cast<NvkBatch *>(first), testFunction);
        break;
    case NvkEventTestFunctionFreed:
        DeleteRow(testFunction);
        break;
    case NvkEventTestFunctionReset:
    case NvkEventTestFunctionFinished:
        UpdateRow(testFunction);
        break;
    case NvkEventRunFinished:
        InvalidateRect(list, nullptr, TRUE);
        AutosizeColumns(list, CellText);
        break;
    default:
        break;
    }
}

bool ResultListHandleMessage(UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_NOTIFY || list == nullptr) {
        return false;
    }
    auto *header = reinterpret_cast<NMHDR *>(lParam);
    return header->hwndFrom == list && OnNotify(header);
}

bool ResultListLeftAnswer() {
    const bool left = answerLeft;
    answerLeft = false;
    return left;
}

void ResultListShowTestInProgress(NvkTestFunction *testFunction) { UpdateRow(testFunction); }

void ResultListSelect(NvkTestFunction *testFunction) {
    const int row = RowOf(testFunction);
    if (row >= 0) {
        SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    }
    selected = row >= 0 ? testFunction : nullptr;
    SelectRow(row);
}

void AutosizeResultColumns() {
    SettleRows();
    AutosizeColumns(list, CellText);
}

int ResultListTopRow() { return static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0)); }

void ResultListScrollTo(int topRow) {
    SettleRows();
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    if (count == 0) {
        return;
    }
    // Showing the last row first leaves the wanted one at the top once it is shown.
    SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(count - 1), FALSE);
    SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(topRow < count ? topRow : count - 1), FALSE);
}

}  // namespace runner
