#include "views/xml_view.h"

#include <string>

#include "norvik.h"
#include "resources/runner_string.h"

namespace runner {
namespace {

HWND view = nullptr;
// A run ended whose report the view has not built: the report of many tests takes
// long to build and longer to put into an edit control, so it waits until the view
// is shown, and a run whose report nobody looks at costs nothing more.
bool reportWaiting = false;

void ShowNothing() {
    reportWaiting = false;
    // Opening a library empties the view once per batch it registers.
    if (GetWindowTextLengthW(view) == 0) {
        return;
    }
    SetWindowTextW(view, L"");
    UpdateWindow(view);
}

void ShowText(const std::wstring &text) {
    SetWindowTextW(view, text.c_str());
    UpdateWindow(view);
}

// The report is UTF-8; the ANSI text call would show every non-ASCII byte as a
// character of the code page.
std::wstring WideFromUtf8(const char *text, size_t length) {
    if (length == 0) {
        return std::wstring();
    }
    const int size = static_cast<int>(length);
    const int needed = MultiByteToWideChar(CP_UTF8, 0, text, size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(needed > 0 ? needed : 0), L'\0');
    if (needed > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text, size, &wide[0], needed);
    }
    return wide;
}

// The report is built from the library's records, which only the next run changes,
// and that run empties the view first.
void ShowReport() {
    reportWaiting = false;
    size_t length = 0;
    const RunnerString report(NvkReportCreate(NVK_REPORT_ALL, &length));
    if (report.Get() == nullptr) {
        ShowNothing();
        return;
    }
    ShowText(WideFromUtf8(report.Get(), length));
}

}  // namespace

void SetUpXmlView(HWND edit) {
    view = edit;
    SetClassLongPtrA(view, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(GetStockObject(WHITE_BRUSH)));
    // No limit but memory: a report of many tests is longer than the default limit.
    SendMessageW(view, EM_SETLIMITTEXT, 0, 0);
}

void XmlViewOnEvent(int32_t code) {
    switch (code) {
    case NvkEventBatchCreated:
    case NvkEventAllBatchesFreed:
    case NvkEventRunStarted:
        ShowNothing();
        break;
    case NvkEventRunFinished:
        if (IsWindowVisible(view)) {
            ShowReport();
        } else {
            reportWaiting = true;
        }
        break;
    default:
        break;
    }
}

void XmlViewShown() {
    if (reportWaiting) {
        ShowReport();
    }
}

bool XmlViewHasText() { return reportWaiting || GetWindowTextLengthW(view) > 0; }

}  // namespace runner
