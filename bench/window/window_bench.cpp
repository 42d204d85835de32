// Opening 10,000 test functions (or NORVIK_BENCH_TESTS) in the runner's window through its Open dialog
// (timed from the dialog's end, when the runner starts loading, to the runner's
// next idle moment, with the dialog's own closing shown apart), then (in the window's
// own process) expanding the whole tree and reloading, then running them all
// from the window (command 120), each test repainted as it finishes: once in the
// window's own process and once in a worker process. In its own process it also
// times selecting every test (command 142) and sorting the result list by each
// column, and measures what the open library adds to the runner's resident set
// (opened, after expanding and reloading, and after the run) against what the
// library's own records of the same tests add to this program's, as registered and
// once they ran. With NORVIK_BENCH_FAILING_EVERY, each window then runs
// the failures again (F8), and with NORVIK_BENCH_RERUN_EXPANDED too, the window's own
// process once more with the whole tree expanded.
// Run under a virtual X server:
//   xvfb-run -a /usr/lib/wine/wine64 build/win64/bin/window_bench.exe
#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_support.h"
#include "library_loader.h"
#include "norvik.h"
#include "resources/resource.h"

namespace {

// A run of 100,000 tests in worker processes takes over a minute on a loaded machine.
constexpr DWORD kWaitMilliseconds = 300000;
// As many as the test DLL registers: NORVIK_BENCH_TESTS, 10,000 when unset.
const int kExpectedTests = bench::EnvironmentNumber("NORVIK_BENCH_TESTS", 10000);
// Every N-th test fails, from the first on: NORVIK_BENCH_FAILING_EVERY, none when unset.
// With failures, each window then runs them again (F8), timed and checked.
const int kFailingEvery = bench::EnvironmentNumber("NORVIK_BENCH_FAILING_EVERY", 0);
const int kFailingTests = kFailingEvery > 0 ? (kExpectedTests + kFailingEvery - 1) / kFailingEvery : 0;
constexpr int kFileNameBox = cmb13;  // the Open dialog's file name box

std::string BuiltFile(const char *name) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

struct Search {
    DWORD processId;
    const char *title;
    HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM parameter) {
    auto *search = reinterpret_cast<Search *>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    if (processId == search->processId && IsWindowVisible(window) && search->title == std::string(text)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Polls every millisecond, so the time it returns at is the time the title appeared.
HWND WaitForWindow(DWORD processId, const std::string &title) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < kWaitMilliseconds; Sleep(1)) {
        Search search = {processId, title.c_str(), nullptr};
        EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
    }
    return nullptr;
}

// Returns once the window's thread has handled everything before.
LRESULT SendAndWait(HWND window, UINT message, WPARAM wParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, message, wParam, 0, SMTO_NORMAL, kWaitMilliseconds, &result);
    return static_cast<LRESULT>(result);
}

// Reads the result column of a row through memory in the runner's process.
std::string RowResult(HWND list, int row) {
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    char *remote = static_cast<char *>(VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    LVITEMA item = {};
    item.iSubItem = 3;
    item.pszText = remote + 1024;
    item.cchTextMax = 64;
    WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote));
    char text[64] = "";
    ReadProcessMemory(process, remote + 1024, text, sizeof text - 1, nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return text;
}

bool LastRowPassed(HWND list) { return RowResult(list, kExpectedTests - 1) == "Passed"; }

// The runner reads its settings from a key of the bench's own, so that the user's
// stay as they are.
constexpr char kSettingsKey[] = "Software\\Norvik\\WindowBench";

void RememberWhereTestsRun(bool separateProcess) {
    HKEY key = nullptr;
    bench::Require(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                   nullptr) == ERROR_SUCCESS,
                   "the settings key");
    const char *value = separateProcess ? "1" : "0";
    RegSetValueExA(key, "SeparateProcess", 0, REG_SZ, reinterpret_cast<const BYTE *>(value), 2);
    RegCloseKey(key);
}

