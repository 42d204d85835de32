#include "window/library_commands.h"

#include <commdlg.h>

#include <cstdio>
#include <string>
#include <vector>

#include "library_loader.h"
#include "norvik.h"
#include "resources/program_resources.h"
#include "resources/resource.h"
#include "rules/file_change_watch.h"
#include "rules/kept_selection.h"
#include "rules/load_failure_messages.h"
#include "rules/recent_files.h"
#include "rules/registration_message.h"
#include "rules/window_title.h"
#include "views/result_list.h"
#include "views/tree_view.h"
#include "wide_text_windows.h"
#include "window/commands.h"
#include "window/current_test_function.h"
#include "window/main_window.h"
#include "window/remembered_state.h"
#include "window/shadow_copy.h"
#include "window/test_run.h"

namespace runner {
namespace {

constexpr size_t kTitleBufferSize = 1024;
constexpr DWORD kFileNameBufferSize = 1024;
constexpr size_t kMenuTextSize = 1100;
constexpr size_t kRegistrationErrorsShown = 10;

// The open library as the user named it, in full; "" when none is open.
std::string openPath;
FileChangeWatch watch;

void SetLibraryTitle(HWND mainWindow, const char *path, const char *displayName) {
    char title[kTitleBufferSize];
    FormatLibraryTitle(title, sizeof title, path, displayName);
    SetWindowTextA(mainWindow, title);
}

void FocusTestTree(HWND mainWindow) { SetFocus(GetDlgItem(mainWindow, IDC_TEST_TREE)); }

std::string FullPath(const char *path) {
    char full[MAX_PATH * 4] = "";
    const DWORD length = GetFullPathNameA(path, sizeof full, full, nullptr);
    return length == 0 || length >= sizeof full ? std::string(path) : std::string(full);
}

FileStamp StampOf(const std::string &path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    FileStamp stamp;
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        stamp.exists = true;
        stamp.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        stamp.writeTime =
            (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    }
    return stamp;
}

// The copy that was loaded, when the loader holds one rather than the user's file.
std::string LoadedCopy() {
    const std::string loaded = loader::AnsiFromUtf8(loader::LoadedLibraryPath());
    return IsSameFileName(loaded, openPath) ? std::string() : loaded;
}

// Loads the file at fullPath, through a fresh copy when shadow copy is on. Returns
// the message id of the failure; copyMissing tells that the file could not even be
// copied, as while a build still holds it.
unsigned LoadFromFile(const std::string &fullPath, bool *copyMissing) {
    std::string loadPath = fullPath;
    *copyMissing = false;
    if (Remembered().shadowCopy) {
        const std::string copy = MakeShadowCopy(fullPath);
        *copyMissing = copy.empty();
        if (!copy.empty()) {
            loadPath = copy;
            SearchDependenciesBeside(fullPath);
        }
    }
    PauseViewDrawing(true);
    const unsigned messageId =
        LoadFailureMessageId(loader::LoadTestLibrary(loader::Utf8FromAnsi(loadPath.c_str()).c_str()));
    PauseViewDrawing(false);
    SearchDependenciesBeside(std::string());
    // Made with the library rather than at its first run, which it would hold up before
    // the window's first repaint.
    if (messageId == 0) {
        LoadedRegistryIndex();
    }
    return messageId;
}

void ForgetOpenLibrary(HWND mainWindow, const char *displayName) {
    openPath.clear();
    SetWindowTextA(mainWindow, displayName);
    ClearCurrentTestFunction();
}

void RememberOpened(HWND mainWindow, const std::string &path) {
    RememberRecentFile(Remembered().recentFiles, path);
    StoreRecentFiles();
    ShowRecentFiles(mainWindow);
}

// Only cleared boxes are noted: a test not named gets a ticked box after the reload
// anyway, and most suites have every box ticked.
KeptSelection KeepSelection() {
    KeptSelection kept;
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
             test = NvkTestFunctionGetNext(test)) {
            if (NvkTestFunctionGetSkip(test) != 0) {
                kept.skipped[{NvkBatchGetName(batch), NvkTestFunctionGetName(test)}] = true;
            }
        }
    }
    TreeKeep(kept);
    kept.firstResultRow = ResultListTopRow();
    return kept;
}

