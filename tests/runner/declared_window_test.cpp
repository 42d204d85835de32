// The window with tests that know where they are written, driven from outside: a test
// that skips itself, opening tests, rows and crashes at their definitions, what a
// library's registration refused, Break on Failure with and without a debugger
// attached to the window, and the rows of a table as tests of their own.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "gui_support.h"
#include "norvik.h"
#include "resources/resource.h"
#include "runner_process.h"
#include "scratch_folder.h"
#include "window_probe.h"

namespace {

using namespace window_driving;

const auto *const ownDesktop = ::testing::AddGlobalTestEnvironment(new OwnDesktop);

constexpr int kResultColumns = 7;
constexpr int kResultColumn = 3;
constexpr int kFailureColumns = 2;
constexpr COLORREF kGreen = RGB(0, 0xFF, 0);

struct Definition {
    std::string file;
    int line;
};

// Where each test of a library is written, as the library registers it in this
// process.
std::map<std::string, Definition> DefinitionsIn(const std::string &library) {
    std::map<std::string, Definition> definitions;
    const HMODULE module = LoadLibraryA(library.c_str());
    if (module == nullptr) {
        return definitions;
    }
    reinterpret_cast<NvkTestProc>(reinterpret_cast<void *>(GetProcAddress(module, "NvkLibraryCreateBatches")))();
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
             test = NvkTestFunctionGetNext(test)) {
            definitions[NvkTestFunctionGetName(test)] = {NvkTestFunctionGetSourceFile(test),
                                                         NvkTestFunctionGetSourceLine(test)};
        }
    }
    NvkBatchFree(nullptr);
    FreeLibrary(module);
    return definitions;
}

std::string Setting(const char *name) {
    char value[2048] = "";
    DWORD size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, OwnDesktop::SettingsKey(), name, RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
}

// The runner started under a debugger, which this process is: a thread of its own
// starts it and answers its debug events until it ends, handing every exception but
// a breakpoint back to it.
class DebuggedRunner {
public:
    explicit DebuggedRunner(const std::string &library) : commandLine_(CommandLineOf({library})) {
        started_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        debugger_ = std::thread([this] { Debug(); });
        WaitForSingleObject(started_, kWaitMilliseconds);
    }
    ~DebuggedRunner() {
        if (process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 99);
        }
        debugger_.join();
        if (process_.hProcess != nullptr) {
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
        }
        CloseHandle(started_);
    }
    DebuggedRunner(const DebuggedRunner &) = delete;
    DebuggedRunner &operator=(const DebuggedRunner &) = delete;

    DWORD Id() const { return process_.dwProcessId; }
    bool WaitForExit() const {
        return process_.hProcess != nullptr &&
               WaitForSingleObject(process_.hProcess, kWaitMilliseconds) == WAIT_OBJECT_0;
    }

private:
    void Debug() {
        std::string desktop = OwnDesktop::Name();
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.lpDesktop = &desktop[0];
        const bool started = CreateProcessA(nullptr, &commandLine_[0], nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS,
                                            nullptr, nullptr, &startup, &process_) != 0;
        SetEvent(started_);
        DEBUG_EVENT event = {};
        while (started && WaitForDebugEvent(&event, INFINITE)) {
            DWORD answer = DBG_CONTINUE;
            if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT && event.u.CreateProcessInfo.hFile != nullptr) {
                CloseHandle(event.u.CreateProcessInfo.hFile);
            } else if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT && event.u.LoadDll.hFile != nullptr) {
                CloseHandle(event.u.LoadDll.hFile);
            } else if (event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT &&
                       event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
                answer = DBG_EXCEPTION_NOT_HANDLED;
            }
            ContinueDebugEvent(event.dwProcessId, event.dwThreadId, answer);
            if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
                break;
            }
        }
    }

    std::string commandLine_;
    HANDLE started_ = nullptr;
    PROCESS_INFORMATION process_ = {};
    std::thread debugger_;
};

