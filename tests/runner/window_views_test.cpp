// The runner's window with a library loaded, driven from outside: what the tree and
// the lists show, check boxes against skip flags, runs and their progress, the
// failure list, the XML view, the commands on offer, view switching and resizing.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gui_support.h"
#include "resources/resource.h"
#include "runner_process.h"
#include "window_probe.h"

namespace {

using namespace window_driving;

const auto *const ownDesktop = ::testing::AddGlobalTestEnvironment(new OwnDesktop);

constexpr int kResultColumns = 7;
constexpr int kFailureColumns = 2;
constexpr COLORREF kGreen = RGB(0, 0xFF, 0);
constexpr COLORREF kRed = RGB(0xFF, 0, 0);
constexpr int kNotRunImage = 2;
constexpr int kPassedImage = 3;
constexpr int kFailedImage = 4;
constexpr int kTicked = 2;
constexpr int kEmpty = 1;
// Latin-1, in octal: no letter runs into the escape.
const std::string kSizeBatch = "Gr\366\337e";
const std::string kOverflowTest = "\334berlauf";

struct Row4 {
    std::string name, batch, result, failures;
};

BOOL CALLBACK MatchPopupMenu(HWND window, LPARAM parameter) {
    auto *search = reinterpret_cast<std::pair<DWORD, HWND> *>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    if (processId == search->first && IsWindowVisible(window) && std::string(className) == "#32768") {
        search->second = window;
        return FALSE;
    }
    return TRUE;
}

HWND PopupMenuOf(DWORD processId) {
    std::pair<DWORD, HWND> search(processId, nullptr);
    EnumWindows(MatchPopupMenu, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// A window as the screen shows it, pixel by pixel: a menu stays in the process that
// owns it, but its picture reaches the screen.
std::vector<DWORD> Picture(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    DWORD *bits = nullptr;
    const HBITMAP bitmap =
        CreateDIBSection(memory, &info, DIB_RGB_COLORS, reinterpret_cast<void **>(&bits), nullptr, 0);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    std::vector<DWORD> pixels(bits, bits + width * height);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

BOOL CALLBACK CountEnabled(HWND child, LPARAM count) {
    if (IsWindowEnabled(child)) {
        ++*reinterpret_cast<int *>(count);
    }
    return TRUE;
}

int EnabledControls(HWND window) {
    int count = 0;
    EnumChildWindows(window, CountEnabled, reinterpret_cast<LPARAM>(&count));
    return count;
}

class ViewsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        // Open unless a test closes it: the library's test Waits holds a run at the gate.
        const std::string gateName = "NorvikViewsGate" + std::to_string(GetCurrentProcessId());
        gate_ = CreateEventA(nullptr, TRUE, TRUE, gateName.c_str());
        SetEnvironmentVariableA("NORVIK_VIEWS_GATE", gateName.c_str());
        OwnDesktop::SetRunnerSetting("SeparateProcess", "1");
        StartRunner();
    }
    void TearDown() override {
        ExitRunner();
        CloseHandle(gate_);
    }

    void StartRunner() {
        const std::string library = BuiltFile("runner_views_library.dll");
        runner_ = std::make_unique<RunnerProcess>(std::vector<std::string>{library}, OwnDesktop::Name());
        ASSERT_TRUE(runner_->Started());
        window_ = WaitForMainWindow(runner_->Id(), library + " - " + kDisplayName);
        ASSERT_NE(nullptr, window_);
        tree_ = GetDlgItem(window_, IDC_TEST_TREE);
        results_ = GetDlgItem(window_, IDC_RESULT_LIST);
        failures_ = GetDlgItem(window_, IDC_FAILURE_LIST);
        xml_ = GetDlgItem(window_, IDC_XML_VIEW);
        progress_ = GetDlgItem(window_, IDC_PROGRESS);
        // The title comes before the commands are updated: wait for the message loop.
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, kWaitMilliseconds, &result);
    }
    void ExitRunner() {
        if (window_ != nullptr) {
            Command(window_, IDM_EXIT);
            EXPECT_EQ(0u, runner_->WaitForExit(kWaitMilliseconds));
            window_ = nullptr;
        }
    }

    // Carries out a command and returns when it is over, runs included.
    void Run(WORD commandId) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window_, WM_COMMAND, MAKEWPARAM(commandId, 0), 0, SMTO_NORMAL, kWaitMilliseconds, &result);
        WaitForRunToEnd(window_);
    }

    // A key as the user presses it, through the accelerators and the dialog keys.
    void PressKey(HWND target, WORD key) {
        PostMessageA(target, WM_KEYDOWN, key, 1);
        PostMessageA(target, WM_KEYUP, key, 0xC0000001);
    }

    // Messages posted before this command are handled once it is.
    void PostAndWaitForXmlView() {
        Command(window_, IDM_XML_VIEW);
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(xml_) != FALSE; }));
        Run(IDM_LIST_VIEW);
    }

    std::vector<Row4> Rows() {
        std::vector<Row4> rows;
        for (const Row &row : ReadRows(results_, kResultColumns)) {
            rows.push_back({row[0], row[1], row[3], row[6]});
        }
        return rows;
    }

    HTREEITEM ItemNamed(const std::string &text) {
        for (const TreeItem &item : ReadTree(tree_)) {
            if (item.text == text) {
                return item.handle;
            }
        }
        return nullptr;
    }

    void SelectItem(const std::string &text) {
        SendMessageA(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(ItemNamed(text)));
    }

    void SelectRow(int row) {
        RemoteMemory memory(results_, sizeof(LVITEMA));
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED;
        item.state = LVIS_SELECTED;
        memory.Write(0, &item, sizeof item);
        SendMessageA(results_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory.At(0)));
    }

    // A click as the mouse gives it: the cursor over the point, then the button.
    void Click(HWND control, POINT point, UINT down, UINT up) {
        POINT screen = point;
        ClientToScreen(control, &screen);
        SetCursorPos(screen.x, screen.y);
        const LPARAM where = MAKELPARAM(point.x, point.y);
        PostMessageA(control, down, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, where);
        PostMessageA(control, up, 0, where);
    }

    POINT CheckBoxOf(const std::string &text) {
        const RECT rect = ItemTextRect(tree_, ItemNamed(text));
        // Left of the text: the item's image, then its check box.
        return {rect.left - 16 - 8, (rect.top + rect.bottom) / 2};
    }

    POINT LabelOf(const std::string &text) {
        const RECT rect = ItemTextRect(tree_, ItemNamed(text));
        return {rect.left + 4, (rect.top + rect.bottom) / 2};
    }

    // Chooses the first item of the popup menu that a right click opened.
    bool ChooseFirstMenuItem() {
        HWND menu = nullptr;
        if (!WaitFor([&] { return (menu = PopupMenuOf(runner_->Id())) != nullptr; })) {
            return false;
        }
        PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 1);
        PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 1);
        return true;
    }

    // The Run menu and its time limits as the user sees them, opened by their keys.
    std::vector<std::vector<DWORD>> RunMenuPictures() {
        std::vector<std::vector<DWORD>> pictures;
        PostMessageA(window_, WM_SYSCOMMAND, SC_KEYMENU, 'u');
        HWND menu = nullptr;
        EXPECT_TRUE(WaitFor([&] { return (menu = PopupMenuOf(runner_->Id())) != nullptr; }));
        Sleep(300);  // the X server draws what the menu painted
        pictures.push_back(Picture(menu));
        PostMessageA(menu, WM_CHAR, 'l', 1);
        HWND limits = nullptr;
        EXPECT_TRUE(WaitFor([&] {
            limits = PopupMenuOf(runner_->Id());
            return limits != nullptr && limits != menu;
        }));
        Sleep(300);
        pictures.push_back(Picture(limits));
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window_, WM_CANCELMODE, 0, 0, SMTO_NORMAL, kWaitMilliseconds, &result);
        return pictures;
    }

    HANDLE gate_ = nullptr;
    std::unique_ptr<RunnerProcess> runner_;
    HWND window_ = nullptr;
    HWND tree_ = nullptr;
    HWND results_ = nullptr;
    HWND failures_ = nullptr;
    HWND xml_ = nullptr;
    HWND progress_ = nullptr;
};

