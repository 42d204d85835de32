// WindowsNorvik.exe with its window, driven from outside as a user would: the
// title, the error message box and the ways to quit.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crafted_images.h"
#include "gui_support.h"
#include "resources/resource.h"
#include "runner_process.h"
#include "scratch_folder.h"

namespace {

using namespace window_driving;

const auto *const ownDesktop = ::testing::AddGlobalTestEnvironment(new OwnDesktop);

constexpr char kUnknownFormatText[] =
    "The validity of the specified file cannot be determined. It does not appear to be a DLL format that is "
    "understood by this software.";
constexpr char kCannotLoadText[] = "The test library could not be loaded.";
constexpr char kCannotReadText[] = "The specified file could not be read or does not exist.";
constexpr char kNoTestsText[] =
    "The requested library is valid and was opened, but contains no batches or test functions.";

TEST(RunnerWindow, StartsWithoutLibraryAndQuitsThroughExit) {
    RunnerProcess runner({}, OwnDesktop::Name());
    ASSERT_TRUE(runner.Started());
    HWND window = WaitForMainWindow(runner.Id(), kDisplayName);
    ASSERT_NE(nullptr, window);
    Command(window, IDM_EXIT);
    EXPECT_EQ(0u, runner.WaitForExit(kWaitMilliseconds));
}

TEST(RunnerWindow, QuitsThroughTheCloseBox) {
    RunnerProcess runner({}, OwnDesktop::Name());
    ASSERT_TRUE(runner.Started());
    HWND window = WaitForMainWindow(runner.Id(), kDisplayName);
    ASSERT_NE(nullptr, window);
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0u, runner.WaitForExit(kWaitMilliseconds));
}

TEST(RunnerWindow, AnArgumentNamingNothingStartsEmptyWithoutMessage) {
    RunnerProcess runner({BuiltFile("no-such-library.dll")}, OwnDesktop::Name());
    ASSERT_TRUE(runner.Started());
    HWND window = WaitForMainWindow(runner.Id(), kDisplayName);
    ASSERT_NE(nullptr, window);
    Sleep(500);
    EXPECT_EQ(nullptr, FindWindowOf(runner.Id(), "Library Error"));
    Command(window, IDM_EXIT);
    EXPECT_EQ(0u, runner.WaitForExit(kWaitMilliseconds));
}

TEST(RunnerWindow, OpensTheLibraryNamedOnTheCommandLineAndClosesIt) {
    const std::string sample = BuiltFile("RingBufferTests.dll");
    RunnerProcess runner({sample}, OwnDesktop::Name());
    ASSERT_TRUE(runner.Started());
    HWND window = WaitForMainWindow(runner.Id(), sample + " - " + kDisplayName);
    ASSERT_NE(nullptr, window);
    Command(window, IDM_CLOSE_LIBRARY);
    EXPECT_NE(nullptr, WaitForMainWindow(runner.Id(), kDisplayName));
    Command(window, IDM_EXIT);
    EXPECT_EQ(0u, runner.WaitForExit(kWaitMilliseconds));
}

// A folder is taken as the library too, and fails like a file that cannot be read.
TEST(RunnerWindow, AnInvalidLibraryIsReportedAndNothingIsOpened) {
    ScratchFolder folder;
    const std::string text = folder.File("notes.dll");
    crafted::WriteFile(text, crafted::Text("just some notes\r\n"));
    const struct {
        std::string library;
        const char *message;
    } cases[] = {{text, kUnknownFormatText}, {folder.Path(), kCannotReadText}};
    for (const auto &invalid : cases) {
        RunnerProcess runner({invalid.library}, OwnDesktop::Name());
        ASSERT_TRUE(runner.Started());
        HWND box = WaitForWindow(runner.Id(), "Library Error");
        ASSERT_NE(nullptr, box) << invalid.library;
        EXPECT_EQ(invalid.message, MessageBoxText(box));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        HWND window = WaitForMainWindow(runner.Id(), kDisplayName);
        ASSERT_NE(nullptr, window);
        Command(window, IDM_EXIT);
        EXPECT_EQ(0u, runner.WaitForExit(kWaitMilliseconds));
    }
}

TEST(RunnerWindow, ALibraryWithoutTestsIsOpenedWithAMessage) {
    const std::string empty = BuiltFile("runner_empty_batches_library.dll");
    RunnerProcess runner({empty}, OwnDesktop::Name());
    ASSERT_TRUE(runner.Started());
    HWND box = WaitForWindow(runner.Id(), "Library Error");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(kNoTestsText, MessageBoxText(box));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    HWND window = WaitForMainWindow(runner.Id(), empty + " - " + kDisplayName);
    ASSERT_NE(nullptr, window);
    Command(window, IDM_EXIT);
    EXPECT_EQ(0u, runner.WaitForExit(kWaitMilliseconds));
}

// Opens a library through the Open command's file dialog, which takes a typed path
// like a chosen one, and answers the message box that follows with the text expected.
void OpenThroughDialog(const RunnerProcess &runner, HWND window, const std::string &library,
                       const char *expectedMessage) {
    Command(window, IDM_OPEN_LIBRARY);
    HWND dialog = WaitForWindow(runner.Id(), "Open");
    ASSERT_NE(nullptr, dialog);
    constexpr int kFileNameBox = 0x47C;
    SetDlgItemTextA(dialog, kFileNameBox, library.c_str());
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);

    HWND box = WaitForWindow(runner.Id(), "Library Error");
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(expectedMessage, MessageBoxText(box));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

TEST(RunnerWindow, OpeningASecondLibraryReplacesTheFirst) {
    const std::string sample = BuiltFile("RingBufferTests.dll");
    const std::string empty = BuiltFile("runner_empty_batches_library.dll");
    RunnerProcess runner({sample}, OwnDesktop::Name());
    ASSERT_TRUE(runner.Started());
    HWND window = WaitForMainWindow(runner.Id(), sample + " - " + kDisplayName);
    ASSERT_NE(nullptr, window);

    OpenThroughDialog(runner, window, empty, kNoTestsText);
    EXPECT_NE(nullptr, WaitForMainWindow(runner.Id(), empty + " - " + kDisplayName));
    Command(window, IDM_EXIT);
    EXPECT_EQ(0u, runner.WaitForExit(kWaitMilliseconds));
}

// The crash is reported as a library that cannot be loaded, the runner lives on, and
// the title no longer names the library it had to let go.
TEST(RunnerWindow, ALibraryWhoseEntryPointCrashesIsReportedAndLeavesNoneLoaded) {
    const std::string sample = BuiltFile("RingBufferTests.dll");
    RunnerProcess runner({sample}, OwnDesktop::Name());
    ASSERT_TRUE(runner.Started());
    HWND window = WaitForMainWindow(runner.Id(), sample + " - " + kDisplayName);
    ASSERT_NE(nullptr, window);

    OpenThroughDialog(runner, window, BuiltFile("runner_crashing_entry_library.dll"), kCannotLoadText);
    EXPECT_NE(nullptr, WaitForMainWindow(runner.Id(), kDisplayName));
    Command(window, IDM_EXIT);
    EXPECT_EQ(0u, runner.WaitForExit(kWaitMilliseconds));
}

}  // namespace