void RestoreSelection(const KeptSelection &kept, bool treeKept) {
    PauseViewDrawing(true);
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr && !kept.skipped.empty();
         batch = NvkBatchGetNext(batch)) {
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
             test = NvkTestFunctionGetNext(test)) {
            const int skip = SkipAfterReload(kept, {NvkBatchGetName(batch), NvkTestFunctionGetName(test)});
            if (skip != 0) {
                NvkTestFunctionSetSkip(test, skip);
            }
        }
    }
    PauseViewDrawing(false);
    TreeRestore(kept, treeKept);
    ResultListScrollTo(kept.firstResultRow);
}

// What registration refused is no failure of one test, and the refused tests have no
// row: the library as a whole is at fault, as with the other problems of loading,
// which the error box shows too. Shown at every load, so that it never passes unseen.
void ShowRegistrationErrors(HWND mainWindow) {
    std::vector<std::string> errors;
    for (uint32_t index = 0; index < NvkRegistrationGetErrorCount(); ++index) {
        const char *error = NvkRegistrationGetError(index);
        errors.push_back(error != nullptr ? error : "");
    }
    if (errors.empty()) {
        return;
    }
    const std::string text =
        RegistrationMessage(LoadRunnerString(IDS_REGISTRATION_ERRORS).OrEmpty(), errors, kRegistrationErrorsShown,
                            LoadRunnerString(IDS_MORE_REGISTRATION_ERRORS).OrEmpty());
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    MessageBoxA(mainWindow, text.c_str(), LoadRunnerString(IDS_LIBRARY_ERROR).OrEmpty(), MB_ICONERROR);
}

// The title names the library and, after a reload that failed, why the file on
// disk is not the one loaded.
void ShowReloadFailure(HWND mainWindow, unsigned messageId) {
    char title[kTitleBufferSize];
    SetLibraryTitle(mainWindow, openPath.c_str(), LoadRunnerString(IDS_DISPLAY_NAME).OrEmpty());
    GetWindowTextA(mainWindow, title, sizeof title);
    char noted[kTitleBufferSize];
    std::snprintf(noted, sizeof noted, LoadRunnerString(IDS_NOT_RELOADED_FORMAT).OrEmpty(), title,
                  LoadRunnerString(messageId).OrEmpty());
    SetWindowTextA(mainWindow, noted);
}

// Reloads. A file that cannot be copied yet is tried again at the next tick when the
// reload was automatic; asked for, it is reported like any other failure.
void Reload(HWND mainWindow, bool automatic) {
    const HCURSOR previousCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    const FileStamp stamp = StampOf(openPath);
    const KeptSelection kept = KeepSelection();
    bool copyMissing = false;
    TreeBeginReload();
    const unsigned messageId = LoadFromFile(openPath, &copyMissing);
    const bool treeKept = TreeEndReload();
    const bool retry = messageId != 0 && copyMissing && automatic;
    if (messageId == 0) {
        watch.Loaded(stamp);
        RemoveShadowCopiesExcept(LoadedCopy());
        RestoreSelection(kept, treeKept);
        SetLibraryTitle(mainWindow, openPath.c_str(), LoadRunnerString(IDS_DISPLAY_NAME).OrEmpty());
        ShowRegistrationErrors(mainWindow);
    } else if (!loader::IsTestLibraryLoaded()) {
        // An entry point that crashed took the library before it along.
        ForgetOpenLibrary(mainWindow, LoadRunnerString(IDS_DISPLAY_NAME).OrEmpty());
        RemoveShadowCopiesExcept(std::string());
    } else if (!retry) {
        watch.Failed(stamp);
        RemoveShadowCopiesExcept(LoadedCopy());
        ShowReloadFailure(mainWindow, messageId);
    }
    UpdateCommandState(mainWindow);
    AutosizeResultColumns();
    SetCursor(previousCursor);
    if (messageId == 0 && Remembered().runAfterReload && NvkBatchGetCount(nullptr) > 0) {
        RunCommand(mainWindow, IDM_RUN_SELECTED);
    }
}

}  // namespace