std::vector<std::string> Texts(const std::vector<TreeItem> &items) {
    std::vector<std::string> texts;
    for (const TreeItem &item : items) {
        texts.push_back(item.text);
    }
    return texts;
}

TEST_F(ViewsWindow, ShowsTheTreeInRegistrationOrderAndTheListInByteOrder) {
    const std::vector<TreeItem> items = ReadTree(tree_);
    EXPECT_EQ((std::vector<std::string>{"Zeta", "b2", "b1", "alpha", "a1", "Waits", kSizeBatch, kOverflowTest}),
              Texts(items));
    for (const TreeItem &item : items) {
        EXPECT_EQ(item.level == 0 ? 0 : kNotRunImage, item.image) << item.text;
        EXPECT_EQ(kTicked, item.checkBox) << item.text;
    }
    const std::vector<Row> rows = ReadRows(results_, kResultColumns);
    ASSERT_EQ(5u, rows.size());
    const std::vector<std::pair<std::string, std::string>> expected = {
        {kOverflowTest, kSizeBatch}, {"b1", "Zeta"}, {"b2", "Zeta"}, {"Waits", "alpha"}, {"a1", "alpha"}};
    for (size_t row = 0; row < rows.size(); ++row) {
        EXPECT_EQ(expected[row].first, rows[row][0]);
        EXPECT_EQ(expected[row].second, rows[row][1]);
        for (int column = 2; column < kResultColumns; ++column) {
            EXPECT_EQ("", rows[row][column]);
        }
    }
    // The first batch is selected; being a batch, it makes no test function current.
    EXPECT_EQ(ItemNamed("Zeta"), NextTreeItem(tree_, nullptr, TVGN_CARET));
    EXPECT_EQ(-1, SelectedRow(results_));
}

