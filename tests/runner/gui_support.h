// Finding the runner's windows from a test on a desktop of its own, and sending
// them commands as the menu, keys and buttons do.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

constexpr DWORD kWaitMilliseconds = 30000;
constexpr char kDisplayName[] = "Windows Norvik";

// Wine picks a desktop's display driver when the desktop is first used. The shared
// default desktop may have been started without a display by programs that need
// none, so these tests use a desktop of their own, started from this process, which
// runs on the virtual X server.
// Each test program registers one with ::testing::AddGlobalTestEnvironment.
class OwnDesktop : public ::testing::Environment {
public:
    void SetUp() override {
        name_ = "NorvikRunnerTest" + std::to_string(GetCurrentProcessId());
        desktop_ = CreateDesktopA(name_.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        ASSERT_NE(nullptr, desktop_);
        ASSERT_TRUE(SetThreadDesktop(desktop_));
    }
    void TearDown() override { CloseDesktop(desktop_); }

    static const char *Name() { return name_.c_str(); }

private:
    static std::string name_;
    HDESK desktop_ = nullptr;
};

inline std::string OwnDesktop::name_;

inline std::string WindowText(HWND window) {
    char text[2048] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

struct WindowSearch {
    DWORD processId;
    std::string title;
    HWND found;
};

inline BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto *search = reinterpret_cast<WindowSearch *>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId || !IsWindowVisible(window)) {
        return TRUE;
    }
    if (WindowText(window) != search->title) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

// A visible top-level window of the process with the given title.
inline HWND FindWindowOf(DWORD processId, const std::string &title) {
    WindowSearch search = {processId, title, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline HWND WaitForWindow(DWORD processId, const std::string &title) {
    for (DWORD waited = 0; waited < kWaitMilliseconds; waited += 100) {
        if (HWND window = FindWindowOf(processId, title)) {
            return window;
        }
        Sleep(100);
    }
    return nullptr;
}

// The main window: the one of dialog class whose menu is the runner's.
inline HWND WaitForMainWindow(DWORD processId, const std::string &title) {
    HWND window = WaitForWindow(processId, title);
    return window != nullptr && GetMenu(window) != nullptr ? window : nullptr;
}

inline BOOL CALLBACK CollectLongestText(HWND child, LPARAM parameter) {
    auto *longest = reinterpret_cast<std::string *>(parameter);
    const std::string text = WindowText(child);
    if (text.size() > longest->size()) {
        *longest = text;
    }
    return TRUE;
}

// The message of a message box: its longest child text (the buttons are short).
inline std::string MessageBoxText(HWND box) {
    std::string longest;
    EnumChildWindows(box, CollectLongestText, reinterpret_cast<LPARAM>(&longest));
    return longest;
}

inline void Command(HWND window, WORD commandId) { PostMessageA(window, WM_COMMAND, MAKEWPARAM(commandId, 0), 0); }

