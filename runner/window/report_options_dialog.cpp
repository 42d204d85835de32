// The report options dialog and its save step; see report_options_dialog.h.
#include "window/report_options_dialog.h"

#include <commdlg.h>

#include <cstring>

#include "norvik.h"
#include "resources/program_resources.h"
#include "resources/resource.h"
#include "window/dialog_setup.h"

namespace runner {
namespace {

constexpr int kPathBufferSize = 1024;
constexpr char kProposedFileName[] = "TestResults.xml";

struct ItemBox {
    int controlId;
    int flag;
};

constexpr ItemBox kItemBoxes[] = {
    {IDC_REPORT_BATCH_SUMMARY, NVK_REPORT_BATCH_SUMMARY},
    {IDC_REPORT_FAILED, NVK_REPORT_FAILED},
    {IDC_REPORT_PASSED, NVK_REPORT_PASSED},
    {IDC_REPORT_SKIPPED, NVK_REPORT_SKIPPED},
    {IDC_REPORT_SUMMARY, NVK_REPORT_SUMMARY},
};

int TickedFlags(HWND dialog) {
    int flags = 0;
    for (const ItemBox &box : kItemBoxes) {
        if (SendDlgItemMessageA(dialog, box.controlId, BM_GETCHECK, 0, 0) == BST_CHECKED) {
            flags |= box.flag;
        }
    }
    return flags;
}

// Fills path and returns true when the user chose a file.
bool ChooseReportPath(HWND dialog, char (&path)[kPathBufferSize]) {
    std::strcpy(path, kProposedFileName);
    OPENFILENAMEA request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = dialog;
    request.lpstrFilter = "XML Files (*.xml)\0*.xml\0All Files (*.*)\0*.*\0";
    request.lpstrFile = path;
    request.nMaxFile = kPathBufferSize;
    request.lpstrDefExt = "xml";
    request.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING;
    return GetSaveFileNameA(&request) != 0;
}

// True when the report was written; otherwise the dialog stays open.
bool SaveReport(HWND dialog) {
    const int flags = TickedFlags(dialog);
    if (flags == 0) {
        ShowErrorMessage(dialog, 0, IDS_NO_REPORT_ITEMS);
        return false;
    }
    char path[kPathBufferSize];
    if (!ChooseReportPath(dialog, path)) {
        return false;
    }
    if (NvkReportCreateFile(flags, path) == 0) {
        ShowErrorMessage(dialog, 0, IDS_SAVE_FAILED);
        return false;
    }
    return true;
}

void OnInitDialog(HWND dialog) {
    SetUpRunnerDialog(dialog);
    for (const ItemBox &box : kItemBoxes) {
        SendDlgItemMessageA(dialog, box.controlId, BM_SETCHECK, BST_CHECKED, 0);
    }
}

void OnCommand(HWND dialog, int controlId) {
    switch (controlId) {
    case IDOK:
        if (SaveReport(dialog)) {
            EndDialog(dialog, 0);
        }
        break;
    case IDCANCEL:  // Escape: there is no Cancel button, but users expect the key to close
        EndDialog(dialog, 0);
        break;
    case 0:
        break;
    default:
        // A check box drew its text over itself without erasing: repaint everything.
        InvalidateRect(dialog, nullptr, TRUE);
        UpdateWindow(dialog);
        break;
    }
}

INT_PTR CALLBACK ReportOptionsProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        break;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        break;
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam));
        break;
    default:
        break;
    }
    return 0;
}

}  // namespace

void ShowReportOptionsDialog(HWND owner) {
    DialogBoxParamA(ProgramInstance(), MAKEINTRESOURCEA(IDD_REPORT_OPTIONS), owner, ReportOptionsProcedure, 0);
}

}  // namespace runner