TEST_F(ViewsWindow, RunsEverythingSelectedWithProgressResultsAndReport) {
    Run(IDM_RUN_SELECTED);
    const std::vector<Row4> rows = Rows();
    ASSERT_EQ(5u, rows.size());
    EXPECT_EQ("Passed", rows[0].result);
    EXPECT_EQ("Failed", rows[1].result);
    EXPECT_EQ("2", rows[1].failures);
    EXPECT_EQ("Passed", rows[2].result);
    EXPECT_EQ("0", rows[2].failures);
    for (const TreeItem &item : ReadTree(tree_)) {
        if (item.level == 1) {
            EXPECT_EQ(item.text == "b1" ? kFailedImage : kPassedImage, item.image) << item.text;
        }
    }
    const Progress progress = ReadProgress(progress_);
    EXPECT_EQ(5, progress.maximum);
    EXPECT_EQ(5, progress.position);
    EXPECT_EQ(kRed, progress.bar);
    // The report is UTF-8; the view shows its names as the characters they are.
    Run(IDM_XML_VIEW);
    const std::wstring report = ReadWideText(xml_);
    EXPECT_NE(std::wstring::npos, report.find(L"<?xml"));
    EXPECT_NE(std::wstring::npos, report.find(L"Gr\u00F6\u00DFe"));
    EXPECT_NE(std::wstring::npos, report.find(L"\u00DCberlauf"));
}

TEST_F(ViewsWindow, ABatchRunWithoutFailuresEndsGreenAndSkippedTestsStayNotRun) {
    SelectItem("alpha");
    PressKey(window_, VK_F6);
    ASSERT_TRUE(WaitFor([&] { return ReadProgress(progress_).position == 2; }));
    const Progress progress = ReadProgress(progress_);
    EXPECT_EQ(2, progress.maximum);
    EXPECT_EQ(2, progress.position);
    EXPECT_EQ(kGreen, progress.bar);
    for (const TreeItem &item : ReadTree(tree_)) {
        if (item.level == 1) {
            const bool inBatch = item.text == "a1" || item.text == "Waits";
            EXPECT_EQ(inBatch ? kPassedImage : kNotRunImage, item.image) << item.text;
        }
    }
}

