// The window in the everyday loop, driven from outside: a rebuild while the library
// is open, reloads that keep the selection, recent files and dropped files, running
// the failed tests again, opening a failure in the editor, settings that cannot be
// read, and the private copies left behind.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "gui_support.h"
#include "resources/resource.h"
#include "runner_process.h"
#include "scratch_folder.h"
#include "window_probe.h"

namespace {

using namespace window_driving;

const auto *const ownDesktop = ::testing::AddGlobalTestEnvironment(new OwnDesktop);

constexpr int kTicked = 2;
constexpr int kEmpty = 1;
constexpr int kResultColumns = 7;

// Written in place, as a linker writes: a new time and size, never the source's.
void WriteBytes(const std::string &path, const std::string &bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void SetSetting(const char *name, const std::string &value) { OwnDesktop::SetRunnerSetting(name, value); }

std::string Setting(const char *name) {
    char value[2048] = "";
    DWORD size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, OwnDesktop::SettingsKey(), name, RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
}

std::string CopiesFolderOf(DWORD processId) {
    char temp[MAX_PATH + 1] = "";
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + "Norvik\\WindowsNorvik-" + std::to_string(processId);
}

class DailyUse : public ::testing::Test {
protected:
    void TearDown() override {
        if (window_ != nullptr) {
            Command(window_, IDM_EXIT);
            EXPECT_EQ(0u, runner_->WaitForExit(kWaitMilliseconds));
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, OwnDesktop::SettingsKey());
    }

    void Start(const std::vector<std::string> &arguments, const std::string &title) {
        runner_ = std::make_unique<RunnerProcess>(arguments, OwnDesktop::Name());
        ASSERT_TRUE(runner_->Started());
        window_ = WaitForMainWindow(runner_->Id(), title);
        ASSERT_NE(nullptr, window_);
        tree_ = GetDlgItem(window_, IDC_TEST_TREE);
        WaitForIdle();
    }

    void Exit() {
        Command(window_, IDM_EXIT);
        EXPECT_EQ(0u, runner_->WaitForExit(kWaitMilliseconds));
        window_ = nullptr;
    }

    // Returns once the window has handled everything before, runs included.
    void Run(WORD commandId) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window_, WM_COMMAND, MAKEWPARAM(commandId, 0), 0, SMTO_NORMAL, kWaitMilliseconds, &result);
        WaitForRunToEnd(window_);
    }
    void WaitForIdle() {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, kWaitMilliseconds, &result);
    }

    HTREEITEM ItemNamed(const std::string &text) {
        for (const TreeItem &item : ReadTree(tree_)) {
            if (item.text == text) {
                return item.handle;
            }
        }
        return nullptr;
    }
    const TreeItem *Find(const std::vector<TreeItem> &items, const std::string &text) {
        for (const TreeItem &item : items) {
            if (item.text == text) {
                return &item;
            }
        }
        return nullptr;
    }
    bool IsExpanded(const std::string &batch) {
        return (SendMessageA(tree_, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(ItemNamed(batch)), TVIS_EXPANDED) &
                TVIS_EXPANDED) != 0;
    }
    void Select(const std::string &text) {
        SendMessageA(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(ItemNamed(text)));
    }
    // The keys are posted, and a sent message would overtake them: wait for the box.
    void Untick(const std::string &text) {
        Select(text);
        PostMessageA(tree_, WM_KEYDOWN, VK_SPACE, 1);
        PostMessageA(tree_, WM_KEYUP, VK_SPACE, 0xC0000001);
        EXPECT_TRUE(WaitFor([&] {
            const std::vector<TreeItem> items = ReadTree(tree_);
            const TreeItem *item = Find(items, text);
            return item != nullptr && item->checkBox == kEmpty;
        })) << text;
        WaitForIdle();
    }
    std::string SelectedText() {
        const HTREEITEM selected = NextTreeItem(tree_, nullptr, TVGN_CARET);
        for (const TreeItem &item : ReadTree(tree_)) {
            if (item.handle == selected) {
                return item.text;
            }
        }
        return std::string();
    }

    std::unique_ptr<RunnerProcess> runner_;
    HWND window_ = nullptr;
    HWND tree_ = nullptr;
};