// How live the window stayed during a run: the longest it took to answer the
// progress bar's position while tests were still to finish (the run's end, which
// sizes the columns to every row, apart), and how many different positions it showed.
struct Liveness {
    double longestAnswerSeconds = 0;
    double endAnswerSeconds = 0;
    int positionsSeen = 0;
};

// The run is over when each of its tests finished and the window offers Run again: a
// run in a worker process returns from the command at once.
Liveness WaitForTheRunsEnd(HWND window, int tests) {
    const HWND progress = GetDlgItem(window, IDC_PROGRESS);
    const HWND runButton = GetDlgItem(window, IDM_RUN_SELECTED);
    Liveness liveness;
    LRESULT lastPosition = -1;
    for (bench::Stopwatch waiting; waiting.Elapsed() < kWaitMilliseconds / 1000.0; Sleep(1)) {
        bench::Stopwatch answering;
        const LRESULT position = SendAndWait(progress, PBM_GETPOS, 0);
        double &longest = position < tests ? liveness.longestAnswerSeconds : liveness.endAnswerSeconds;
        longest = std::max(longest, answering.Elapsed());
        if (position != lastPosition) {
            ++liveness.positionsSeen;
            lastPosition = position;
        }
        if (position == tests && SendAndWait(progress, PBM_GETRANGE, FALSE) == tests && IsWindowEnabled(runButton)) {
            break;
        }
    }
    return liveness;
}

// Every test's item exists once the whole tree is expanded; the batches come on top.
bool TreeHoldsEveryTest(HWND window) {
    return SendAndWait(GetDlgItem(window, IDC_TEST_TREE), TVM_GETCOUNT, 0) > kExpectedTests;
}

// Carries out a command on the tree and has the tree paint what it now shows, which
// sets out every item shown: the user waits for that too.
void CommandTheTree(HWND window, WORD command) {
    SendAndWait(window, WM_COMMAND, command);
    SendAndWait(GetDlgItem(window, IDC_TEST_TREE), WM_PAINT, 0);
}

// Expands every batch (F2), then reloads the library with the tree so, which expands
// them all again, and collapses them before the run so that it paints as before.
void TimeTheTreeAndReloading(HWND window) {
    bench::Stopwatch expanding;
    CommandTheTree(window, IDM_EXPAND_TREE);
    const double expandSeconds = expanding.Elapsed();
    bench::Require(TreeHoldsEveryTest(window), "an item for every test once expanded");

    bench::Stopwatch reloading;
    CommandTheTree(window, IDM_RELOAD_LIBRARY);
    const double reloadSeconds = reloading.Elapsed();
    bench::Require(TreeHoldsEveryTest(window), "every batch expanded again after the reload");
    bench::Require(SendAndWait(GetDlgItem(window, IDC_RESULT_LIST), LVM_GETITEMCOUNT, 0) == kExpectedTests,
                   "a row for every test after the reload");

    bench::Stopwatch collapsing;
    CommandTheTree(window, IDM_COLLAPSE_TREE);
    const double collapseSeconds = collapsing.Elapsed();
    std::printf("tests=%d expand_all_seconds=%.3f reload_expanded_seconds=%.3f collapse_all_seconds=%.3f\n",
                kExpectedTests, expandSeconds, reloadSeconds, collapseSeconds);
}

// Runs the failed tests again (F8) after a run of all. The failing tests fail again and
// nothing else runs: each other row reads as not run, the result the window gives a
// test that a run of some tests reset.
void TimeRunningTheFailuresAgain(HWND window, const char *where, const char *tree = "collapsed") {
    bench::Stopwatch rerunning;
    SendAndWait(window, WM_COMMAND, IDM_RUN_FAILED);
    WaitForTheRunsEnd(window, kFailingTests);
    const double seconds = rerunning.Elapsed();
    const HWND progress = GetDlgItem(window, IDC_PROGRESS);
    bench::Require(SendAndWait(progress, PBM_GETRANGE, FALSE) == kFailingTests &&
                       SendAndWait(progress, PBM_GETPOS, 0) == kFailingTests,
                   "the progress of the failures run again");
    const HWND results = GetDlgItem(window, IDC_RESULT_LIST);
    bench::Require(SendAndWait(results, LVM_GETITEMCOUNT, 0) == kExpectedTests, "a row for every test after F8");
    for (int failing = 0; failing < kExpectedTests; failing += kFailingEvery) {
        bench::Require(RowResult(results, failing) == "Failed", "a failing test failed again");
        if (failing + 1 < kExpectedTests) {
            bench::Require(RowResult(results, failing + 1) == "Skipped", "a passed test not run again");
        }
    }
    bench::Require(RowResult(results, kExpectedTests - 1) == "Skipped", "the last test not run again");
    std::printf("tests=%d run=%s tree=%s failing=%d run_failed_seconds=%.3f\n", kExpectedTests, where, tree,
                kFailingTests, seconds);
}

