// A desktop of the test program's own for the windows of the programs it starts.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

// Wine picks a desktop's display driver when the desktop is first used. The shared
// default desktop may have been started without a display by programs that need
// none, so GUI tests use a desktop of their own, started from this process, which
// runs on the virtual X server. Register it with AddGlobalTestEnvironment.
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
    static inline std::string name_;
    HDESK desktop_ = nullptr;
};
