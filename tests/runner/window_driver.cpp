// Drives the runner's window from a script, for screenshots: waits for the window
// with the given title, carries out each action in turn, and prints the window's
// geometry (WIDTHxHEIGHT+X+Y, menu bar and client area) once everything has been handled and painted.
// Actions: a command id (a run, also one in a worker process, returns when over),
// start:ID to start a run and go on while it runs, row:N to select result row N,
// menu:L to open the menu bar's menu of access key L, cancel to close it again,
// wait:MS to let the window work.
//   window_driver.exe "<title>" [action...]
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "resources/resource.h"
#include "window_driving.h"
#include "window_probe.h"

namespace {

using window_driving::kWaitMilliseconds;

void SendAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kWaitMilliseconds * 4, &result);
}

void SelectRow(HWND list, int row) {
    RemoteMemory memory(list, sizeof(LVITEMA));
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    memory.Write(0, &item, sizeof item);
    SendAndWait(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory.At(0)));
}

// A run in a worker process leaves the window free at once; Stop is offered until
// it is over, and Run again once the window has taken in its end.
void WaitForTheRunsEnd(HWND window) {
    const HWND runButton = GetDlgItem(window, IDM_RUN_SELECTED);
    for (DWORD start = GetTickCount(); GetTickCount() - start < kWaitMilliseconds * 4; Sleep(10)) {
        if ((GetMenuState(GetMenu(window), IDM_STOP_RUN, MF_BYCOMMAND) & MF_GRAYED) != 0) {
            break;
        }
    }
    for (DWORD start = GetTickCount(); GetTickCount() - start < 2000 && !IsWindowEnabled(runButton); Sleep(10)) {
    }
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_driver <title> [command-id | row:N]...\n");
        return 2;
    }
    const HWND window = window_driving::WaitForWindowTitled(argv[1]);
    if (window == nullptr) {
        std::fprintf(stderr, "no window titled %s\n", argv[1]);
        return 1;
    }
    for (int index = 2; index < argc; ++index) {
        const std::string action = argv[index];
        if (action.rfind("row:", 0) == 0) {
            SelectRow(GetDlgItem(window, IDC_RESULT_LIST), std::atoi(action.c_str() + 4));
        } else if (action.rfind("menu:", 0) == 0) {
            PostMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, static_cast<unsigned char>(action[5]));
        } else if (action == "cancel") {
            SendAndWait(window, WM_CANCELMODE, 0, 0);
        } else if (action.rfind("wait:", 0) == 0) {
            Sleep(static_cast<DWORD>(std::atoi(action.c_str() + 5)));
        } else if (action.rfind("start:", 0) == 0) {
            SendAndWait(window, WM_COMMAND, static_cast<WPARAM>(std::atoi(action.c_str() + 6)), 0);
        } else {
            SendAndWait(window, WM_COMMAND, static_cast<WPARAM>(std::atoi(action.c_str())), 0);
            WaitForTheRunsEnd(window);
        }
    }
    SendAndWait(window, WM_NULL, 0, 0);
    Sleep(500);  // the X server draws what the window painted
    // The client area with the menu bar above it: without a window manager the
    // caption is not drawn.
    RECT client = {};
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    const int menuHeight = GetSystemMetrics(SM_CYMENU);
    std::printf("%ldx%ld+%ld+%ld\n", client.right, client.bottom + menuHeight, origin.x, origin.y - menuHeight);
    return 0;
}