// The build overwrites the file the user opened: the window holds a copy, reloads
// the new build, and keeps the check boxes, the expanded batches and the current
// test by name. A half-written file in between is passed over without a message box.
TEST_F(DailyUse, ARebuildIsReloadedKeepingTheSelectionByName) {
    ScratchFolder folder;
    const std::string library = folder.File("reloading.dll");
    const std::string secondBuild = ReadFileBytes(BuiltFile("runner_reloading_second.dll"));
    WriteBytes(library, ReadFileBytes(BuiltFile("runner_reloading_first.dll")));
    Start({library}, library + " - " + kDisplayName);
    Untick("Unticked");
    Untick("Other");
    SendMessageA(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(ItemNamed("Third")));
    Select("Stays");
    WaitForIdle();
    ASSERT_TRUE(IsExpanded("Third"));
    ASSERT_FALSE(IsExpanded("Other"));

    WriteBytes(library, secondBuild.substr(0, secondBuild.size() / 3));
    const std::string refused = library + " - " + kDisplayName + " - not reloaded: ";
    ASSERT_TRUE(WaitFor([&] { return WindowText(window_).rfind(refused, 0) == 0; })) << WindowText(window_);
    EXPECT_EQ(nullptr, FindWindowOf(runner_->Id(), "Library Error"));
    const std::vector<TreeItem> kept = ReadTree(tree_);
    EXPECT_NE(nullptr, Find(kept, "Leaves"));  // the loaded build stays

    WriteBytes(library, secondBuild);
    // Kept is expanded: its new test shows without opening the batches the window
    // keeps collapsed through the reload.
    ASSERT_TRUE(
        WaitFor([&] { return Find(ReadTree(tree_, CollapsedBatches::Passed), "Arrives") != nullptr; }));
    WaitForIdle();
    const std::vector<TreeItem> items = ReadTree(tree_);
    EXPECT_EQ(nullptr, Find(items, "Leaves"));
    EXPECT_EQ(kTicked, Find(items, "Arrives")->checkBox);
    EXPECT_EQ(kTicked, Find(items, "Stays")->checkBox);
    EXPECT_EQ(kEmpty, Find(items, "Unticked")->checkBox);
    EXPECT_EQ(kEmpty, Find(items, "Other")->checkBox);
    EXPECT_EQ(kEmpty, Find(items, "One")->checkBox);
    EXPECT_EQ(kTicked, Find(items, "Kept")->checkBox);
    EXPECT_TRUE(IsExpanded("Third"));
    EXPECT_FALSE(IsExpanded("Other"));
    EXPECT_EQ("Stays", SelectedText());
    EXPECT_EQ(library + " - " + kDisplayName, WindowText(window_));
    EXPECT_EQ(nullptr, FindWindowOf(runner_->Id(), "Library Error"));
}

// A reload of the same build keeps the tree as it was, expanded, checked and
// selected; every test's mark shows that it has not run since.
TEST_F(DailyUse, AReloadOfTheSameBuildKeepsTheTreeAsItWas) {
    constexpr int kNotRunImage = 2;
    const std::string library = BuiltFile("runner_views_library.dll");
    Start({library}, library + " - " + kDisplayName);
    Run(IDM_EXPAND_TREE);
    Untick("a1");
    Run(IDM_RUN_SELECTED);
    Select("b1");
    WaitForIdle();
    const std::vector<TreeItem> before = ReadTree(tree_);
    Run(IDM_RELOAD_LIBRARY);
    WaitForIdle();
    const std::vector<TreeItem> after = ReadTree(tree_);
    ASSERT_EQ(before.size(), after.size());
    for (size_t index = 0; index < before.size(); ++index) {
        EXPECT_EQ(before[index].text, after[index].text);
        EXPECT_EQ(before[index].level, after[index].level) << before[index].text;
        EXPECT_EQ(before[index].checkBox, after[index].checkBox) << before[index].text;
        if (after[index].level > 0) {
            EXPECT_EQ(kNotRunImage, after[index].image) << after[index].text;
        }
    }
    EXPECT_TRUE(IsExpanded("Zeta"));
    EXPECT_EQ("b1", SelectedText());
}

