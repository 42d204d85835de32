#include "views/progress_bar.h"

#include <commctrl.h>
#include <uxtheme.h>

#include "norvik.h"
#include "rules/result_appearance.h"

namespace runner {
namespace {

constexpr COLORREF kBackground = RGB(0xC0, 0xC0, 0xC0);
constexpr COLORREF kGreen = RGB(0, 0xFF, 0);
constexpr COLORREF kRed = RGB(0xFF, 0, 0);

HWND bar = nullptr;
ViewContext context;
ProgressScope scope;
// The steps are counted here and given to the bar when they show: repainting the bar
// for every one of thousands of tests would cost more than the tests.
uint32_t steps = 0;
uint32_t range = 0;
bool red = false;

void SetColour(bool failed) {
    SendMessageA(bar, PBM_SETBARCOLOR, 0, failed ? kRed : kGreen);
    red = failed;
}

void Restart(uint32_t maximum) {
    SetColour(false);
    SendMessageA(bar, PBM_SETPOS, 0, 0);
    SendMessageA(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(maximum));
    steps = 0;
    range = maximum;
}

int BarWidth() {
    RECT client = {};
    GetClientRect(bar, &client);
    return client.right;
}

void Reset(uint32_t maximum) {
    Restart(maximum);
    scope = ProgressScope();
}

RunTally LatestRun() { return context.latestRun != nullptr ? context.latestRun() : RunTally(); }

// The run's stream tells of its selection before the library starts it.
void Track(const ProgressScope &run) {
    Restart(static_cast<uint32_t>(LatestRun().selected));
    scope = run;
}

void OnRunStarted(void *testFunction) {
    const ProgressScope run = ScopeOfRun(testFunction);
    if (run.tracking) {
        Track(run);
    } else {
        Reset(1);
    }
}

bool Failed(NvkTestFunction *testFunction) {
    const TestResult *result = context.resultOf != nullptr ? context.resultOf(testFunction) : nullptr;
    return result != nullptr && HasFailed(*result);
}

void OnTestFinished(NvkTestFunction *testFunction) {
    ++steps;
    const bool turnsRed = !red && Failed(testFunction);
    if (turnsRed) {
        SetColour(true);
    }
    if (turnsRed || StepShows(steps, range, BarWidth())) {
        SendMessageA(bar, PBM_SETPOS, steps, 0);
        // A run in this process holds the thread that paints; a worker's results come
        // in short stretches, and the window paints between them.
        if (NvkIsRunning() != 0) {
            UpdateWindow(bar);
        }
    }
}

void OnRunFinished() {
    if (!scope.tracking) {
        return;
    }
    SendMessageA(bar, PBM_SETPOS, steps, 0);
    if (EndsGreen(scope, LatestRun().failed)) {
        SetColour(false);
    }
}

}  // namespace

void SetUpProgressBar(HWND control, const ViewContext &viewContext) {
    bar = control;
    context = viewContext;
    // A themed bar draws in the theme's colour, whatever colour it is given.
    SetWindowTheme(bar, L" ", L" ");
    SendMessageA(bar, PBM_SETBKCOLOR, 0, kBackground);
    SendMessageA(bar, PBM_SETSTEP, 1, 0);
    Reset(0);
}

void ProgressOnEvent(int32_t code, void *second) {
    switch (code) {
    case NvkEventAllBatchesFreed:
        Reset(0);
        break;
    case NvkEventRunStarted:
        OnRunStarted(second);
        break;
    case NvkEventTestFunctionFinished:
        OnTestFinished(static_cast<NvkTestFunction *>(second));
        break;
    case NvkEventRunFinished:
        OnRunFinished();
        break;
    default:
        break;
    }
}

}  // namespace runner
