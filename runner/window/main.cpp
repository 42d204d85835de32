// Program entry: chooses command-line or window mode from the arguments, runs it,
// and releases the test library on the way out.
#include <windows.h>
#include <commctrl.h>

#include <shellapi.h>

#include <cstdlib>
#include <string>

#include "library_loader.h"
#include "resources/program_resources.h"
#include "resources/resource.h"
#include "rules/argument_scan.h"
#include "test_worker.h"
#include "wide_text_windows.h"
#include "window/command_line.h"
#include "window/dialog_setup.h"
#include "window/library_commands.h"
#include "window/main_window.h"
#include "window/remembered_state.h"
#include "window/runner_events.h"
#include "window/shadow_copy.h"
#include "worker_process.h"

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
void RunMessageLoop(HWND mainWindow) {
    MSG message;
    while (GetMessageA(&message, mainWindow, 0, 0) > 0) {
        DispatchWindowMessage(message);
    }
}

// Started as a worker by a run in a separate process: the arguments after the
// option are the channel, the test library and the folder of its dependencies, as
// the system has them.
bool RunAsWorker(int &exitCode) {
    int count = 0;
    wchar_t **arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    const bool worker =
        arguments != nullptr && count >= 4 && loader::Utf8FromWide(arguments[1]) == run::kWorkerChannelOption;
    if (worker) {
        run::TurnOffErrorDialogs();
        exitCode = run::RunTestWorker(loader::Utf8FromWide(arguments[2]), loader::Utf8FromWide(arguments[3]),
                                      count >= 5 ? loader::Utf8FromWide(arguments[4]) : std::string());
    }
    LocalFree(arguments);
    return worker;
}

void RunGui(const char *libraryPath, int showCommand) {
    const HACCEL accelerators = LoadAcceleratorsA(ProgramInstance(), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    RegisterCommonControls();
    // Locked: a test DLL cannot put a handler of its own in the window's place.
    NvkSetEventHandler(OnRunnerEvent, 1);
    RemoveLeftoverShadowCopies();
    ReadRememberedState();
    const HWND mainWindow = CreateMainWindow(accelerators);
    if (mainWindow == nullptr) {
        return;
    }
    ShowMainWindow(showCommand);
    if (libraryPath != nullptr) {
        OpenTestLibrary(mainWindow, libraryPath);
    }
    UpdateWindow(mainWindow);
    RunMessageLoop(mainWindow);
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
    int workerExit = 0;
    if (RunAsWorker(workerExit)) {
        return workerExit;
    }
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