// A rebuild that lands during a run is taken up once the run is over.
TEST_F(DailyUse, AChangeDuringARunIsReloadedAfterIt) {
    const std::string gateName = "NorvikDailyGate" + std::to_string(GetCurrentProcessId());
    const HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, gateName.c_str());
    SetEnvironmentVariableA("NORVIK_VIEWS_GATE", gateName.c_str());
    ScratchFolder folder;
    const std::string library = folder.File("views.dll");
    const std::string build = ReadFileBytes(BuiltFile("runner_views_library.dll"));
    WriteBytes(library, build);
    Start({library}, library + " - " + kDisplayName);
    const std::string copies = CopiesFolderOf(runner_->Id());
    Command(window_, IDM_RUN_SELECTED);  // held by the test Waits until the gate opens
    Sleep(500);
    WriteBytes(library, build);
    Sleep(2000);
    EXPECT_FALSE(FileExists(copies + "\\2"));
    SetEvent(gate);
    EXPECT_TRUE(WaitFor([&] { return FileExists(copies + "\\2\\views.dll"); }));
    SetEnvironmentVariableA("NORVIK_VIEWS_GATE", nullptr);
    CloseHandle(gate);
}

// With "Run after reload" on, a reload runs what is ticked.
TEST_F(DailyUse, RunAfterReloadRunsTheTickedTests) {
    SetSetting("RunAfterReload", "1");
    const std::string library = BuiltFile("runner_views_library.dll");
    Start({library}, library + " - " + kDisplayName);
    Untick("b2");
    Run(IDM_RELOAD_LIBRARY);
    WaitForIdle();
    for (const Row &row : ReadRows(GetDlgItem(window_, IDC_RESULT_LIST), kResultColumns)) {
        const bool ran = row[3] == "Passed" || row[3] == "Failed";
        EXPECT_EQ(row[0] != "b2", ran) << row[0];
    }
}

// Copies live in a folder of the runner's own while a library is open; closing and
// exiting remove them, and the next runner removes those of a runner that died.
TEST_F(DailyUse, NoCopyIsLeftBehind) {
    const std::string sample = BuiltFile("RingBufferTests.dll");
    const std::string dead = CopiesFolderOf(0xFFFFFFF0u);
    CreateDirectoryA((CopiesFolderOf(0).substr(0, CopiesFolderOf(0).find_last_of('\\'))).c_str(), nullptr);
    CreateDirectoryA(dead.c_str(), nullptr);
    WriteBytes(dead + "\\left.dll", "left over");
    Start({sample}, sample + " - " + kDisplayName);
    const std::string copies = CopiesFolderOf(runner_->Id());
    EXPECT_FALSE(FileExists(dead));
    EXPECT_TRUE(FileExists(copies + "\\1\\RingBufferTests.dll"));
    Run(IDM_CLOSE_LIBRARY);
    EXPECT_FALSE(FileExists(copies));
    Exit();

    Start({sample}, sample + " - " + kDisplayName);
    const std::string second = CopiesFolderOf(runner_->Id());
    Run(IDM_RELOAD_LIBRARY);
    EXPECT_FALSE(FileExists(second + "\\1"));
    EXPECT_TRUE(FileExists(second + "\\2\\RingBufferTests.dll"));
    Exit();
    EXPECT_FALSE(FileExists(second));
}

// The copy finds the DLLs its library needs beside the library, not beside itself.
TEST_F(DailyUse, TheCopyFindsDependenciesBesideTheLibrary) {
    const std::string library = BuildFolder() + "\\dependent\\runner_dependent_library.dll";
    Start({library}, library + " - " + kDisplayName);
    EXPECT_EQ(nullptr, FindWindowOf(runner_->Id(), "Library Error"));
    EXPECT_TRUE(FileExists(CopiesFolderOf(runner_->Id()) + "\\1\\runner_dependent_library.dll"));
}

