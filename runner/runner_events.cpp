#include "runner_events.h"

#include <windows.h>

#include "commands.h"
#include "current_test.h"
#include "failure_list.h"
#include "main_window.h"
#include "progress_bar.h"
#include "result_list.h"
#include "test_tree.h"
#include "xml_view.h"

namespace runner {
namespace {

// Lets the window repaint between test functions. Only paint messages are taken:
// input waits in the queue until the run is over.
void PumpPaintMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) {
        DispatchMessageA(&message);
    }
}

void TakeFinalStep(int32_t code) {
    switch (code) {
    case NvkEventAllBatchesFreed:
        ClearCurrentTestFunction();
        break;
    case NvkEventTestFunctionFinished:
        PumpPaintMessages();
        break;
    case NvkEventRunStarted:
        UpdateRunningState(MainWindow());
        break;
    case NvkEventRunFinished:
        UpdateRunningState(MainWindow());
        UpdateCommandState(MainWindow());
        break;
    default:
        break;
    }
}

}  // namespace

void NVK_CALL OnRunnerEvent(int32_t code, uint32_t value, intptr_t, void *first, void *second) {
    TreeOnEvent(code, value, first, second);
    ResultListOnEvent(code, first, second);
    ProgressOnEvent(code, value, first, second);
    XmlViewOnEvent(code);
    FailureListOnEvent(code, first, second, CurrentTestFunction());
    TakeFinalStep(code);
}

}  // namespace runner