TEST_F(ViewsWindow, OneTestFunctionRunsFromItsRowAndItsFailuresFollow) {
    SelectRow(1);  // b1
    EXPECT_EQ(ItemNamed("b1"), NextTreeItem(tree_, nullptr, TVGN_CARET));
    EXPECT_EQ(0u, ReadRows(failures_, kFailureColumns).size());
    PressKey(window_, VK_F7);
    ASSERT_TRUE(WaitFor([&] { return ReadProgress(progress_).position == 1; }));
    const std::vector<Row> failures = ReadRows(failures_, kFailureColumns);
    ASSERT_EQ(2u, failures.size());
    EXPECT_NE("0", failures[0][0]);
    EXPECT_EQ("second failure", failures[1][1]);
    const Progress progress = ReadProgress(progress_);
    EXPECT_EQ(1, progress.maximum);
    EXPECT_EQ(1, progress.position);
    EXPECT_EQ(kRed, progress.bar);
    const std::vector<Row4> rows = Rows();
    EXPECT_EQ("Failed", rows[1].result);
    EXPECT_EQ("", rows[2].result);  // b2 never ran
    // Back on a batch: no current test function, no failures, no selected row.
    SelectItem("Zeta");
    EXPECT_EQ(0u, ReadRows(failures_, kFailureColumns).size());
    EXPECT_EQ(-1, SelectedRow(results_));
}

TEST_F(ViewsWindow, CheckBoxesSetSkipFlagsByKeyboardAndSelectCommands) {
    // Space on a test function clears only its box.
    SelectItem("b1");
    PressKey(tree_, VK_SPACE);
    PostAndWaitForXmlView();
    // Space on a batch applies to all of its test functions.
    SelectItem("alpha");
    PressKey(tree_, VK_SPACE);
    PostAndWaitForXmlView();
    const auto boxesFollowed = [&] {
        for (const TreeItem &item : ReadTree(tree_)) {
            const bool cleared = item.text == "b1" || item.text == "alpha" || item.text == "a1" || item.text == "Waits";
            if (item.checkBox != (cleared ? kEmpty : kTicked)) {
                return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(WaitFor(boxesFollowed));
    Run(IDM_RUN_SELECTED);
    EXPECT_EQ(2, ReadProgress(progress_).maximum);  // b2 and the non-ASCII one
    EXPECT_EQ(kGreen, ReadProgress(progress_).bar);
    for (const TreeItem &item : ReadTree(tree_)) {
        if (item.level == 1) {
            const bool ran = item.text == "b2" || item.text == kOverflowTest;
            EXPECT_EQ(ran ? kPassedImage : kNotRunImage, item.image) << item.text;
        }
    }
    Run(IDM_SELECT_ALL);
    for (const TreeItem &item : ReadTree(tree_)) {
        EXPECT_EQ(kTicked, item.checkBox) << item.text;
    }
    Run(IDM_SELECT_NONE);
    for (const TreeItem &item : ReadTree(tree_)) {
        EXPECT_EQ(kEmpty, item.checkBox) << item.text;
    }
}

TEST_F(ViewsWindow, AClickOnACheckBoxSetsTheSkipFlagsOfItsItem) {
    Run(IDM_EXPAND_TREE);
    Click(tree_, CheckBoxOf("b2"), WM_LBUTTONDOWN, WM_LBUTTONUP);
    PostAndWaitForXmlView();
    for (const TreeItem &item : ReadTree(tree_)) {
        EXPECT_EQ(item.text == "b2" ? kEmpty : kTicked, item.checkBox);
    }
    Run(IDM_RUN_SELECTED);
    EXPECT_EQ(4, ReadProgress(progress_).maximum);

    // A batch's box takes all of its test functions along, the partly cleared included.
    Click(tree_, CheckBoxOf("alpha"), WM_LBUTTONDOWN, WM_LBUTTONUP);
    Click(tree_, CheckBoxOf("Zeta"), WM_LBUTTONDOWN, WM_LBUTTONUP);
    Click(tree_, CheckBoxOf("Zeta"), WM_LBUTTONDOWN, WM_LBUTTONUP);
    PostAndWaitForXmlView();
    for (const TreeItem &item : ReadTree(tree_)) {
        const bool cleared = item.text == "alpha" || item.text == "a1" || item.text == "Waits";
        EXPECT_EQ(cleared ? kEmpty : kTicked, item.checkBox) << item.text;
    }
    Run(IDM_RUN_SELECTED);
    EXPECT_EQ(3, ReadProgress(progress_).maximum);
}

TEST_F(ViewsWindow, ExpandingAndCollapsingEverythingOpensAndClosesTheFolders) {
    const auto batchImages = [&] {
        std::vector<int> images;
        for (const TreeItem &item : ReadTree(tree_)) {
            if (item.level == 0) {
                images.push_back(item.image);
            }
        }
        return images;
    };
    Run(IDM_EXPAND_TREE);
    EXPECT_EQ(std::vector<int>(3, 1), batchImages());
    Run(IDM_COLLAPSE_TREE);
    EXPECT_EQ(std::vector<int>(3, 0), batchImages());
    // Items made anew still follow their records.
    Run(IDM_EXPAND_TREE);
    Run(IDM_SELECT_NONE);
    for (const TreeItem &item : ReadTree(tree_)) {
        EXPECT_EQ(kEmpty, item.checkBox) << item.text;
    }
}

// A worker run repaints the marks of the items in sight as their tests end: the test
// Waits holds the run while the mark of b1, which ended before it, is read off the
// screen. (A window busy with a run in its own process need not have handed its
// latest paint to the display under Wine, so that kind of run is not read this way.)
TEST_F(ViewsWindow, TheTreePaintsEachMarkInSightAsItsTestEnds) {
    // Away from the tree, whose tips would cover the mark.
    SetCursorPos(0, 0);
    Run(IDM_EXPAND_TREE);
    // The tree shows the items once it has painted them.
    DWORD_PTR painted = 0;
    SendMessageTimeoutA(tree_, WM_PAINT, 0, 0, SMTO_NORMAL, kWaitMilliseconds, &painted);
    const auto mark = [&] {
        const RECT label = ItemTextRect(tree_, ItemNamed("b1"));
        RECT window = {};
        GetWindowRect(tree_, &window);
        POINT client = {0, 0};
        ClientToScreen(tree_, &client);
        const int width = window.right - window.left;
        const std::vector<DWORD> picture = Picture(tree_);
        std::vector<DWORD> pixels;
        // The image is the square left of the label.
        for (int y = label.top; y < label.bottom; ++y) {
            for (int x = label.left - 16; x < label.left; ++x) {
                pixels.push_back(
                    picture[static_cast<size_t>((y + client.y - window.top) * width + x + client.x - window.left)]);
            }
        }
        return pixels;
    };
    const std::vector<DWORD> notRun = mark();
    ResetEvent(gate_);
    Command(window_, IDM_RUN_SELECTED);
    std::vector<DWORD> held;
    EXPECT_TRUE(WaitFor([&] {
        held = mark();
        return held != notRun;
    }));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window_, IDM_RUN_SELECTED))) << "the run was over";
    SetEvent(gate_);
    WaitForRunToEnd(window_);
    // What the run's end shows: the failed mark.
    EXPECT_EQ(mark(), held);
}

