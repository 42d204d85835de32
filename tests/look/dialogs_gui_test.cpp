// The report options dialog and the about box of WindowsNorvik.exe, driven from
// outside as a user would, and the handles the window's painting holds.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "gui_handle_count.h"
#include "norvik.h"
#include "own_desktop.h"
#include "resources/resource.h"
#include "runner_process.h"
#include "scratch_folder.h"
#include "window_driving.h"

namespace {

using namespace window_driving;
using look_test::CountGuiHandles;
using look_test::GuiHandleCounts;

constexpr char kSaveDialogTitle[] = "Save As";
constexpr char kOptionsTitle[] = "Unit Test Summary";
constexpr char kDisplayName[] = "Windows Norvik";
constexpr int kFileNameBox = 0x47C;
constexpr int kItemBoxes[] = {IDC_REPORT_BATCH_SUMMARY, IDC_REPORT_FAILED, IDC_REPORT_PASSED, IDC_REPORT_SKIPPED,
                              IDC_REPORT_SUMMARY};

const auto *const ownDesktop = ::testing::AddGlobalTestEnvironment(new OwnDesktop);

std::string SampleLibrary() { return BuiltFile("RingBufferTests.dll"); }

// The runner with the sample library open, and the dialogs it shows.
class RunnerWithSample : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(runner_.Started());
        window_ = WaitForWindow(runner_.Id(), SampleLibrary() + " - " + kDisplayName);
        ASSERT_NE(nullptr, window_);
    }
    void TearDown() override {
        Command(window_, IDM_EXIT);
        EXPECT_EQ(0u, runner_.WaitForExit(kWaitMilliseconds));
    }

    HWND OpenOptions() {
        Command(window_, IDM_SAVE_RESULTS);
        return WaitForWindow(runner_.Id(), kOptionsTitle);
    }
    // Presses "OK.." and returns the save dialog, or NULL.
    HWND AcceptOptions(HWND dialog) {
        Command(dialog, IDOK);
        return WaitForWindow(runner_.Id(), kSaveDialogTitle);
    }

    RunnerProcess runner_{{SampleLibrary()}, OwnDesktop::Name()};
    HWND window_ = nullptr;
};

