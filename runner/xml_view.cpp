#include "xml_view.h"

#include <string>

#include "norvik.h"

namespace runner {
namespace {

HWND view = nullptr;

void ShowNothing() {
    SetWindowTextW(view, L"");
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

void ShowReport() {
    size_t length = 0;
    char *report = NvkReportCreate(NVK_REPORT_ALL, &length);
    if (report == nullptr) {
        ShowNothing();
        return;
    }
    SetWindowTextW(view, WideFromUtf8(report, length).c_str());
    UpdateWindow(view);
    NvkMemFreeImp(&report);
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
        ShowReport();
        break;
    default:
        break;
    }
}

bool XmlViewHasText() { return GetWindowTextLengthW(view) > 0; }

}  // namespace runner
