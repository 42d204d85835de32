#include "window/library_commands.h"

#include <commdlg.h>

#include "library_loader.h"
#include "norvik.h"
#include "resources/resource.h"
#include "rules/load_failure_messages.h"
#include "rules/window_title.h"
#include "views/result_list.h"
#include "views/tree_view.h"
#include "window/commands.h"
#include "window/current_test_function.h"
#include "window/main_window.h"
#include "window/program_resources.h"

namespace runner {
namespace {

constexpr size_t kTitleBufferSize = 1024;
constexpr DWORD kFileNameBufferSize = 1024;

void SetLibraryTitle(HWND mainWindow, const char *path, const char *displayName) {
    char title[kTitleBufferSize];
    FormatLibraryTitle(title, sizeof title, path, displayName);
    SetWindowTextA(mainWindow, title);
}

void FocusTestTree(HWND mainWindow) { SetFocus(GetDlgItem(mainWindow, IDC_TEST_TREE)); }

}  // namespace

void OpenTestLibrary(HWND mainWindow, const char *path) {
    const HCURSOR previousCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    const RunnerString displayName = LoadRunnerString(IDS_DISPLAY_NAME);
    // Registering thousands of tests would otherwise scroll and redraw the views
    // once for each of them.
    PauseViewDrawing(true);
    unsigned messageId = LoadFailureMessageId(loader::LoadTestLibrary(path));
    PauseViewDrawing(false);
    if (messageId != 0) {
        ShowErrorMessage(mainWindow, IDS_LIBRARY_ERROR, messageId);
        // A test library whose entry point crashed takes the one loaded before it
        // along (its batches were freed first), so the window shows none is loaded.
        if (!loader::IsTestLibraryLoaded()) {
            SetWindowTextA(mainWindow, displayName.Get());
            ClearCurrentTestFunction();
        }
    } else {
        if (NvkBatchGetCount(nullptr) > 0) {
            SelectFirstBatch();
            FocusTestTree(mainWindow);
        } else {
            ClearCurrentTestFunction();
            messageId = IDS_NO_TESTS;
        }
        SetLibraryTitle(mainWindow, loader::LoadedLibraryPath(), displayName.Get());
        if (messageId == IDS_NO_TESTS) {
            ShowErrorMessage(mainWindow, IDS_LIBRARY_ERROR, IDS_NO_TESTS);
        }
    }
    UpdateCommandState(mainWindow);
    AutosizeResultColumns();
    SetCursor(previousCursor);
}

void CloseTestLibrary(HWND mainWindow) {
    const HCURSOR previousCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    loader::ReleaseTestLibrary();
    SetWindowTextA(mainWindow, LoadRunnerString(IDS_DISPLAY_NAME).Get());
    ClearCurrentTestFunction();
    UpdateCommandState(mainWindow);
    AutosizeResultColumns();
    SetCursor(previousCursor);
}

RunnerString ChooseTestLibrary(HWND owner) {
    char fileName[kFileNameBufferSize] = "";
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = "DLL's (*.dll)\0*.dll\0All Files (*.*)\0*.*\0";
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = kFileNameBufferSize;
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING;
    if (!GetOpenFileNameA(&dialog)) {
        return RunnerString();
    }
    return RunnerString(NvkMemCopyString(fileName));
}

}  // namespace runner