// The recent files survive a restart, open from the File menu, and one that is gone
// is dropped with a message. A file dropped on the window opens.
TEST_F(DailyUse, RecentFilesAcrossStartsAndADroppedFile) {
    ScratchFolder folder;
    const std::string gone = folder.File("gone.dll");
    WriteBytes(gone, ReadFileBytes(BuiltFile("runner_probe_library.dll")));
    const std::string sample = BuiltFile("RingBufferTests.dll");
    Start({gone}, gone + " - " + kDisplayName);
    Exit();
    Start({sample}, sample + " - " + kDisplayName);
    Exit();
    EXPECT_EQ(sample, Setting("Recent1"));
    EXPECT_EQ(gone, Setting("Recent2"));

    Start({}, kDisplayName);
    Command(window_, IDM_RECENT_FIRST);
    ASSERT_NE(nullptr, WaitForMainWindow(runner_->Id(), sample + " - " + kDisplayName));
    Run(IDM_CLOSE_LIBRARY);
    DeleteFileA(gone.c_str());
    Command(window_, IDM_RECENT_FIRST + 1);
    HWND box = WaitForOwnedWindow(window_);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(gone + " no longer exists and was removed from the recent files.", MessageBoxText(box));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    WaitForIdle();
    EXPECT_EQ("", Setting("Recent2"));

    // A drop as the shell makes it, in the runner's own memory.
    const std::string dropped = BuiltFile("runner_views_library.dll");
    RemoteMemory memory(window_, sizeof(DROPFILES) + dropped.size() + 2);
    DROPFILES header = {};
    header.pFiles = sizeof header;
    memory.Write(0, &header, sizeof header);
    memory.Write(sizeof header, dropped.c_str(), dropped.size() + 1);
    memory.Write(sizeof header + dropped.size() + 1, "", 1);
    PostMessageA(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(memory.At(0)), 0);
    EXPECT_NE(nullptr, WaitForMainWindow(runner_->Id(), dropped + " - " + kDisplayName));
}

// Only the tests that failed run again, and the check boxes stay as the user left them.
TEST_F(DailyUse, RunFailedRunsOnlyTheFailuresAndKeepsTheCheckBoxes) {
    const std::string library = BuiltFile("runner_views_library.dll");
    Start({library}, library + " - " + kDisplayName);
    Run(IDM_EXPAND_TREE);
    Untick("a1");
    Run(IDM_RUN_SELECTED);
    const std::vector<TreeItem> before = ReadTree(tree_);
    Run(IDM_RUN_FAILED);
    const HWND progress = GetDlgItem(window_, IDC_PROGRESS);
    EXPECT_EQ(1, ReadProgress(progress).maximum);
    EXPECT_EQ(1, ReadProgress(progress).position);
    for (const Row &row : ReadRows(GetDlgItem(window_, IDC_RESULT_LIST), kResultColumns)) {
        const bool ran = row[3] == "Passed" || row[3] == "Failed";
        EXPECT_EQ(row[0] == "b1", ran) << row[0];
    }
    const std::vector<TreeItem> after = ReadTree(tree_);
    ASSERT_EQ(before.size(), after.size());
    for (size_t index = 0; index < before.size(); ++index) {
        EXPECT_EQ(before[index].checkBox, after[index].checkBox) << before[index].text;
    }
}