class DeclaredWindow : public ::testing::Test {
protected:
    void SetUp() override {
        record_ = folder_.File("arguments.txt");
        where_ = folder_.File("where.txt");
        SetEnvironmentVariableA("NORVIK_DECLARED_WHERE", where_.c_str());
        OwnDesktop::SetRunnerSetting("EditorCommand", "\"" + BuiltFile("runner_argument_recorder.exe") + "\" \"" +
                                                          record_ + "\" \"{file}\" {line}");
        OwnDesktop::SetRunnerSetting("BreakOnFailure", "0");
    }
    void TearDown() override {
        ExitRunner();
        SetEnvironmentVariableA("NORVIK_DECLARED_WHERE", nullptr);
    }

    void StartRunner(const std::string &library) {
        runner_ = std::make_unique<RunnerProcess>(std::vector<std::string>{library}, OwnDesktop::Name());
        ASSERT_TRUE(runner_->Started());
        FindWindowOfRunner(runner_->Id(), library);
    }
    void FindWindowOfRunner(DWORD processId, const std::string &library) {
        window_ = WaitForMainWindow(processId, library + " - " + kDisplayName);
        ASSERT_NE(nullptr, window_);
        tree_ = GetDlgItem(window_, IDC_TEST_TREE);
        results_ = GetDlgItem(window_, IDC_RESULT_LIST);
        failures_ = GetDlgItem(window_, IDC_FAILURE_LIST);
    }
    void ExitRunner() {
        if (window_ != nullptr) {
            Command(window_, IDM_EXIT);
            if (runner_ != nullptr) {
                EXPECT_EQ(0u, runner_->WaitForExit(kWaitMilliseconds));
            }
            window_ = nullptr;
        }
        runner_.reset();
    }

    // Returns once the window has handled the command, a run once it is over.
    void Run(WORD commandId) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window_, WM_COMMAND, MAKEWPARAM(commandId, 0), 0, SMTO_NORMAL, kWaitMilliseconds, &result);
        WaitForRunToEnd(window_);
    }

    int RowOf(const std::string &test) {
        const std::vector<Row> rows = ReadRows(results_, kResultColumns);
        for (size_t row = 0; row < rows.size(); ++row) {
            if (rows[row][0] == test) {
                return static_cast<int>(row);
            }
        }
        return -1;
    }
    std::string ResultOf(const std::string &test) {
        const int row = RowOf(test);
        return row >= 0 ? ReadRows(results_, kResultColumns)[static_cast<size_t>(row)][kResultColumn] : "(no row)";
    }

    // Makes the test current through its row, as a click on the row does.
    void SelectRow(HWND list, int row) {
        RemoteMemory memory(list, sizeof(LVITEMA));
        LVITEMA item = {};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        memory.Write(0, &item, sizeof item);
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory.At(0)));
    }
    void SelectTest(const std::string &test) { SelectRow(results_, RowOf(test)); }

    void DoubleClickRow(HWND list, int row) {
        SelectRow(list, row);
        RemoteMemory memory(list, sizeof(RECT));
        RECT box = {};
        box.left = LVIR_BOUNDS;
        memory.Write(0, &box, sizeof box);
        SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory.At(0)));
        memory.Read(0, &box, sizeof box);
        DoubleClick(list, {box.left + 4, (box.top + box.bottom) / 2});
    }
    HTREEITEM ItemNamed(const std::string &text) {
        for (const TreeItem &item : ReadTree(tree_)) {
            if (item.text == text) {
                return item.handle;
            }
        }
        return nullptr;
    }
    void DoubleClickTreeItem(const std::string &text) {
        const RECT box = ItemTextRect(tree_, ItemNamed(text));
        DoubleClick(tree_, {box.left + 4, (box.top + box.bottom) / 2});
    }
    // The cursor over the point, as the tree looks there for the item clicked.
    void DoubleClick(HWND control, POINT point) {
        POINT screen = point;
        ClientToScreen(control, &screen);
        SetCursorPos(screen.x, screen.y);
        const LPARAM where = MAKELPARAM(point.x, point.y);
        PostMessageA(control, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
        PostMessageA(control, WM_LBUTTONUP, 0, where);
    }

    // The file and line the editor was started with after action, as "file\nline\n".
    template <typename Action>
    std::string OpenedBy(Action action) {
        DeleteFileA(record_.c_str());
        action();
        const auto written = [&] {
            const std::string text = ReadFileBytes(record_);
            return std::count(text.begin(), text.end(), '\n') == 2;
        };
        if (!WaitFor(written)) {
            return "(the editor was not started)";
        }
        return ReadFileBytes(record_);
    }
    static std::string At(const Definition &definition) {
        return definition.file + "\n" + std::to_string(definition.line) + "\n";
    }

    // The process the test TellsWhereItRuns ran in, and whether Break on Failure was on there.
    std::pair<DWORD, int> WhereItRan() {
        DeleteFileA(where_.c_str());
        SelectTest("TellsWhereItRuns");
        Run(IDM_RUN_TEST_FUNCTION);
        std::istringstream text(ReadFileBytes(where_));
        std::pair<DWORD, int> where(0, -1);
        text >> where.first >> where.second;
        return where;
    }

    ScratchFolder folder_;
    std::string record_;
    std::string where_;
    std::unique_ptr<RunnerProcess> runner_;
    HWND window_ = nullptr;
    HWND tree_ = nullptr;
    HWND results_ = nullptr;
    HWND failures_ = nullptr;
};

