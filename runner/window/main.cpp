// Program entry: chooses command-line or window mode from the arguments, runs it,
// and releases the test library on the way out.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "library_loader.h"
#include "resources/resource.h"
#include "rules/argument_scan.h"
#include "window/command_line.h"
#include "window/dialog_setup.h"
#include "window/library_commands.h"
#include "window/main_window.h"
#include "window/program_resources.h"
#include "wide_text_windows.h"
#include "window/remembered_state.h"
#include "window/runner_events.h"
#include "window/shadow_copy.h"

namespace runner {
namespace {

bool PathExists(const char *path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

void RegisterCommonControls() {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);
}

// Only the main window's messages are fetched; the loop ends with the quit message
// that the window posts to itself, or when the window is gone.
void RunMessageLoop(HWND mainWindow, HACCEL accelerators) {
    MSG message;
    while (GetMessageA(&message, mainWindow, 0, 0) > 0) {
        if (TranslateAcceleratorA(mainWindow, accelerators, &message)) {
            continue;
        }
        if (IsDialogMessageA(mainWindow, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void RunGui(const char *libraryPath, int showCommand) {
    const HACCEL accelerators = LoadAcceleratorsA(ProgramInstance(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    RegisterCommonControls();
    // Locked: a test DLL cannot put a handler of its own in the window's place.
    NvkSetEventHandler(OnRunnerEvent, 1);
    RemoveLeftoverShadowCopies();
    ReadRememberedState();
    const HWND mainWindow = CreateMainWindow();
    if (mainWindow == nullptr) {
        return;
    }
    ShowMainWindow(showCommand);
    if (libraryPath != nullptr) {
        OpenTestLibrary(mainWindow, libraryPath);
    }
    UpdateWindow(mainWindow);
    RunMessageLoop(mainWindow, accelerators);
    StoreWindowState(mainWindow, CurrentViewMode() == ViewMode::Xml);
    loader::ReleaseTestLibrary();
    RemoveShadowCopiesExcept(std::string());
    DeleteRunnerFonts();
}

// The window's paths are in the ANSI code page, the loader's in UTF-8.
bool ReportWouldOverwriteLibrary(const char *reportPath, const char *libraryPath) {
    return loader::ReportWouldOverwriteLibrary(loader::Utf8FromAnsi(reportPath).c_str(),
                                               loader::Utf8FromAnsi(libraryPath).c_str());
}

int Run(int showCommand) {
    const StartRequest request = ScanArguments(__argc, __argv, PathExists, ReportWouldOverwriteLibrary);
    int exitCode = 0;
    switch (request.mode) {
    case StartMode::Refused:
        return 1;
    case StartMode::CommandLine:
        exitCode = RunCommandLineMode(request.libraryPath, request.reportPath);
        break;
    case StartMode::Gui:
        RunGui(request.libraryPath, showCommand);
        break;
    }
    loader::ReleaseTestLibrary();
    return exitCode;
}

}  // namespace
}  // namespace runner

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    runner::RecordProgramInstance(instance);
    return runner::Run(showCommand);
}
