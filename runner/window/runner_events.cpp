#include "window/runner_events.h"

#include <windows.h>

#include "library_feed.h"
#include "views/failure_list.h"
#include "views/progress_bar.h"
#include "views/result_list.h"
#include "views/tree_view.h"
#include "views/view_context.h"
#include "views/xml_view.h"
#include "window/commands.h"
#include "window/current_test_function.h"
#include "window/failed_rerun.h"
#include "window/main_window.h"
#include "window/test_run.h"

namespace runner {
namespace {

ULONGLONG lastPump = 0;

// Lets the window repaint during a run on its own thread. Only paint messages are
// taken: input waits in the queue until the run is over.
void PumpPaintMessages() {
    lastPump = GetTickCount64();
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) {
        DispatchMessageA(&message);
    }
}

// Between test functions.
void PumpPaintMessagesNowAndThen() {
    if (GetTickCount64() - lastPump >= kRunRepaintMilliseconds) {
        PumpPaintMessages();
    }
}

// The events after which the library frees what they point at, and the report, whose
// text lives only during the call: their handlers run while the run's thread waits.
// What every other event points at stays as it was until the run is over or one of
// these comes, and the window's thread handles the events in their order: their
// handlers may run later, and a run need not wait for the window at every test.
bool HandledAtOnce(int32_t code) {
    switch (code) {
    case NvkEventFailureFreed:
    case NvkEventBatchFreed:
    case NvkEventAllBatchesFreed:
    case NvkEventTestFunctionFreed:
    case NvkEventReportCreated:
        return true;
    default:
        return false;
    }
}

// Repaints were spared during the run, and a late change to a row or an item may have
// been missed by the last one: the run's end shows everything as it now is.
void RepaintEverything() {
    RedrawWindow(MainWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void TakeFinalStep(int32_t code) {
    switch (code) {
    case NvkEventAllBatchesFreed:
        ClearCurrentTestFunction();
        break;
    case NvkEventTestFunctionReset:
    case NvkEventTestFunctionFinished:
        // A separate run's window paints from its own loop. A run again of many tests
        // first resets each of them, which takes as long as many short tests.
        if (!SeparateRunInProgress()) {
            PumpPaintMessagesNowAndThen();
        }
        break;
    case NvkEventRunStarted:
        UpdateRunningState(MainWindow());
        // The window shows that it waits before the first test, which may be long.
        if (!SeparateRunInProgress()) {
            PumpPaintMessages();
        }
        break;
    case NvkEventRunFinished:
        UpdateRunningState(MainWindow());
        UpdateCommandState(MainWindow());
        RepaintEverything();
        break;
    default:
        break;
    }
}

}  // namespace

void NVK_CALL OnRunnerEvent(int32_t code, uint32_t value, intptr_t reserved, void *first, void *second) {
    if (OnRunThread()) {
        const auto call = [=] { OnRunnerEvent(code, value, reserved, first, second); };
        if (HandledAtOnce(code)) {
            CallOnWindowThread(call);
        } else {
            QueueOnWindowThread(call);
        }
        return;
    }
    // The one who changes them in bulk brings the views in line.
    if (RecordsChangeInBulk()) {
        return;
    }
    run::LibraryFeed::OnLibraryEvent(code, value, reserved, first, second);
    ShownResultsOnEvent(code, second);
    TreeOnEvent(code, value, first, second);
    ResultListOnEvent(code, first, second);
    ProgressOnEvent(code, second);
    XmlViewOnEvent(code);
    FailureListOnEvent(code, first, second, CurrentTestFunction());
    TakeFinalStep(code);
}

}  // namespace runner
