#include "main_window.h"

#include "about_box.h"
#include "custom_drawing.h"
#include "library_commands.h"
#include "norvik.h"
#include "program_resources.h"
#include "report_options_dialog.h"
#include "resources/resource.h"

namespace runner {
namespace {

void OnInitDialog(HWND window) {
    char *displayName = LoadRunnerString(IDS_DISPLAY_NAME);
    SetWindowTextA(window, displayName);
    NvkMemFreeImp(&displayName);
    InstallCustomDrawing(window);
}

// The message loop fetches only this window's messages, so the quit message is
// posted to the window rather than to the thread.
void OnClose(HWND window) { PostMessageA(window, WM_QUIT, 0, 0); }

void OnOpenCommand(HWND window) {
    char *path = ChooseTestLibrary(window);
    if (path != nullptr) {
        OpenTestLibrary(window, path);
        NvkMemFreeImp(&path);
    }
}

void OnCommand(HWND window, WORD commandId) {
    switch (commandId) {
    case IDM_OPEN_LIBRARY:
        OnOpenCommand(window);
        break;
    case IDM_CLOSE_LIBRARY:
        CloseTestLibrary(window);
        break;
    case IDM_EXIT:
        PostMessageA(window, WM_CLOSE, 0, 0);
        break;
    case IDM_SAVE_RESULTS:
        ShowReportOptionsDialog(window);
        break;
    case IDM_ABOUT:
        ShowAboutBox(window);
        break;
    default:
        break;
    }
}

INT_PTR CALLBACK MainDialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case kEraseBackgroundRequest:
        return AnswerEraseBackgroundRequest(window, reinterpret_cast<HDC>(wParam), IDM_LIST_VIEW);
    case WM_INITDIALOG:
        OnInitDialog(window);
        break;
    case WM_CLOSE:
        OnClose(window);
        break;
    case WM_COMMAND:
        OnCommand(window, LOWORD(wParam));
        break;
    default:
        break;
    }
    return 0;
}

}  // namespace

HWND CreateMainWindow() {
    return CreateDialogParamA(ProgramInstance(), MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProcedure, 0);
}

}  // namespace runner