int TickedItems(HWND dialog) {
    int flags = 0;
    for (int index = 0; index < 5; ++index) {
        flags |= SendDlgItemMessageA(dialog, kItemBoxes[index], BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 << index : 0;
    }
    return flags;
}

void TickItems(HWND dialog, int flags) {
    for (int index = 0; index < 5; ++index) {
        const bool ticked = (flags & (1 << index)) != 0;
        SendDlgItemMessageA(dialog, kItemBoxes[index], BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

// The report the library writes for flags, with the sample's batches registered
// in this process as the runner registered them in its own.
std::string ExpectedReport(int flags) {
    HMODULE sample = LoadLibraryA(SampleLibrary().c_str());
    auto create = reinterpret_cast<void(NVK_CALL *)(void)>(GetProcAddress(sample, "NvkLibraryCreateBatches"));
    EXPECT_NE(nullptr, create);
    if (create != nullptr) {
        create();
    }
    size_t length = 0;
    char *report = NvkReportCreate(flags, &length);
    std::string text(report != nullptr ? report : "", length);
    NvkMemFreeImp(&report);
    NvkBatchFree(nullptr);
    FreeLibrary(sample);
    return text;
}

// The save dialog fills its controls after it shows. Asked from another process,
// GetWindowText gives only a control's first text, so the control is asked itself.
bool WaitForText(HWND control, const std::string &text) {
    for (DWORD waited = 0; waited < kWaitMilliseconds; waited += 50) {
        char current[1024] = "";
        SendMessageA(control, WM_GETTEXT, sizeof current, reinterpret_cast<LPARAM>(current));
        if (current == text) {
            return true;
        }
        Sleep(50);
    }
    return false;
}

// The error box that owner shows, its text, and the box closed again.
std::string ErrorText(HWND owner) {
    HWND box = WaitForOwnedWindow(owner);
    EXPECT_EQ(kDisplayName, WindowText(box));
    const std::string text = MessageBoxText(box);
    Command(box, IDOK);
    EXPECT_TRUE(WaitUntilGone(box));
    return text;
}

TEST_F(RunnerWithSample, EveryOpeningTicksAllItemsNoneIsRefusedAndEscapeOrTheCloseBoxSaveNothing) {
    for (const bool byEscape : {true, false}) {
        HWND dialog = OpenOptions();
        ASSERT_NE(nullptr, dialog);
        EXPECT_EQ(NVK_REPORT_ALL, TickedItems(dialog));
        TickItems(dialog, 0);
        Command(dialog, IDOK);
        EXPECT_EQ("You must select at least one report item before a unit test report can be generated.",
                  ErrorText(dialog));
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_EQ(nullptr, FindWindowOf(runner_.Id(), kSaveDialogTitle));
        if (byEscape) {
            PressKey(dialog, VK_ESCAPE);
        } else {
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        EXPECT_TRUE(WaitUntilGone(dialog));
    }
}

// Cancelling the save dialog, or a file another program holds open, leaves the
// options open as they were; then saving elsewhere writes the library's report of
// exactly the ticked items and closes them.
TEST_F(RunnerWithSample, SavesTheReportOfTheTickedItemsWhereTheUserChooses) {
    ScratchFolder folder;
    const std::string locked = folder.File("locked.xml");
    HANDLE lock = CreateFileA(locked.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    const int flags = NVK_REPORT_FAILED | NVK_REPORT_SKIPPED | NVK_REPORT_SUMMARY;
    HWND dialog = OpenOptions();
    ASSERT_NE(nullptr, dialog);
    TickItems(dialog, flags);

    HWND saveDialog = AcceptOptions(dialog);
    ASSERT_NE(nullptr, saveDialog);
    EXPECT_TRUE(WaitForText(GetDlgItem(saveDialog, kFileNameBox), "TestResults.xml"));
    Command(saveDialog, IDCANCEL);
    ASSERT_TRUE(WaitUntilGone(saveDialog));
    EXPECT_EQ(flags, TickedItems(dialog));

    saveDialog = AcceptOptions(dialog);
    ASSERT_NE(nullptr, saveDialog);
    SetDlgItemTextA(saveDialog, kFileNameBox, locked.c_str());
    Command(saveDialog, IDOK);
    HWND replace = WaitForOwnedWindow(saveDialog);  // asks before replacing
    ASSERT_NE(nullptr, replace);
    Command(replace, IDYES);
    ASSERT_TRUE(WaitUntilGone(saveDialog));
    EXPECT_EQ("Failed to save unit test results.", ErrorText(dialog));
    EXPECT_EQ(flags, TickedItems(dialog));
    CloseHandle(lock);
    EXPECT_TRUE(ReadFileBytes(locked).empty());

    saveDialog = AcceptOptions(dialog);
    ASSERT_NE(nullptr, saveDialog);
    SetDlgItemTextA(saveDialog, kFileNameBox, folder.File("chosen").c_str());  // the save dialog adds ".xml"
    Command(saveDialog, IDOK);
    EXPECT_TRUE(WaitUntilGone(dialog));
    EXPECT_EQ(ExpectedReport(flags), ReadFileBytes(folder.File("chosen.xml")));
}

TEST_F(RunnerWithSample, TheAboutBoxShowsTheVersionAndClosesEveryWay) {
    const auto pressOk = [](HWND box) { PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0); };
    const auto pressEnter = [](HWND box) { PressKey(box, VK_RETURN); };
    const auto pressEscape = [](HWND box) { PressKey(box, VK_ESCAPE); };
    const auto closeBox = [](HWND box) { PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); };
    for (void (*close)(HWND) : {+pressOk, +pressEnter, +pressEscape, +closeBox}) {
        Command(window_, IDM_ABOUT);
        HWND box = WaitForOwnedWindow(window_);
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(kDisplayName, WindowText(box));  // the program's description
        EXPECT_EQ("Windows Norvik - Version 1.00", WindowText(GetDlgItem(box, IDC_ABOUT_DESCRIPTION)));
        EXPECT_EQ("Copyright (C) The Norvik developers. All rights reserved.",
                  WindowText(GetDlgItem(box, IDC_ABOUT_LEGAL)));
        close(box);
        EXPECT_TRUE(WaitUntilGone(box));
    }
}

// The runner's handles before and after a thousand repaints of its window and its
// options dialog; counted is false, with the reason in error, when either count could
// not be taken.
struct RepaintCounts {
    bool counted;
    DWORD error;
    GuiHandleCounts before;
    GuiHandleCounts after;
};

void Repaint(HWND window, int times) {
    for (int count = 0; count < times; ++count) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
}

void RepaintWindowAndOptions(DWORD runnerId, HWND window, int times) {
    Repaint(window, times);
    Command(window, IDM_SAVE_RESULTS);
    HWND dialog = WaitForWindow(runnerId, kOptionsTitle);
    ASSERT_NE(nullptr, dialog);
    Repaint(dialog, times);
    PressKey(dialog, VK_ESCAPE);
    ASSERT_TRUE(WaitUntilGone(dialog));
}

RepaintCounts CountAroundRepaints(DWORD runnerId, HWND window) {
    RepaintCounts counts = {};
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, runnerId);
    EXPECT_NE(nullptr, process);
    RepaintWindowAndOptions(runnerId, window, 10);  // the first paints load the button pictures for good
    counts.counted = !::testing::Test::HasFatalFailure() && CountGuiHandles(process, counts.before);
    if (counts.counted) {
        RepaintWindowAndOptions(runnerId, window, 1000);
        counts.counted = !::testing::Test::HasFatalFailure() && CountGuiHandles(process, counts.after);
    }
    counts.error = counts.counted ? ERROR_SUCCESS : GetLastError();
    CloseHandle(process);
    return counts;
}

// Every paint takes pens, bitmaps and memory device contexts and gives them back.
// Under Wine a runner whose memory could not be read once stays unreadable
// (gui_handle_count.h), so the counts are taken again in a new runner, as a stalled
// machine is no fault of the painting.
TEST_F(RunnerWithSample, RepaintingAThousandTimesHoldsNoMoreHandles) {
    constexpr int kRunnersTried = 3;
    RepaintCounts counts = CountAroundRepaints(runner_.Id(), window_);
    for (int tried = 1; !counts.counted && tried < kRunnersTried && !HasFatalFailure(); ++tried) {
        RunnerProcess runner({SampleLibrary()}, OwnDesktop::Name());
        HWND window = WaitForWindow(runner.Id(), SampleLibrary() + " - " + kDisplayName);
        ASSERT_NE(nullptr, window);
        counts = CountAroundRepaints(runner.Id(), window);
        Command(window, IDM_EXIT);
        EXPECT_EQ(0u, runner.WaitForExit(kWaitMilliseconds));
    }
    if (HasFatalFailure()) {
        return;
    }
    ASSERT_TRUE(counts.counted) << "the runner's handles could not be counted in " << kRunnersTried
                                << " runners: error " << counts.error;
    EXPECT_GT(counts.before.gdi, 0u);
    EXPECT_EQ(counts.before.gdi, counts.after.gdi);
    EXPECT_EQ(counts.before.user, counts.after.user);
}

}  // namespace