// Double-clicks the first failure of a test function that the last run left failed.
void DoubleClickFirstFailure(HWND failures) {
    RemoteMemory memory(failures, sizeof(LVITEMA) + sizeof(RECT));
    LVITEMA state = {};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    memory.Write(0, &state, sizeof state);
    SendMessageA(failures, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(memory.At(0)));
    RECT box = {};
    box.left = LVIR_BOUNDS;
    memory.Write(sizeof(LVITEMA), &box, sizeof box);
    SendMessageA(failures, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(memory.At(sizeof(LVITEMA))));
    memory.Read(sizeof(LVITEMA), &box, sizeof box);
    const LPARAM where = MAKELPARAM(box.left + 4, (box.top + box.bottom) / 2);
    PostMessageA(failures, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
    PostMessageA(failures, WM_LBUTTONUP, 0, where);
}

// A double click on a failure hands its file and line to the editor command; a
// crash, at line 0, of a test added without its place opens nothing and says why.
TEST_F(DailyUse, AFailureOpensInTheEditorAtItsLine) {
    ScratchFolder folder;
    const std::string record = folder.File("arguments.txt");
    SetSetting("EditorCommand",
               "\"" + BuiltFile("runner_argument_recorder.exe") + "\" \"" + record + "\" \"{file}\" {line}");
    const std::string library = BuiltFile("runner_views_library.dll");
    Start({library}, library + " - " + kDisplayName);
    Run(IDM_RUN_SELECTED);
    Run(IDM_EXPAND_TREE);
    Select("b1");
    WaitForIdle();
    const HWND failures = GetDlgItem(window_, IDC_FAILURE_LIST);
    const std::vector<Row> rows = ReadRows(failures, 2);
    ASSERT_FALSE(rows.empty());
    DoubleClickFirstFailure(failures);
    ASSERT_TRUE(WaitFor([&] { return ReadFileBytes(record).find('\n') != std::string::npos; }));
    Sleep(200);
    const std::string recorded = ReadFileBytes(record);
    EXPECT_NE(std::string::npos, recorded.find("views_library.c\n" + rows[0][0] + "\n")) << recorded;
    EXPECT_NE("0", rows[0][0]);
    Exit();

    DeleteFileA(record.c_str());
    const std::string crashing = BuiltFile("runner_separate_process_library.dll");
    Start({crashing}, crashing + " - " + kDisplayName);
    Run(IDM_EXPAND_TREE);
    Select("Crashes");
    Run(IDM_RUN_TEST_FUNCTION);
    WaitForIdle();
    DoubleClickFirstFailure(GetDlgItem(window_, IDC_FAILURE_LIST));
    HWND box = WaitForOwnedWindow(window_);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ("This failure has no line to open: a crash is recorded at line 0.", MessageBoxText(box));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    WaitForIdle();
    EXPECT_FALSE(FileExists(record));
}

RECT WindowBox(HWND window) {
    RECT box = {};
    GetWindowRect(window, &box);
    return box;
}

// Size, view and check items come back at the next start; values nobody can read
// leave the window as it starts without any.
TEST_F(DailyUse, SettingsComeBackAndDamagedOnesFallBack) {
    Start({}, kDisplayName);
    const RECT usual = WindowBox(window_);
    const int width = usual.right - usual.left + 120;
    const int height = usual.bottom - usual.top + 80;
    SetWindowPos(window_, nullptr, 40, 30, width, height, SWP_NOZORDER);
    Run(IDM_XML_VIEW);
    Run(IDM_AUTO_RELOAD);
    Exit();
    EXPECT_EQ("0", Setting("AutoReload"));
    Start({}, kDisplayName);
    RECT box = WindowBox(window_);
    EXPECT_EQ(width, box.right - box.left);
    EXPECT_EQ(height, box.bottom - box.top);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window_, IDC_XML_VIEW)));
    Exit();

    SetSetting("Placement", "12,34,nonsense");
    SetSetting("View", "Sideways");
    SetSetting("ResultColumns", "-5,,x");
    SetSetting("AutoReload", "perhaps");
    Start({}, kDisplayName);
    box = WindowBox(window_);
    EXPECT_EQ(usual.right - usual.left, box.right - box.left);
    EXPECT_EQ(usual.bottom - usual.top, box.bottom - box.top);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window_, IDC_RESULT_LIST)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window_, IDC_XML_VIEW)));
    Exit();

    // A column the user sized keeps its width through runs; the others fit their texts.
    SetSetting("ResultColumns", "0,0,0,0,0,0,150");
    const std::string library = BuiltFile("runner_views_library.dll");
    Start({library}, library + " - " + kDisplayName);
    Run(IDM_RUN_SELECTED);
    const HWND results = GetDlgItem(window_, IDC_RESULT_LIST);
    EXPECT_EQ(150, SendMessageA(results, LVM_GETCOLUMNWIDTH, 6, 0));
    EXPECT_LT(20, SendMessageA(results, LVM_GETCOLUMNWIDTH, 0, 0));
    Exit();
    EXPECT_EQ("0,0,0,0,0,0,150", Setting("ResultColumns"));
}

}  // namespace
