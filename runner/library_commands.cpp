#include "library_commands.h"

#include <commdlg.h>

#include "norvik.h"
#include "program_resources.h"
#include "resources/resource.h"
#include "test_library.h"
#include "window_title.h"

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
    char *displayName = LoadRunnerString(IDS_DISPLAY_NAME);
    unsigned messageId = LoadTestLibrary(path);
    if (messageId != 0) {
        ShowErrorMessage(mainWindow, IDS_LIBRARY_ERROR, messageId);
    } else {
        if (NvkBatchGetCount(nullptr) > 0) {
            FocusTestTree(mainWindow);
        } else {
            messageId = IDS_NO_TESTS;
        }
        SetLibraryTitle(mainWindow, LoadedLibraryPath(), displayName);
        if (messageId == IDS_NO_TESTS) {
            ShowErrorMessage(mainWindow, IDS_LIBRARY_ERROR, IDS_NO_TESTS);
        }
    }
    NvkMemFreeImp(&displayName);
    SetCursor(previousCursor);
}

void CloseTestLibrary(HWND mainWindow) {
    const HCURSOR previousCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    char *displayName = LoadRunnerString(IDS_DISPLAY_NAME);
    ReleaseTestLibrary();
    SetWindowTextA(mainWindow, displayName);
    NvkMemFreeImp(&displayName);
    SetCursor(previousCursor);
}

char *ChooseTestLibrary(HWND owner) {
    char fileName[kFileNameBufferSize] = "";
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = "DLL's (*.dll)\0*.dll\0All Files (*.*)\0*.*\0";
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = kFileNameBufferSize;
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING;
    if (!GetOpenFileNameA(&dialog)) {
        return nullptr;
    }
    return NvkMemCopyString(fileName);
}

}  // namespace runner
