// A desktop of the test program's own for the windows of the programs it starts.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <string>

// Wine picks a desktop's display driver when the desktop is first used. The shared
// default desktop may have been started without a display by programs that need
// none, so GUI tests use a desktop of their own, started from this process, which
// runs on the virtual X server. Register it with AddGlobalTestEnvironment.
// The runners started also keep their settings under a registry key of this
// program's own, removed at the end, so that what one test leaves (a size, a view)
// reaches no other.
class OwnDesktop : public ::testing::Environment {
public:
    void SetUp() override {
        name_ = "NorvikRunnerTest" + std::to_string(GetCurrentProcessId());
        settingsKey_ = "Software\\Norvik\\Tests\\" + name_;
        SetEnvironmentVariableA("NORVIK_WINDOW_SETTINGS", settingsKey_.c_str());
        desktop_ = CreateDesktopA(name_.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        ASSERT_NE(nullptr, desktop_);
        ASSERT_TRUE(SetThreadDesktop(desktop_));
    }
    void TearDown() override {
        CloseDesktop(desktop_);
        RegDeleteTreeA(HKEY_CURRENT_USER, settingsKey_.c_str());
    }

    static const char *Name() { return name_.c_str(); }
    // The key under HKEY_CURRENT_USER where the runners keep their settings.
    static const char *SettingsKey() { return settingsKey_.c_str(); }

    // A setting of the runners started from now on, as the window stores it.
    static void SetRunnerSetting(const char *name, const std::string &value) {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, settingsKey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                                 nullptr, &key, nullptr));
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
        RegCloseKey(key);
    }

private:
    static inline std::string name_;
    static inline std::string settingsKey_;
    HDESK desktop_ = nullptr;
};