// A run of every test, timed until the window offers Run again, with how live the
// window stayed; every test must have finished, the last one passed.
struct TimedRun {
    double seconds;
    Liveness liveness;
};

TimedRun RunAll(HWND window) {
    bench::Stopwatch running;
    PostMessageA(window, WM_COMMAND, IDM_RUN_SELECTED, 0);
    const Liveness liveness = WaitForTheRunsEnd(window, kExpectedTests);
    const double seconds = running.Elapsed();
    bench::Require(SendAndWait(GetDlgItem(window, IDC_PROGRESS), PBM_GETPOS, 0) == kExpectedTests,
                   "every test finished");
    bench::Require(LastRowPassed(GetDlgItem(window, IDC_RESULT_LIST)), "the last row's result");
    return {seconds, liveness};
}

// Runs every test again with every test's item in the tree: the run changes each
// item's mark, and only those in sight are worth a repaint.
void TimeRunningAllExpanded(HWND window, const char *where) {
    CommandTheTree(window, IDM_EXPAND_TREE);
    bench::Require(TreeHoldsEveryTest(window), "an item for every test before the run");
    const TimedRun run = RunAll(window);
    std::printf("tests=%d run=%s tree=expanded run_all_seconds=%.3f longest_answer_ms=%.0f\n", kExpectedTests, where,
                run.seconds, run.liveness.longestAnswerSeconds * 1000.0);
    SendAndWait(window, WM_COMMAND, IDM_COLLAPSE_TREE);
}

// A process's resident set (its working set), in bytes.
size_t ResidentBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.WorkingSetSize : 0;
}

// What the library's own records of the tests add to this program's resident set: the
// test DLL loaded and its tests registered as the runner's loader does it, no view;
// then once they all ran, when the records hold their results too.
struct LibraryRecords {
    size_t registeredBytes = 0;
    size_t ranBytes = 0;
};

LibraryRecords LibraryRecordBytes() {
    const size_t before = ResidentBytes(GetCurrentProcess());
    bench::Require(loader::LoadTestLibrary(BuiltFile("bench_trivial_library.dll").c_str()) == loader::LoadFailure::None,
                   "the library loaded in the benchmark");
    const size_t registered = ResidentBytes(GetCurrentProcess());
    NvkBatchRun(nullptr);
    const size_t ran = ResidentBytes(GetCurrentProcess());
    loader::ReleaseTestLibrary();
    return {registered > before ? registered - before : 0, ran > before ? ran - before : 0};
}

// Times the command that checks every test, from a state with none checked.
void TimeSelectAll(HWND window) {
    SendAndWait(window, WM_COMMAND, IDM_SELECT_NONE);
    bench::Stopwatch selecting;
    SendAndWait(window, WM_COMMAND, IDM_SELECT_ALL);
    const double seconds = selecting.Elapsed();
    std::printf("tests=%d select_all_seconds=%.3f\n", kExpectedTests, seconds);
}