// A skip is no failure: the batch run ends green, the test reads "Skipped", and its
// reason stands in the failure list at the test's line, while it runs and when it is
// chosen again. Rows, tree items, the reason and a crash (line 0) open the editor at
// the test's definition.
TEST_F(DeclaredWindow, ASkippedTestShowsItsReasonAndEveryTestOpensAtItsDefinition) {
    OwnDesktop::SetRunnerSetting("SeparateProcess", "0");
    const std::string library = BuiltFile("runner_declared_library.dll");
    const std::map<std::string, Definition> definitions = DefinitionsIn(library);
    ASSERT_EQ(4u, definitions.size());
    const std::string skipLine = std::to_string(definitions.at("SkipsItself").line);
    StartRunner(library);
    // The tree has the focus once a library opened: Enter opens its current test.
    Run(IDM_EXPAND_TREE);
    SendMessageA(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(ItemNamed("Passes")));
    EXPECT_EQ(At(definitions.at("Passes")), OpenedBy([&] { PressKey(tree_, VK_RETURN); }));
    SelectTest("SkipsItself");
    Run(IDM_RUN_BATCH);
    EXPECT_EQ((std::vector<Row>{{skipLine, "needs the network"}}), ReadRows(failures_, kFailureColumns));
    EXPECT_EQ("Skipped", ResultOf("SkipsItself"));
    EXPECT_EQ("Passed", ResultOf("Passes"));
    EXPECT_EQ("", ResultOf("Crashes"));
    const Progress progress = ReadProgress(GetDlgItem(window_, IDC_PROGRESS));
    EXPECT_EQ(3, progress.maximum);
    EXPECT_EQ(3, progress.position);
    EXPECT_EQ(kGreen, progress.bar);
    SelectTest("Passes");
    EXPECT_TRUE(ReadRows(failures_, kFailureColumns).empty());
    SelectTest("SkipsItself");
    EXPECT_EQ((std::vector<Row>{{skipLine, "needs the network"}}), ReadRows(failures_, kFailureColumns));

    EXPECT_EQ(At(definitions.at("SkipsItself")), OpenedBy([&] { DoubleClickRow(failures_, 0); }));
    EXPECT_EQ(At(definitions.at("Passes")), OpenedBy([&] { DoubleClickRow(results_, RowOf("Passes")); }));
    EXPECT_EQ(At(definitions.at("TellsWhereItRuns")), OpenedBy([&] { DoubleClickTreeItem("TellsWhereItRuns"); }));
    SelectTest("Crashes");
    Run(IDM_RUN_TEST_FUNCTION);
    const std::vector<Row> crash = ReadRows(failures_, kFailureColumns);
    ASSERT_EQ(1u, crash.size());
    EXPECT_EQ("0", crash[0][0]);
    EXPECT_EQ(At(definitions.at("Crashes")), OpenedBy([&] { DoubleClickRow(failures_, 0); }));
}

