// Puts the running WindowsNorvik.exe into the state a screenshot shows, then prints
// the geometry of the window to crop to as WIDTHxHEIGHT+X+Y. Steps:
//   main     the main window
//   about    opens the about box
//   report   opens the report options dialog
//   buttons  disables "Run Selected Tests" and holds "Open..." down
//   close    closes the open dialog with Escape
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "resources/resource.h"
#include "window_driving.h"

namespace {

using namespace window_driving;

struct MainSearch {
    DWORD processId;
    HWND found;
};

// The runner's main window is the one with a menu.
BOOL CALLBACK MatchMainWindow(HWND window, LPARAM parameter) {
    auto *search = reinterpret_cast<MainSearch *>(parameter);
    const std::string text = WindowText(window);
    if (GetMenu(window) != nullptr && IsWindowVisible(window) && text.size() >= 14 &&
        text.compare(text.size() - 14, 14, "Windows Norvik") == 0) {
        GetWindowThreadProcessId(window, &search->processId);
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

void PrintGeometry(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    std::printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
}

}  // namespace

int main(int argc, char **argv) {
    const std::string step = argc > 1 ? argv[1] : "main";
    MainSearch main = {0, nullptr};
    for (int tries = 0; tries < 300 && main.found == nullptr; ++tries) {
        EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(&main));
        Sleep(100);
    }
    if (main.found == nullptr) {
        std::fprintf(stderr, "no runner window\n");
        return 1;
    }
    HWND shown = main.found;
    if (step == "about") {
        Command(main.found, IDM_ABOUT);
        shown = WaitForWindow(main.processId, "Windows Norvik", main.found);
    } else if (step == "report") {
        Command(main.found, IDM_SAVE_RESULTS);
        shown = WaitForWindow(main.processId, "Unit Test Summary");
    } else if (step == "buttons") {
        EnableWindow(GetDlgItem(main.found, IDM_RUN_SELECTED), FALSE);
        SendMessageA(GetDlgItem(main.found, IDM_OPEN_LIBRARY), BM_SETSTATE, TRUE, 0);
    } else if (step == "close") {
        HWND dialog = GetLastActivePopup(main.found);
        if (dialog != main.found) {
            PressKey(dialog, VK_ESCAPE);
            WaitUntilGone(dialog);
        }
    }
    if (shown == nullptr) {
        std::fprintf(stderr, "the window of step %s did not appear\n", step.c_str());
        return 1;
    }
    Sleep(500);  // let it paint
    PrintGeometry(shown);
    return 0;
}