// Clicks a column's header as the mouse does; returns once the list is sorted.
void ClickColumnHeader(HWND list, int column) {
    const auto header = reinterpret_cast<HWND>(SendAndWait(list, LVM_GETHEADER, 0));
    int left = 0;
    for (int before = 0; before < column; ++before) {
        left += static_cast<int>(SendAndWait(list, LVM_GETCOLUMNWIDTH, before));
    }
    const LPARAM point = MAKELPARAM(left + 8, 5);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(header, WM_LBUTTONDOWN, MK_LBUTTON, point, SMTO_NORMAL, kWaitMilliseconds, &result);
    SendMessageTimeoutA(header, WM_LBUTTONUP, 0, point, SMTO_NORMAL, kWaitMilliseconds, &result);
}

// Times sorting the result list by each of its seven columns in turn, then sorts it by
// one of its name columns, which leaves the last test on the last row for its check.
void TimeSortByEachColumn(HWND list) {
    constexpr int kColumns = 7;
    double slowest = 0;
    for (int column = 0; column < kColumns; ++column) {
        bench::Stopwatch sorting;
        ClickColumnHeader(list, column);
        slowest = std::max(slowest, sorting.Elapsed());
    }
    ClickColumnHeader(list, 1);
    bench::Require(SendAndWait(list, LVM_GETITEMCOUNT, 0) == kExpectedTests, "a row for every test after sorting");
    std::printf("tests=%d sort_slowest_column_seconds=%.3f\n", kExpectedTests, slowest);
}

void PrintMemory(const char *when, size_t runnerBytes, size_t libraryBytes) {
    std::printf("tests=%d memory_%s_runner_mb=%.1f library_records_mb=%.1f ratio=%.2f\n", kExpectedTests, when,
                runnerBytes / 1048576.0, libraryBytes / 1048576.0,
                libraryBytes > 0 ? static_cast<double>(runnerBytes) / static_cast<double>(libraryBytes) : 0.0);
}

// How the window is driven: in its own process with the tree's steps before the run,
// and then the way most runs go, opened and run with no step between, in its own
// process and in a worker process.
struct WindowPass {
    bool separateProcess;
    bool treeSteps;
    const char *where;
    bool runsFailuresAgain;
};

constexpr WindowPass kWindowPasses[] = {{false, true, "own_process", true},
                                        {false, false, "own_process_plain", false},
                                        {true, false, "separate_process", true}};

