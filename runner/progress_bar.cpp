#include "progress_bar.h"

#include <commctrl.h>

#include "norvik.h"
#include "test_results.h"

namespace runner {
namespace {

constexpr COLORREF kBackground = RGB(0xC0, 0xC0, 0xC0);
constexpr COLORREF kGreen = RGB(0, 0xFF, 0);
constexpr COLORREF kRed = RGB(0xFF, 0, 0);

HWND bar = nullptr;
ProgressScope scope;

void Restart(uint32_t maximum) {
    SendMessageA(bar, PBM_SETBARCOLOR, 0, kGreen);
    SendMessageA(bar, PBM_SETPOS, 0, 0);
    SendMessageA(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(maximum));
}

void Reset(uint32_t maximum) {
    Restart(maximum);
    scope = ProgressScope();
}

void Track(const ProgressScope &run) {
    uint32_t selected = 0;
    NvkBatchGetTestFunctionInformation(static_cast<NvkBatch *>(const_cast<void *>(run.batch)), &selected, nullptr);
    Restart(selected);
    scope = run;
}

void OnRunStarted(void *batch, void *testFunction) {
    const ProgressScope run = ScopeOfRun(batch, testFunction);
    if (run.tracking) {
        Track(run);
    } else {
        Reset(1);
    }
}

void OnTestFinished(uint32_t passed) {
    if (passed == 0) {
        SendMessageA(bar, PBM_SETBARCOLOR, 0, kRed);
    }
    SendMessageA(bar, PBM_STEPIT, 0, 0);
    UpdateWindow(bar);
}

void OnRunFinished() {
    if (!scope.tracking) {
        return;
    }
    int32_t failed = 0;
    NvkBatchGetStatistics(static_cast<NvkBatch *>(const_cast<void *>(scope.batch)), nullptr, nullptr, &failed,
                          nullptr, nullptr, nullptr, nullptr);
    if (EndsGreen(scope, failed)) {
        SendMessageA(bar, PBM_SETBARCOLOR, 0, kGreen);
    }
}

}  // namespace

void SetUpProgressBar(HWND control) {
    bar = control;
    SendMessageA(bar, PBM_SETBKCOLOR, 0, kBackground);
    SendMessageA(bar, PBM_SETSTEP, 1, 0);
    Reset(0);
}

void ProgressOnEvent(int32_t code, uint32_t value, void *first, void *second) {
    switch (code) {
    case NvkEventAllBatchesFreed:
        Reset(0);
        break;
    case NvkEventRunStarted:
        OnRunStarted(first, second);
        break;
    case NvkEventTestFunctionFinished:
        OnTestFinished(value);
        break;
    case NvkEventRunFinished:
        OnRunFinished();
        break;
    default:
        break;
    }
}

}  // namespace runner