TEST_F(ViewsWindow, TheContextMenuRunsTheTestFunctionOrTheBatchUnderTheClick) {
    Run(IDM_EXPAND_TREE);
    Click(tree_, LabelOf("b1"), WM_RBUTTONDOWN, WM_RBUTTONUP);
    ASSERT_TRUE(ChooseFirstMenuItem());  // "Run Unit Test Function"
    ASSERT_TRUE(WaitFor([&] { return ReadProgress(progress_).position == 1; }));
    EXPECT_EQ(1, ReadProgress(progress_).maximum);
    EXPECT_EQ(ItemNamed("b1"), NextTreeItem(tree_, nullptr, TVGN_CARET));
    EXPECT_EQ(2u, ReadRows(failures_, kFailureColumns).size());

    Click(tree_, LabelOf("alpha"), WM_RBUTTONDOWN, WM_RBUTTONUP);
    ASSERT_TRUE(ChooseFirstMenuItem());  // a batch offers only "Run Selected Unit Tests in this Batch"
    ASSERT_TRUE(WaitFor([&] { return ReadProgress(progress_).maximum == 2; }));
    EXPECT_EQ(0u, ReadRows(failures_, kFailureColumns).size());

    RECT client = {};
    GetClientRect(tree_, &client);
    Click(tree_, {client.right / 2, client.bottom - 4}, WM_RBUTTONDOWN, WM_RBUTTONUP);
    PostAndWaitForXmlView();
    EXPECT_EQ(nullptr, PopupMenuOf(runner_->Id()));
}