void TimeTheWindow(const WindowPass &pass, const LibraryRecords &records) {
    RememberWhereTestsRun(pass.separateProcess);
    std::string commandLine = "\"" + BuiltFile("WindowsNorvik.exe") + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    char desktopName[] = "NorvikWindowBench";
    startup.lpDesktop = desktopName;
    PROCESS_INFORMATION process = {};
    bench::Require(
        CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) != 0,
        "starting the runner");
    const HWND window = WaitForWindow(process.dwProcessId, "Windows Norvik");
    bench::Require(window != nullptr, "the runner's window");
    SendAndWait(window, WM_NULL, 0);
    const size_t emptyBytes = ResidentBytes(process.hProcess);

    PostMessageA(window, WM_COMMAND, IDM_OPEN_LIBRARY, 0);
    const HWND dialog = WaitForWindow(process.dwProcessId, "Open");
    bench::Require(dialog != nullptr, "the Open dialog");
    const std::string library = BuiltFile("bench_trivial_library.dll");
    SetDlgItemTextA(dialog, kFileNameBox, library.c_str());
    bench::Stopwatch fromOk;
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    // The runner starts loading once the dialog is gone.
    while (IsWindow(dialog) && fromOk.Elapsed() < kWaitMilliseconds / 1000.0) {
        Sleep(1);
    }
    bench::Stopwatch opening;
    bench::Require(WaitForWindow(process.dwProcessId, library + " - Windows Norvik") != nullptr, "the library opened");
    SendAndWait(window, WM_NULL, 0);
    const double openSeconds = opening.Elapsed();
    const double fromOkSeconds = fromOk.Elapsed();
    const HWND results = GetDlgItem(window, IDC_RESULT_LIST);
    bench::Require(SendAndWait(results, LVM_GETITEMCOUNT, 0) == kExpectedTests, "a row for every test");
    const size_t openBytes = ResidentBytes(process.hProcess);
    if (pass.treeSteps) {
        TimeTheTreeAndReloading(window);
    }
    // Expanding every batch and reloading leave their part too: the run's own is
    // what comes after.
    const size_t beforeRunBytes = ResidentBytes(process.hProcess);

    const TimedRun run = RunAll(window);
    const double runSeconds = run.seconds;
    const Liveness &liveness = run.liveness;

    const char *where = pass.where;
    std::printf("tests=%d run=%s open_seconds=%.3f open_with_dialog_closing_seconds=%.3f\n", kExpectedTests, where,
                openSeconds, fromOkSeconds);
    std::printf(
        "tests=%d run=%s run_all_seconds=%.3f per_test_ms=%.3f longest_answer_ms=%.0f end_answer_ms=%.0f "
        "positions_seen=%d\n",
        kExpectedTests, where, runSeconds, runSeconds * 1000.0 / kExpectedTests, liveness.longestAnswerSeconds * 1000.0,
        liveness.endAnswerSeconds * 1000.0, liveness.positionsSeen);
    if (pass.treeSteps) {
        PrintMemory("opened", openBytes - std::min(openBytes, emptyBytes), records.registeredBytes);
        PrintMemory("before_run", beforeRunBytes - std::min(beforeRunBytes, emptyBytes), records.registeredBytes);
        const size_t ranBytes = ResidentBytes(process.hProcess);
        PrintMemory("after_run", ranBytes - std::min(ranBytes, emptyBytes), records.registeredBytes);
        PrintMemory("after_run_against_ran_records", ranBytes - std::min(ranBytes, emptyBytes), records.ranBytes);
    } else {
        // Opened and run, with no step between: what a window holds in plain use.
        const size_t ranBytes = ResidentBytes(process.hProcess);
        const std::string run = pass.separateProcess ? "worker_run" : "own_run";
        const std::string opened = "opened_" + run;
        const std::string after = "after_plain_" + run;
        PrintMemory(opened.c_str(), openBytes - std::min(openBytes, emptyBytes), records.registeredBytes);
        PrintMemory(after.c_str(), ranBytes - std::min(ranBytes, emptyBytes), records.registeredBytes);
        PrintMemory((after + "_against_ran_records").c_str(), ranBytes - std::min(ranBytes, emptyBytes),
                    records.ranBytes);
    }
    // The rows are still in their first order, which the check of the failures needs.
    if (kFailingTests > 0 && pass.runsFailuresAgain) {
        TimeRunningTheFailuresAgain(window, where);
    }
    // Again with every test's item in the tree, whose marks and boxes the run leaves,
    // with NORVIK_BENCH_RERUN_EXPANDED set: a runner that sets each box one by one
    // takes far longer than the rest of the benchmark.
    if (kFailingTests > 0 && pass.treeSteps && std::getenv("NORVIK_BENCH_RERUN_EXPANDED") != nullptr) {
        SendAndWait(window, WM_COMMAND, IDM_EXPAND_TREE);
        TimeRunningTheFailuresAgain(window, where, "expanded");
        SendAndWait(window, WM_COMMAND, IDM_COLLAPSE_TREE);
    }
    if (pass.treeSteps) {
        const std::string lastResult = RowResult(results, kExpectedTests - 1);
        TimeSelectAll(window);
        TimeSortByEachColumn(results);
        bench::Require(RowResult(results, kExpectedTests - 1) == lastResult, "the last row's result after sorting");
        TimeRunningAllExpanded(window, where);
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    WaitForSingleObject(process.hProcess, kWaitMilliseconds);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace

int main() {
    // A desktop of our own on the virtual display, as the window tests use.
    HDESK desktop = CreateDesktopA("NorvikWindowBench", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    bench::Require(desktop != nullptr && SetThreadDesktop(desktop), "a desktop of our own");
    SetEnvironmentVariableA("NORVIK_WINDOW_SETTINGS", kSettingsKey);
    const LibraryRecords library = LibraryRecordBytes();
    for (const WindowPass &pass : kWindowPasses) {
        TimeTheWindow(pass, library);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    CloseDesktop(desktop);
    return 0;
}
