#include "window/source_opening.h"

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "resources/program_resources.h"
#include "resources/resource.h"
#include "rules/editor_command.h"
#include "rules/source_place.h"
#include "window/dialog_setup.h"
#include "window/remembered_state.h"

namespace runner {
namespace {

constexpr size_t kMessageBufferSize = 2048;

void ShowSourceMessage(HWND owner, unsigned formatId, const char *file) {
    char text[kMessageBufferSize];
    std::snprintf(text, sizeof text, LoadRunnerString(formatId).OrEmpty(), file);
    MessageBoxA(owner, text, LoadRunnerString(IDS_SOURCE_CAPTION).OrEmpty(), MB_ICONINFORMATION);
}

bool StartEditor(const std::string &commandLine) {
    std::string writable = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &writable[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// A crash where the test's definition is not known leaves no line, and often no file
// either: the line says why first.
void OpenSource(HWND owner, const SourcePlace &place) {
    const char *file = place.file.c_str();
    if (place.line <= 0) {
        ShowSourceMessage(owner, IDS_NO_SOURCE_LINE, file);
        return;
    }
    if (place.file.empty()) {
        return;
    }
    const std::string &command = Remembered().editorCommand;
    const bool opened =
        command.empty()
            ? reinterpret_cast<INT_PTR>(ShellExecuteA(owner, "open", file, nullptr, nullptr, SW_SHOWNORMAL)) > 32
            : StartEditor(ExpandEditorCommand(command, place.file, place.line));
    if (!opened) {
        ShowSourceMessage(owner, IDS_CANNOT_OPEN_SOURCE, file);
    }
}

TestPlaces PlacesOf(NvkTestFunction *testFunction) {
    TestPlaces places;
    places.checkFile = NvkTestFunctionGetFileName(testFunction);
    places.definedFile = NvkTestFunctionGetSourceFile(testFunction);
    places.definedLine = NvkTestFunctionGetSourceLine(testFunction);
    NvkAssertionFailure *first = NvkTestFunctionGetFirstFailure(testFunction);
    places.failed = first != nullptr;
    places.firstFailureLine = first != nullptr ? NvkAssertionFailureGetLineNumber(first) : 0;
    return places;
}

INT_PTR CALLBACK EditorCommandProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetUpRunnerDialog(dialog);
        SetDlgItemTextA(dialog, IDC_EDITOR_COMMAND, Remembered().editorCommand.c_str());
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            char command[kMessageBufferSize] = "";
            GetDlgItemTextA(dialog, IDC_EDITOR_COMMAND, command, sizeof command);
            Remembered().editorCommand = command;
            StoreEditorCommand();
            EndDialog(dialog, IDOK);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
        }
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

void OpenSourceOfFailure(HWND owner, NvkAssertionFailure *failure) {
    OpenSource(owner, PlaceOfFailure(NvkAssertionFailureGetFileName(failure), NvkAssertionFailureGetLineNumber(failure),
                                     PlacesOf(NvkAssertionFailureGetTestFunction(failure))));
}

void OpenSourceOfTestFunction(HWND owner, NvkTestFunction *testFunction) {
    const SourcePlace place = PlaceOfTest(PlacesOf(testFunction));
    if (!place.file.empty()) {
        OpenSource(owner, place);
    }
}

void ShowEditorCommandDialog(HWND owner) {
    DialogBoxParamA(ProgramInstance(), MAKEINTRESOURCEA(IDD_EDITOR_COMMAND), owner, EditorCommandProcedure, 0);
}

}  // namespace runner
