#include "views/failure_list.h"

#include <commctrl.h>

#include <string>

#include "resources/program_resources.h"
#include "resources/resource.h"
#include "rules/run_results.h"
#include "test_outcome.h"
#include "views/list_columns.h"

namespace runner {
namespace {

constexpr unsigned kColumnTitles[] = {IDS_COLUMN_LINE, IDS_COLUMN_MESSAGE};

HWND list = nullptr;
ViewContext context;
// The test whose rows the list shows, or NULL. A failure's row holds its place in
// that test's failures, counted from 1; the row of a skip reason holds 0.
NvkTestFunction *shownTest = nullptr;
// The row before the output shows why the test skipped itself (that row holds no
// failure).
bool showsSkipReason = false;
// The rows from here on show the test's output, and open nothing.
int firstOutputRow = -1;

const TestResult *ResultOf(NvkTestFunction *testFunction) {
    return testFunction != nullptr && context.resultOf != nullptr ? context.resultOf(testFunction) : nullptr;
}

void AppendRow(const std::string &line, const std::string &message, size_t failure) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<char *>(line.c_str());
    item.lParam = static_cast<LPARAM>(failure);
    const int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    SetCellText(list, row, 1, message.c_str());
}

// A failure without a place of its own (a crash, a timeout) reads as the library
// records it, at line 0, though it opens at the test's definition; a crash reads as
// the console prints it: the fixed text, then what it ran into and where.
void AppendFailure(const run::Failure &failure, size_t place) {
    AppendRow(std::to_string(failure.atDefinition ? 0 : failure.line), run::ShownMessage(failure), place);
}

// A test that skipped itself has no failure: its reason stands in the list at the
// test's own line, so that it is read where failures are.
void AppendSkipReason(const TestResult &result) {
    if (result.progress != TestResult::Progress::Ended || result.ending != run::Ending::Skipped) {
        return;
    }
    const int32_t definedLine = result.identity->line;
    AppendRow(definedLine > 0 ? std::to_string(definedLine) : "", result.Reason(), 0);
    showsSkipReason = true;
}

// What the test wrote follows what it left, one row a line, each marked as output
// where a failure shows its line.
void AppendOutput(const TestResult &result) {
    if (result.Output().empty()) {
        return;
    }
    firstOutputRow = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    const RunnerString mark = LoadRunnerString(IDS_OUTPUT_ROW);
    for (const std::string &line : OutputLines(result.Output())) {
        AppendRow(mark.Get() != nullptr ? mark.Get() : "", line, 0);
    }
}

void OpenSourceOfSelectedRow() {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (item.iItem < 0 || (firstOutputRow >= 0 && item.iItem >= firstOutputRow) ||
        !SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) {
        return;
    }
    const TestResult *result = ResultOf(shownTest);
    const size_t place = static_cast<size_t>(item.lParam);
    if (result != nullptr && place > 0 && place <= result->Failures().size()) {
        context.openFailure(GetParent(list), *result, result->Failures()[place - 1]);
    } else if (place == 0 && showsSkipReason) {
        context.openTestFunction(GetParent(list), shownTest);
    }
}

void DeleteRows() {
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    showsSkipReason = false;
    firstOutputRow = -1;
}

void DeleteEveryRow() {
    DeleteRows();
    AutosizeColumns(list);
}

// The failure the library just added is the last the run's stream told of the test.
void AppendLatestFailure(NvkTestFunction *testFunction) {
    const TestResult *result = ResultOf(testFunction);
    if (result == nullptr || result->Failures().empty()) {
        return;
    }
    shownTest = testFunction;
    AppendFailure(result->Failures().back(), result->Failures().size());
    UpdateWindow(list);
}

}  // namespace

void SetUpFailureList(HWND control, const ViewContext &viewContext) {
    list = control;
    context = viewContext;
    SetUpListView(list, kColumnTitles, sizeof kColumnTitles / sizeof kColumnTitles[0]);
}

void FailureListOnEvent(int32_t code, void *first, void *second, NvkTestFunction *current) {
    const bool aboutCurrent = current != nullptr && second == current;
    switch (code) {
    case NvkEventFailureAdded:
        if (current != nullptr && first == current) {
            AppendLatestFailure(current);
        }
        break;
    case NvkEventAllBatchesFreed:
        shownTest = nullptr;
        DeleteEveryRow();
        break;
    case NvkEventTestFunctionReset:
    case NvkEventTestFunctionStarted:
        if (aboutCurrent) {
            DeleteEveryRow();
            UpdateWindow(list);
        }
        break;
    case NvkEventTestFunctionFinished:
        // What the test left is shown whole once it is over: a run in a worker
        // process may tell failures before the test's start, which empties the list,
        // and the reason of a skip is final only now.
        if (aboutCurrent) {
            FailureListRefill(current);
        }
        break;
    default:
        break;
    }
}

bool FailureListHandleMessage(UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_NOTIFY || list == nullptr) {
        return false;
    }
    const auto *header = reinterpret_cast<const NMHDR *>(lParam);
    if (header->hwndFrom != list || (header->code != NM_DBLCLK && header->code != NM_RETURN)) {
        return false;
    }
    OpenSourceOfSelectedRow();
    return true;
}

void FailureListRefill(NvkTestFunction *testFunction) {
    DeleteRows();
    shownTest = testFunction;
    if (const TestResult *result = ResultOf(testFunction)) {
        const std::vector<run::Failure> &failures = result->Failures();
        for (size_t index = 0; index < failures.size(); ++index) {
            AppendFailure(failures[index], index + 1);
        }
        AppendSkipReason(*result);
        AppendOutput(*result);
    }
    AutosizeColumns(list);
}

}  // namespace runner
