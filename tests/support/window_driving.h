// Finding the windows of another process, waiting for them and sending them
// commands and keys, as a user would.
#pragma once

#include <windows.h>

#include <string>

namespace window_driving {

constexpr DWORD kWaitMilliseconds = 30000;

inline std::string WindowText(HWND window) {
    char text[2048] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

struct WindowSearch {
    DWORD processId;
    std::string title;
    HWND other;  // a window that does not count, or NULL
    HWND found;
};

inline BOOL CALLBACK MatchTitledWindow(HWND window, LPARAM parameter) {
    auto *search = reinterpret_cast<WindowSearch *>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId || !IsWindowVisible(window) || window == search->other ||
        WindowText(window) != search->title) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

// A visible top-level window of the process with exactly this title, other than other.
inline HWND FindWindowOf(DWORD processId, const std::string &title, HWND other = nullptr) {
    WindowSearch search = {processId, title, other, nullptr};
    EnumWindows(MatchTitledWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Polls condition until it holds or the wait runs out.
template <typename Condition>
bool WaitFor(Condition condition) {
    for (DWORD waited = 0; waited < kWaitMilliseconds; waited += 50) {
        if (condition()) {
            return true;
        }
        Sleep(50);
    }
    return false;
}

inline HWND WaitForWindow(DWORD processId, const std::string &title, HWND other = nullptr) {
    for (DWORD waited = 0; waited < kWaitMilliseconds; waited += 50) {
        if (HWND window = FindWindowOf(processId, title, other)) {
            return window;
        }
        Sleep(50);
    }
    return nullptr;
}

// A top-level window of any process with exactly this title, for drivers that start
// without knowing the runner's process.
inline HWND WaitForWindowTitled(const std::string &title) {
    for (DWORD waited = 0; waited < kWaitMilliseconds; waited += 50) {
        if (HWND window = FindWindowA(nullptr, title.c_str())) {
            return window;
        }
        Sleep(50);
    }
    return nullptr;
}

inline BOOL CALLBACK MatchOwnedWindow(HWND window, LPARAM parameter) {
    auto *search = reinterpret_cast<WindowSearch *>(parameter);
    if (GetWindow(window, GW_OWNER) != search->other || !IsWindowVisible(window)) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

// A visible window that owner owns, such as a message box or a dialog it opened.
inline HWND WaitForOwnedWindow(HWND owner) {
    for (DWORD waited = 0; waited < kWaitMilliseconds; waited += 50) {
        WindowSearch search = {0, "", owner, nullptr};
        EnumWindows(MatchOwnedWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
        Sleep(50);
    }
    return nullptr;
}

inline bool WaitUntilGone(HWND window) {
    for (DWORD waited = 0; waited < kWaitMilliseconds; waited += 50) {
        if (!IsWindow(window) || !IsWindowVisible(window)) {
            return true;
        }
        Sleep(50);
    }
    return false;
}

inline BOOL CALLBACK CollectLongestText(HWND child, LPARAM parameter) {
    auto *longest = reinterpret_cast<std::string *>(parameter);
    const std::string text = WindowText(child);
    if (text.size() > longest->size()) {
        *longest = text;
    }
    return TRUE;
}

// The message of a message box: its longest child text.
inline std::string MessageBoxText(HWND box) {
    std::string longest;
    EnumChildWindows(box, CollectLongestText, reinterpret_cast<LPARAM>(&longest));
    return longest;
}

inline void Command(HWND window, WORD commandId) { PostMessageA(window, WM_COMMAND, MAKEWPARAM(commandId, 0), 0); }

inline void PressKey(HWND window, WPARAM key) {
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

}  // namespace window_driving