// The run in the window's own process keeps the window inert until it returns.
TEST_F(ViewsWindow, InItsOwnProcessTheWindowIsInertDuringARunAndOffersItsCommandsAfterwards) {
    ExitRunner();
    OwnDesktop::SetRunnerSetting("SeparateProcess", "0");
    StartRunner();
    const int enabledBefore = EnabledControls(window_);
    ResetEvent(gate_);
    Command(window_, IDM_RUN_SELECTED);
    EXPECT_TRUE(WaitFor([&] { return EnabledControls(window_) == 0; }));
    SetEvent(gate_);
    EXPECT_TRUE(WaitFor([&] { return EnabledControls(window_) == enabledBefore; }));
    for (WORD button : {IDM_OPEN_LIBRARY, IDM_CLOSE_LIBRARY, IDM_SELECT_ALL, IDM_SELECT_NONE, IDM_RUN_SELECTED}) {
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window_, button))) << button;
    }
}

// A run in a worker process leaves the window live: its views can be read and
// scrolled, and only what would change the registry or start a run waits.
TEST_F(ViewsWindow, WithASeparateProcessTheWindowStaysLiveAndHoldsOnlyRunCommands) {
    ResetEvent(gate_);
    Command(window_, IDM_RUN_SELECTED);
    // The window holds its buttons one by one while this process watches.
    const auto held = [&] {
        for (WORD button : {IDM_OPEN_LIBRARY, IDM_CLOSE_LIBRARY, IDM_RUN_SELECTED, IDM_SELECT_ALL, IDM_SELECT_NONE}) {
            if (IsWindowEnabled(GetDlgItem(window_, button))) {
                return false;
            }
        }
        return true;
    };
    ASSERT_TRUE(WaitFor(held));
    for (int control : {IDC_TEST_TREE, IDC_RESULT_LIST, IDC_FAILURE_LIST, IDM_ABOUT, IDM_XML_VIEW}) {
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window_, control))) << control;
    }
    // The window answers while the test waits: a row of the run can be read.
    ASSERT_TRUE(WaitFor([&] { return ReadProgress(progress_).position >= 1; }));
    EXPECT_FALSE(Rows().empty());
    // The skip flags are the run's: a click on a box leaves its test selected. The
    // click is handled once the XML view, posted after it, shows. The tree is
    // expanded before its items are read, without waiting for the run.
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(IDM_EXPAND_TREE, 0), 0);
    Click(tree_, CheckBoxOf("b2"), WM_LBUTTONDOWN, WM_LBUTTONUP);
    Command(window_, IDM_XML_VIEW);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(xml_) != FALSE; }));
    Command(window_, IDM_LIST_VIEW);
    SetEvent(gate_);
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(window_, IDM_RUN_SELECTED)) != FALSE; }));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window_, IDM_OPEN_LIBRARY)));
    for (const TreeItem &item : ReadTree(tree_)) {
        EXPECT_EQ(kTicked, item.checkBox) << item.text;
    }
    Run(IDM_RUN_SELECTED);
    EXPECT_EQ(5, ReadProgress(progress_).maximum);
}

TEST_F(ViewsWindow, SwitchesBetweenTheListsAndTheXmlView) {
    Run(IDM_XML_VIEW);
    EXPECT_TRUE(IsWindowVisible(xml_));
    EXPECT_FALSE(IsWindowVisible(results_));
    EXPECT_FALSE(IsWindowVisible(failures_));
    EXPECT_EQ(L"", ReadWideText(xml_));
    Run(IDM_XML_VIEW);
    EXPECT_TRUE(IsWindowVisible(xml_));
    // A run in XML mode fills the view at once and writes the hidden rows at its end.
    Run(IDM_RUN_SELECTED);
    EXPECT_NE(std::wstring::npos, ReadWideText(xml_).find(L"<TestResults"));
    EXPECT_FALSE(IsWindowVisible(results_));
    EXPECT_EQ("Failed", Rows()[1].result);
    Run(IDM_LIST_VIEW);
    EXPECT_FALSE(IsWindowVisible(xml_));
    EXPECT_TRUE(IsWindowVisible(results_));
}