void OpenTestLibrary(HWND mainWindow, const char *path) {
    const HCURSOR previousCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    const RunnerString displayName = LoadRunnerString(IDS_DISPLAY_NAME);
    const std::string fullPath = path != nullptr && path[0] != '\0' ? FullPath(path) : std::string();
    const FileStamp stamp = StampOf(fullPath);
    bool copyMissing = false;
    unsigned messageId = LoadFromFile(fullPath, &copyMissing);
    if (messageId != 0) {
        RemoveShadowCopiesExcept(LoadedCopy());
        ShowErrorMessage(mainWindow, IDS_LIBRARY_ERROR, messageId);
        // A test library whose entry point crashed takes the one loaded before it
        // along (its batches were freed first), so the window shows none is loaded.
        if (!loader::IsTestLibraryLoaded()) {
            ForgetOpenLibrary(mainWindow, displayName.Get());
        }
    } else {
        openPath = fullPath;
        watch.Loaded(stamp);
        RemoveShadowCopiesExcept(LoadedCopy());
        if (NvkBatchGetCount(nullptr) > 0) {
            SelectFirstBatch();
            FocusTestTree(mainWindow);
        } else {
            ClearCurrentTestFunction();
            messageId = IDS_NO_TESTS;
        }
        SetLibraryTitle(mainWindow, openPath.c_str(), displayName.Get());
        RememberOpened(mainWindow, openPath);
        ShowRegistrationErrors(mainWindow);
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
    RemoveShadowCopiesExcept(std::string());
    ForgetOpenLibrary(mainWindow, LoadRunnerString(IDS_DISPLAY_NAME).OrEmpty());
    UpdateCommandState(mainWindow);
    AutosizeResultColumns();
    SetCursor(previousCursor);
}

void ReloadTestLibrary(HWND mainWindow) {
    if (loader::IsTestLibraryLoaded() && !openPath.empty()) {
        Reload(mainWindow, false);
    }
}

// A run in the window's process holds the message loop, so no tick comes during it;
// one in a worker process holds the registry, so its ticks wait. A change made
// meanwhile is seen at the first tick after the run. Ticks also reach the window
// while a dialog or message box of its own is open (it is disabled then), in the
// middle of a command: those wait too.
void WatchTestLibrary(HWND mainWindow) {
    if (!Remembered().autoReload || !loader::IsTestLibraryLoaded() || openPath.empty() || SeparateRunInProgress() ||
        NvkIsRunning() != 0 || !IsWindowEnabled(mainWindow)) {
        return;
    }
    if (watch.ShouldReload(StampOf(openPath))) {
        Reload(mainWindow, true);
    }
}

void OpenRecentFile(HWND mainWindow, size_t index) {
    std::vector<std::string> &recent = Remembered().recentFiles;
    if (index >= recent.size()) {
        return;
    }
    const std::string path = recent[index];
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        OpenTestLibrary(mainWindow, path.c_str());
        return;
    }
    ForgetRecentFile(recent, path);
    StoreRecentFiles();
    ShowRecentFiles(mainWindow);
    char text[kMenuTextSize + 200];
    std::snprintf(text, sizeof text, LoadRunnerString(IDS_RECENT_FILE_MISSING).OrEmpty(), path.c_str());
    MessageBoxA(mainWindow, text, LoadRunnerString(IDS_DISPLAY_NAME).OrEmpty(), MB_ICONINFORMATION);
}

void ShowRecentFiles(HWND mainWindow) {
    const HMENU file = GetSubMenu(GetMenu(mainWindow), 0);
    for (UINT id = IDM_RECENT_FIRST; id <= IDM_RECENT_SEPARATOR; ++id) {
        DeleteMenu(file, id, MF_BYCOMMAND);
    }
    const std::vector<std::string> &recent = Remembered().recentFiles;
    for (size_t index = 0; index < recent.size(); ++index) {
        char text[kMenuTextSize];
        std::snprintf(text, sizeof text, "&%u %s", static_cast<unsigned>(index + 1), recent[index].c_str());
        InsertMenuA(file, IDM_EXIT, MF_BYCOMMAND | MF_STRING, IDM_RECENT_FIRST + index, text);
    }
    if (!recent.empty()) {
        InsertMenuA(file, IDM_EXIT, MF_BYCOMMAND | MF_SEPARATOR, IDM_RECENT_SEPARATOR, nullptr);
    }
    DrawMenuBar(mainWindow);
}

std::string OpenLibraryFile() { return openPath; }

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
