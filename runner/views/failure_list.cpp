#include "views/failure_list.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "resources/program_resources.h"
#include "resources/resource.h"
#include "rules/run_results.h"
#include "test_outcome.h"
#include "views/list_columns.h"

namespace runner {
namespace {

constexpr unsigned kColumnTitles[] = {IDS_COLUMN_LINE, IDS_COLUMN_MESSAGE};
constexpr size_t kLineTextSize = 32;

HWND list = nullptr;
ViewContext context;
// The test whose skip reason the row before the output shows (that row holds no
// failure), or NULL.
NvkTestFunction *skippedTest = nullptr;
// The rows from here on show the test's output, and open nothing.
int firstOutputRow = -1;

// A failure's row holds the failure; the row of a skip holds none.
void AppendRow(const char *line, const char *message, NvkAssertionFailure *failure) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<char *>(line);
    item.lParam = reinterpret_cast<LPARAM>(failure);
    const int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    SetCellText(list, row, 1, message);
}

// A crash's row reads as the console prints it: the fixed text, then what the crash
// ran into and where.
std::string MessageOf(NvkAssertionFailure *failure) {
    const char *message = NvkAssertionFailureGetMessage(failure);
    std::string shown = message != nullptr ? message : "";
    const char *details = NvkAssertionFailureGetCrashDetails(failure);
    if (details != nullptr && details[0] != '\0') {
        shown += ": ";
        shown += details;
    }
    return shown;
}

void AppendFailure(NvkAssertionFailure *failure) {
    char line[kLineTextSize];
    std::snprintf(line, sizeof line, "%u", static_cast<unsigned>(NvkAssertionFailureGetLineNumber(failure)));
    AppendRow(line, MessageOf(failure).c_str(), failure);
}

// A test that skipped itself has no failure: its reason stands in the list at the
// test's own line, so that it is read where failures are.
void AppendSkipReason(NvkTestFunction *testFunction) {
    const char *reason = testFunction != nullptr ? NvkTestFunctionGetSkipReason(testFunction) : nullptr;
    if (reason == nullptr) {
        return;
    }
    char line[kLineTextSize] = "";
    const int32_t definedLine = NvkTestFunctionGetSourceLine(testFunction);
    if (definedLine > 0) {
        std::snprintf(line, sizeof line, "%u", static_cast<unsigned>(definedLine));
    }
    AppendRow(line, reason, nullptr);
    skippedTest = testFunction;
}

void OpenSourceOfSelectedRow() {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (item.iItem < 0 || (firstOutputRow >= 0 && item.iItem >= firstOutputRow) ||
        !SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) {
        return;
    }
    if (item.lParam != 0) {
        context.openFailure(GetParent(list), reinterpret_cast<NvkAssertionFailure *>(item.lParam));
    } else if (skippedTest != nullptr) {
        context.openTestFunction(GetParent(list), skippedTest);
    }
}

void DeleteRows() {
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    skippedTest = nullptr;
    firstOutputRow = -1;
}

void DeleteEveryRow() {
    DeleteRows();
    AutosizeColumns(list);
}

// While a run on another thread holds the registry, the list shows what the run's
// events told of the test. Its rows hold no record, so they open no source.
void ShowOutcome(const TestResult *result) {
    if (result == nullptr) {
        return;
    }
    for (const run::Failure &failure : result->outcome.failures) {
        AppendRow(std::to_string(failure.line).c_str(), run::ShownMessage(failure).c_str(), nullptr);
    }
    if (result->progress == TestResult::Progress::Ended && result->outcome.ending == run::Ending::Skipped) {
        const int32_t definedLine = result->identity.line;
        AppendRow(definedLine > 0 ? std::to_string(definedLine).c_str() : "", result->outcome.reason.c_str(), nullptr);
    }
}

// What the test wrote follows what it left, one row a line, each marked as output
// where a failure shows its line.
void AppendOutput(const TestResult *result) {
    if (result == nullptr || result->output.empty()) {
        return;
    }
    firstOutputRow = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    const RunnerString mark = LoadRunnerString(IDS_OUTPUT_ROW);
    for (const std::string &line : OutputLines(result->output)) {
        AppendRow(mark.Get() != nullptr ? mark.Get() : "", line.c_str(), nullptr);
    }
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
            AppendFailure(static_cast<NvkAssertionFailure *>(second));
            UpdateWindow(list);
        }
        break;
    case NvkEventAllBatchesFreed:
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
        // What the test left is read from its record once it is over: a run in a
        // worker process may tell failures before the test's start, which empties
        // the list, and the reason of a skip is final only now.
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
    const TestResult *result =
        testFunction != nullptr && context.resultOf != nullptr ? context.resultOf(testFunction) : nullptr;
    if (context.registryHeldByRun != nullptr && context.registryHeldByRun()) {
        ShowOutcome(result);
    } else {
        for (NvkAssertionFailure *failure = NvkTestFunctionGetFirstFailure(testFunction); failure != nullptr;
             failure = NvkAssertionFailureGetNext(failure)) {
            AppendFailure(failure);
        }
        AppendSkipReason(testFunction);
    }
    AppendOutput(result);
    AutosizeColumns(list);
}

}  // namespace runner
