#include "window/source_opening.h"

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "resources/resource.h"
#include "rules/editor_command.h"
#include "window/dialog_setup.h"
#include "window/program_resources.h"
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

// A crash before any assertion leaves no file either: the line says why first.
void OpenSource(HWND owner, const char *file, long line) {
    if (line <= 0) {
        ShowSourceMessage(owner, IDS_NO_SOURCE_LINE, file != nullptr ? file : "");
        return;
    }
    if (file == nullptr || file[0] == '\0') {
        return;
    }
    const std::string &command = Remembered().editorCommand;
    const bool opened =
        command.empty()
            ? reinterpret_cast<INT_PTR>(ShellExecuteA(owner, "open", file, nullptr, nullptr, SW_SHOWNORMAL)) > 32
            : StartEditor(ExpandEditorCommand(command, file, line));
    if (!opened) {
        ShowSourceMessage(owner, IDS_CANNOT_OPEN_SOURCE, file);
    }
}

const char *FileOf(NvkTestFunction *testFunction) { return NvkTestFunctionGetFileName(testFunction); }

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
    OpenSource(owner, FileOf(NvkAssertionFailureGetTestFunction(failure)), NvkAssertionFailureGetLineNumber(failure));
}

void OpenSourceOfTestFunction(HWND owner, NvkTestFunction *testFunction) {
    const char *file = FileOf(testFunction);
    if (file == nullptr || file[0] == '\0') {
        return;
    }
    NvkAssertionFailure *first = NvkTestFunctionGetFirstFailure(testFunction);
    OpenSource(owner, file, first != nullptr ? NvkAssertionFailureGetLineNumber(first) : 1);
}

void ShowEditorCommandDialog(HWND owner) {
    DialogBoxParamA(ProgramInstance(), MAKEINTRESOURCEA(IDD_EDITOR_COMMAND), owner, EditorCommandProcedure, 0);
}

}  // namespace runner
