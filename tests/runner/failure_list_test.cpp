// The failure list drawn from the window's copies of a run: a test's failures, its
// skip reason, and then its output, one row a line, which opens nothing.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "norvik.h"
#include "own_desktop.h"
#include "registry_fixture.h"
#include "resources/program_resources.h"
#include "runner_process.h"
#include "views/failure_list.h"

namespace {

// Wine takes a process's display driver from the desktop it first draws on, and the
// shared desktop may have none: the tests run again in a child on a desktop of the
// program's own, and this process ends with the child's verdict.
class ChildOnOwnDesktop final : public OwnDesktop {
public:
    void SetUp() override {
        if (GetEnvironmentVariableA(kChildMark, nullptr, 0) != 0) {
            return;
        }
        OwnDesktop::SetUp();
        SetEnvironmentVariableA(kChildMark, "1");
        char program[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, program, MAX_PATH);
        std::string desktop = OwnDesktop::Name();
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.lpDesktop = &desktop[0];
        PROCESS_INFORMATION child = {};
        ASSERT_TRUE(CreateProcessA(program, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child));
        DWORD exitCode = 1;
        if (WaitForSingleObject(child.hProcess, 120000) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(child.hProcess, &exitCode)) {
            TerminateProcess(child.hProcess, 1);
        }
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
        OwnDesktop::TearDown();
        std::exit(exitCode == 0 ? 0 : 1);
    }
    // The child made no desktop and no settings key: it has nothing to remove.
    void TearDown() override {}

private:
    static constexpr char kChildMark[] = "NORVIK_FAILURE_LIST_CHILD";
};

const auto *const ownDesktop = ::testing::AddGlobalTestEnvironment(new ChildOnOwnDesktop);

runner::TestResult shownResult;
int sourcesOpened = 0;
int openedLine = -1;

std::vector<std::vector<std::string>> Rows(HWND list) {
    std::vector<std::vector<std::string>> rows;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < 2; ++column) {
            char text[256] = "";
            LVITEMA item = {};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
            cells.push_back(text);
        }
        rows.push_back(cells);
    }
    return rows;
}

class FailureListView : public RegistryTest {
protected:
    static void SetUpTestSuite() {
        program_ = LoadLibraryExA(BuiltFile("WindowsNorvik.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        runner::RecordProgramInstance(program_);
        InitCommonControls();
    }
    static void TearDownTestSuite() { FreeLibrary(program_); }

    void SetUp() override {
        RegistryTest::SetUp();
        list_ = CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT | LVS_SINGLESEL, 0, 0, 400, 300, nullptr,
                                nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, list_);
        runner::ViewContext context;
        context.resultOf = [](NvkTestFunction *) -> const runner::TestResult * { return &shownResult; };
        context.openFailure = [](HWND, const runner::TestResult &, const run::Failure &failure) {
            ++sourcesOpened;
            openedLine = failure.line;
        };
        context.openTestFunction = [](HWND, NvkTestFunction *) { ++sourcesOpened; };
        runner::SetUpFailureList(list_, context);
        test_ = NvkBatchAddFunctionAt(NvkBatchCreate("B"), "Prints", Proc<1>, "b.c", 40);
        shownResult = runner::TestResult();
        shownResult.progress = runner::TestResult::Progress::Ended;
        static run::TestIdentity identity;
        identity.line = 40;
        shownResult.identity = &identity;
        sourcesOpened = 0;
        openedLine = -1;
    }
    void TearDown() override {
        DestroyWindow(list_);
        RegistryTest::TearDown();
    }

    // Double-clicks the row as the user would.
    void OpenRow(int row) {
        LVITEMA state = {};
        state.stateMask = LVIS_SELECTED;
        state.state = LVIS_SELECTED;
        SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
        NMHDR header = {};
        header.hwndFrom = list_;
        header.code = NM_DBLCLK;
        runner::FailureListHandleMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
    }

    static HMODULE program_;
    HWND list_ = nullptr;
    NvkTestFunction *test_ = nullptr;
};

HMODULE FailureListView::program_ = nullptr;

// A crash reads at line 0, as the library records it, though it opens where its
// test is defined; output rows open nothing.
TEST_F(FailureListView, ShowsTheOutputBelowTheFailuresEachOpeningItsPlace) {
    shownResult.ending = run::Ending::Crashed;
    run::Failure check;
    check.line = 12;
    check.message = "seven";
    run::Failure crash;
    crash.line = 40;
    crash.atDefinition = true;
    crash.message = "A crash";
    crash.crashDetails = "signal 11";
    shownResult.details = std::make_unique<runner::TestDetails>();
    shownResult.details->failures = {check, crash};
    shownResult.details->output = "first line\r\nno end";

    runner::FailureListRefill(test_);
    const std::vector<std::vector<std::string>> expected = {
        {"12", "seven"}, {"0", "A crash: signal 11"}, {"Output", "first line"}, {"Output", "no end"}};
    EXPECT_EQ(expected, Rows(list_));
    OpenRow(1);
    EXPECT_EQ(40, openedLine);
    OpenRow(0);
    EXPECT_EQ(12, openedLine);
    OpenRow(2);
    EXPECT_EQ(2, sourcesOpened);
}

// A test that skipped itself shows its reason, which opens its definition, before
// its output.
TEST_F(FailureListView, ShowsTheOutputAfterASkipReason) {
    shownResult.ending = run::Ending::Skipped;
    shownResult.details = std::make_unique<runner::TestDetails>();
    shownResult.details->reason = "no network";
    shownResult.details->output = "checked\n";

    runner::FailureListRefill(test_);
    const std::vector<std::vector<std::string>> expected = {{"40", "no network"}, {"Output", "checked"}};
    EXPECT_EQ(expected, Rows(list_));
    OpenRow(1);
    EXPECT_EQ(0, sourcesOpened);
    OpenRow(0);
    EXPECT_EQ(1, sourcesOpened);
}

}  // namespace
