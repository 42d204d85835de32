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

// The same places, as a test's copies hold them; a failure without a place of its
// own is at line 0, as the library records it.
TestPlaces PlacesOf(const TestResult &result) {
    TestPlaces places;
    places.checkFile = CheckFileOf(result).c_str();
    places.definedFile = result.identity->file.data();
    places.definedLine = result.identity->line;
    const std::vector<run::Failure> &failures = result.Failures();
    places.failed = !failures.empty();
    places.firstFailureLine = failures.empty() || failures.front().atDefinition ? 0 : failures.front().line;
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

void OpenSourceOfFailure(HWND owner, const TestResult &result, const run::Failure &failure) {
    OpenSource(owner, PlaceOfFailure(failure.atDefinition ? nullptr : failure.file.c_str(),
                                     failure.atDefinition ? 0 : failure.line, PlacesOf(result)));
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