RECT ChildRect(HWND window, HWND child) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT *>(&rect), 2);
    return rect;
}

TEST_F(ViewsWindow, NeverShrinksBelowItsFirstSizeAndGrowsItsViews) {
    RECT start = {};
    GetWindowRect(window_, &start);
    SetWindowPos(window_, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
    RECT shrunk = {};
    GetWindowRect(window_, &shrunk);
    EXPECT_GE(shrunk.right - shrunk.left, start.right - start.left);
    EXPECT_GE(shrunk.bottom - shrunk.top, start.bottom - start.top);

    SetWindowPos(window_, nullptr, 0, 0, start.right - start.left + 200, start.bottom - start.top + 150,
                 SWP_NOMOVE | SWP_NOZORDER);
    RECT client = {};
    GetClientRect(window_, &client);
    const RECT list = ChildRect(window_, results_);
    const RECT failureList = ChildRect(window_, failures_);
    const RECT bar = ChildRect(window_, progress_);
    EXPECT_EQ(client.bottom, ChildRect(window_, tree_).bottom);
    EXPECT_EQ(74, failureList.bottom - failureList.top);
    EXPECT_EQ(2, failureList.top - list.bottom);
    EXPECT_EQ(client.right - 7, list.right);
    EXPECT_EQ(client.bottom - 6, bar.bottom);
    EXPECT_EQ(client.right - 6, bar.right);
}

TEST_F(ViewsWindow, ClosingEmptiesEveryViewAndWithdrawsTheBatchCommands) {
    Run(IDM_RUN_SELECTED);
    Run(IDM_CLOSE_LIBRARY);
    EXPECT_EQ(kDisplayName, WindowText(window_));
    EXPECT_TRUE(ReadTree(tree_).empty());
    EXPECT_EQ(0u, ReadRows(results_, kResultColumns).size());
    EXPECT_EQ(L"", ReadWideText(xml_));
    const Progress progress = ReadProgress(progress_);
    EXPECT_EQ(0, progress.maximum);
    EXPECT_EQ(0, progress.position);
    for (WORD button : {IDM_CLOSE_LIBRARY, IDM_SELECT_ALL, IDM_SELECT_NONE, IDM_RUN_SELECTED}) {
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window_, button))) << button;
    }
    for (WORD button : {IDM_OPEN_LIBRARY, IDM_ABOUT, IDM_LIST_VIEW, IDM_XML_VIEW}) {
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window_, button))) << button;
    }
    // F5 is silenced with its greyed menu item: no run, so no report.
    PressKey(window_, VK_F5);
    PostAndWaitForXmlView();
    EXPECT_EQ(L"", ReadWideText(xml_));
}

// A remembered check item, and a time limit, show the choice at once: as a window
// started with those settings shows them.
TEST_F(ViewsWindow, TheRunMenuShowsAChoiceAtOnce) {
    ExitRunner();
    OwnDesktop::SetRunnerSetting("SeparateProcess", "0");
    StartRunner();
    const std::vector<std::vector<DWORD>> before = RunMenuPictures();
    for (WORD choice : {IDM_SEPARATE_PROCESS, IDM_BREAK_ON_FAILURE, IDM_TIME_LIMIT_30}) {
        Run(choice);
    }
    const std::vector<std::vector<DWORD>> chosen = RunMenuPictures();
    ExitRunner();
    StartRunner();
    const std::vector<std::vector<DWORD>> remembered = RunMenuPictures();
    ExitRunner();
    OwnDesktop::SetRunnerSetting("BreakOnFailure", "0");
    OwnDesktop::SetRunnerSetting("TimeLimit", "0");
    ASSERT_EQ(2u, chosen.size());
    // Pictures compared whole: their pixels would say nothing printed.
    EXPECT_TRUE(before[0] != chosen[0]) << "the Run menu";
    EXPECT_TRUE(before[1] != chosen[1]) << "the time limits";
    EXPECT_TRUE(remembered[0] == chosen[0]) << "the Run menu";
    EXPECT_TRUE(remembered[1] == chosen[1]) << "the time limits";
}

}  // namespace