// What registration refused shows in the error box at each load, over the tests that
// did register. Break on Failure is remembered and set for each run; it keeps the
// run in the worker process unless a debugger is attached to the window, which
// cannot see into the worker.
TEST_F(DeclaredWindow, RegistrationErrorsShowAtEachLoadAndABreakingRunStaysWhereTheDebuggerIs) {
    const std::string duplicates = BuiltFile("declared_duplicates.dll");
    StartRunner(duplicates);
    for (const WORD reload : {WORD(0), WORD(IDM_RELOAD_LIBRARY)}) {
        if (reload != 0) {
            Command(window_, reload);
        }
        const HWND box = WaitForOwnedWindow(window_);
        ASSERT_NE(nullptr, box);
        EXPECT_EQ("Library Error", WindowText(box));
        const std::string text = MessageBoxText(box);
        EXPECT_EQ(0u, text.find("The unit test DLL registered its tests with errors")) << text;
        EXPECT_NE(std::string::npos, text.find("Shared.SameName at ")) << text;
        EXPECT_NE(std::string::npos, text.find("The batch setup of batch Shared at ")) << text;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntilGone(box));
    }
    std::vector<std::string> items;
    for (const TreeItem &item : ReadTree(tree_)) {
        items.push_back(item.text);
    }
    EXPECT_EQ((std::vector<std::string>{"Shared", "SameName", "Other"}), items);
    ExitRunner();

    const std::string library = BuiltFile("runner_declared_library.dll");
    OwnDesktop::SetRunnerSetting("SeparateProcess", "1");
    StartRunner(library);
    Run(IDM_BREAK_ON_FAILURE);
    EXPECT_EQ("1", Setting("BreakOnFailure"));
    EXPECT_NE(runner_->Id(), WhereItRan().first) << "no debugger: the worker runs the test";
    ExitRunner();

    OwnDesktop::SetRunnerSetting("SeparateProcess", "0");
    StartRunner(library);
    EXPECT_EQ(std::make_pair(runner_->Id(), 1), WhereItRan());
    Run(IDM_BREAK_ON_FAILURE);
    EXPECT_EQ(std::make_pair(runner_->Id(), 0), WhereItRan());
    ExitRunner();

    OwnDesktop::SetRunnerSetting("SeparateProcess", "1");
    OwnDesktop::SetRunnerSetting("BreakOnFailure", "1");
    DebuggedRunner debugged(library);
    FindWindowOfRunner(debugged.Id(), library);
    EXPECT_EQ(std::make_pair(debugged.Id(), 1), WhereItRan());
    Command(window_, IDM_EXIT);
    window_ = nullptr;
    EXPECT_TRUE(debugged.WaitForExit());
}

// Each row of a table is an item of the tree and a result of its own, in the worker
// process as in the window's, and runs alone as any test function does.
TEST_F(DeclaredWindow, EachRowIsAnItemOfTheTreeWithAResultOfItsOwn) {
    const std::string library = BuiltFile("console_rows_library.dll");
    for (const char *separate : {"1", "0"}) {
        OwnDesktop::SetRunnerSetting("SeparateProcess", separate);
        StartRunner(library);
        Run(IDM_EXPAND_TREE);
        std::vector<std::string> items;
        for (const TreeItem &item : ReadTree(tree_)) {
            items.push_back(item.text);
        }
        EXPECT_EQ((std::vector<std::string>{"Lengths", "Measure/0", "Measure/1", "Measure/2", "Measure/3", "Sums",
                                            "Add/zeros", "Add/ones", "Add/negatives"}),
                  items);
        Run(IDM_RUN_SELECTED);
        EXPECT_EQ("Failed", ResultOf("Measure/2")) << "separate process: " << separate;
        EXPECT_EQ("Passed", ResultOf("Measure/3"));
        EXPECT_EQ("Passed", ResultOf("Add/negatives"));
        SelectTest("Measure/1");
        Run(IDM_RUN_TEST_FUNCTION);
        EXPECT_EQ("Passed", ResultOf("Measure/1"));
        const Progress progress = ReadProgress(GetDlgItem(window_, IDC_PROGRESS));
        EXPECT_EQ(1, progress.maximum);
        ExitRunner();
    }
}

}  // namespace
