// The report options dialog and the about box of WindowsNorvik.exe, driven from
// outside as a user would, and the handles the window's painting holds.
#include <gtest/gtest.h>
#include <windows.h>

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

    HWND Open(WORD command, const std::string &title) {
        Command(window_, command);
        return WaitForWindow(runner_.Id(), title);
    }
    HWND OpenOptions() { return Open(IDM_SAVE_RESULTS, kOptionsTitle); }

    RunnerProcess runner_{{SampleLibrary()}, OwnDesktop::Name()};
    HWND window_ = nullptr;
};

bool Ticked(HWND dialog, int box) { return SendDlgItemMessageA(dialog, box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Tick(HWND dialog, int box, bool ticked) {
    SendDlgItemMessageA(dialog, box, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// Ticks exactly the boxes of flags.
void TickItems(HWND dialog, int flags) {
    for (int index = 0; index < 5; ++index) {
        Tick(dialog, kItemBoxes[index], (flags & (1 << index)) != 0);
    }
}

// The report the library writes for flags, with the sample's batches registered
// in this process as the runner registered them in its own.
std::string ExpectedReport(int flags) {
    static const bool registered = [] {
        HMODULE sample = LoadLibraryA(SampleLibrary().c_str());
        auto create = reinterpret_cast<void(NVK_CALL *)(void)>(GetProcAddress(sample, "NvkLibraryCreateBatches"));
        if (create != nullptr) {
            create();
        }
        return create != nullptr;
    }();
    EXPECT_TRUE(registered);
    size_t length = 0;
    char *report = NvkReportCreate(flags, &length);
    std::string text(report != nullptr ? report : "", length);
    NvkMemFreeImp(&report);
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

// Types path into the save dialog and accepts it.
void SaveAs(HWND saveDialog, const std::string &path) {
    SetDlgItemTextA(saveDialog, kFileNameBox, path.c_str());
    Command(saveDialog, IDOK);
}

TEST_F(RunnerWithSample, EveryOpeningTicksAllFiveBoxesAndEscapeOrTheCloseBoxSavesNothing) {
    const struct {
        int id;
        const char *text;
    } boxes[] = {{IDC_REPORT_BATCH_SUMMARY, "Per-Batch Summary"},
                 {IDC_REPORT_FAILED, "Failed Unit Tests"},
                 {IDC_REPORT_PASSED, "Passed Unit Tests"},
                 {IDC_REPORT_SKIPPED, "Skipped Unit Tests"},
                 {IDC_REPORT_SUMMARY, "Summary"}};
    for (const bool byEscape : {true, false}) {
        HWND dialog = OpenOptions();
        ASSERT_NE(nullptr, dialog);
        for (const auto &box : boxes) {
            EXPECT_TRUE(Ticked(dialog, box.id)) << box.text;
            EXPECT_EQ(box.text, WindowText(GetDlgItem(dialog, box.id)));
        }
        EXPECT_EQ("OK..", WindowText(GetDlgItem(dialog, IDOK)));
        TickItems(dialog, NVK_REPORT_SUMMARY);
        if (byEscape) {
            PressKey(dialog, VK_ESCAPE);
        } else {
            PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        EXPECT_TRUE(WaitUntilGone(dialog));
        EXPECT_EQ(nullptr, FindWindowOf(runner_.Id(), kSaveDialogTitle));
    }
}

TEST_F(RunnerWithSample, NoTickedItemIsRefusedWithTheDialogLeftOpen) {
    HWND dialog = OpenOptions();
    ASSERT_NE(nullptr, dialog);
    TickItems(dialog, 0);
    Command(dialog, IDOK);
    HWND box = WaitForOwnedWindow(dialog);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(kDisplayName, WindowText(box));
    EXPECT_EQ("You must select at least one report item before a unit test report can be generated.",
              MessageBoxText(box));
    Command(box, IDOK);
    ASSERT_TRUE(WaitUntilGone(box));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(nullptr, FindWindowOf(runner_.Id(), kSaveDialogTitle));
    PressKey(dialog, VK_ESCAPE);
    EXPECT_TRUE(WaitUntilGone(dialog));
}

// Cancelling the save dialog keeps the options as they were; saving writes the
// library's report of exactly the ticked items and closes the options.
TEST_F(RunnerWithSample, SavesTheReportOfTheTickedItemsToTheChosenPath) {
    ScratchFolder folder;
    const std::string path = folder.File("chosen.xml");
    const int flags = NVK_REPORT_FAILED | NVK_REPORT_SKIPPED | NVK_REPORT_SUMMARY;
    HWND dialog = OpenOptions();
    ASSERT_NE(nullptr, dialog);
    TickItems(dialog, flags);

    Command(dialog, IDOK);
    HWND saveDialog = WaitForWindow(runner_.Id(), kSaveDialogTitle);
    ASSERT_NE(nullptr, saveDialog);
    EXPECT_TRUE(WaitForText(GetDlgItem(saveDialog, kFileNameBox), "TestResults.xml"));
    Command(saveDialog, IDCANCEL);
    ASSERT_TRUE(WaitUntilGone(saveDialog));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_TRUE(Ticked(dialog, IDC_REPORT_SKIPPED));
    EXPECT_FALSE(Ticked(dialog, IDC_REPORT_PASSED));

    Command(dialog, IDOK);
    saveDialog = WaitForWindow(runner_.Id(), kSaveDialogTitle);
    ASSERT_NE(nullptr, saveDialog);
    SaveAs(saveDialog, folder.File("chosen"));  // the save dialog adds the extension
    EXPECT_TRUE(WaitUntilGone(dialog));
    ASSERT_TRUE(FileExists(path));
    EXPECT_EQ(ExpectedReport(flags), ReadFileBytes(path));
}

// A file another program holds open cannot be replaced: the message says so and the
// options stay open for another try.
TEST_F(RunnerWithSample, AFileThatCannotBeWrittenIsReportedWithTheDialogLeftOpen) {
    ScratchFolder folder;
    const std::string path = folder.File("locked.xml");
    HANDLE locked = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, locked);
    HWND dialog = OpenOptions();
    ASSERT_NE(nullptr, dialog);
    Command(dialog, IDOK);
    HWND saveDialog = WaitForWindow(runner_.Id(), kSaveDialogTitle);
    ASSERT_NE(nullptr, saveDialog);
    SaveAs(saveDialog, path);
    HWND replace = WaitForOwnedWindow(saveDialog);  // asks before replacing
    ASSERT_NE(nullptr, replace);
    Command(replace, IDYES);
    ASSERT_TRUE(WaitUntilGone(saveDialog));
    HWND box = WaitForOwnedWindow(dialog);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(kDisplayName, WindowText(box));
    EXPECT_EQ("Failed to save unit test results.", MessageBoxText(box));
    Command(box, IDOK);
    ASSERT_TRUE(WaitUntilGone(box));
    EXPECT_TRUE(IsWindowVisible(dialog));
    CloseHandle(locked);
    EXPECT_TRUE(ReadFileBytes(path).empty());
    PressKey(dialog, VK_ESCAPE);
    EXPECT_TRUE(WaitUntilGone(dialog));
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
        EXPECT_EQ("OK", WindowText(GetDlgItem(box, IDOK)));
        close(box);
        EXPECT_TRUE(WaitUntilGone(box));
    }
}

// Every paint takes pens, bitmaps and memory device contexts and gives them back.
TEST_F(RunnerWithSample, RepaintingAThousandTimesHoldsNoMoreHandles) {
    const auto repaint = [](HWND window, int times) {
        for (int count = 0; count < times; ++count) {
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        }
    };
    const auto repaintWindowAndOptions = [&](int times) {
        repaint(window_, times);
        HWND dialog = OpenOptions();
        ASSERT_NE(nullptr, dialog);
        repaint(dialog, times);
        PressKey(dialog, VK_ESCAPE);
        ASSERT_TRUE(WaitUntilGone(dialog));
    };
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, runner_.Id());
    ASSERT_NE(nullptr, process);
    repaintWindowAndOptions(10);  // the first paints load the button pictures for good
    const GuiHandleCounts before = CountGuiHandles(process);
    EXPECT_GT(before.gdi, 0u);
    repaintWindowAndOptions(1000);
    const GuiHandleCounts after = CountGuiHandles(process);
    EXPECT_EQ(before.gdi, after.gdi);
    EXPECT_EQ(before.user, after.user);
    CloseHandle(process);
}

}  // namespace
