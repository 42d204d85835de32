// Opening 10,000 test functions (or NORVIK_BENCH_TESTS) in the runner's window through its Open dialog
// (timed from the dialog's end, when the runner starts loading, to the runner's
// next idle moment, with the dialog's own closing shown apart), then (in the window's
// own process) expanding the whole tree and reloading, then running them all
// from the window (command 120), each test repainted as it finishes: once in the
// window's own process and once in a worker process. Run under a virtual X server:
//   xvfb-run -a /usr/lib/wine/wine64 build/win64/bin/window_bench.exe
#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_support.h"
#include "resources/resource.h"

namespace {

constexpr DWORD kWaitMilliseconds = 120000;
// As many as the test DLL registers: NORVIK_BENCH_TESTS, 10,000 when unset.
const int kExpectedTests = [] {
    const char *wanted = std::getenv("NORVIK_BENCH_TESTS");
    return wanted != nullptr ? std::atoi(wanted) : 10000;
}();
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

// Reads the result column of the last row through memory in the runner's process.
bool LastRowPassed(HWND list) {
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    char *remote = static_cast<char *>(VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    LVITEMA item = {};
    item.iSubItem = 3;
    item.pszText = remote + 1024;
    item.cchTextMax = 64;
    WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
    SendMessageA(list, LVM_GETITEMTEXTA, kExpectedTests - 1, reinterpret_cast<LPARAM>(remote));
    char text[64] = "";
    ReadProcessMemory(process, remote + 1024, text, sizeof text - 1, nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return std::string(text) == "Passed";
}

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

// The run is over when every test finished and the window offers Run again: a run in
// a worker process returns from the command at once.
void WaitForTheRunsEnd(HWND window) {
    const HWND progress = GetDlgItem(window, IDC_PROGRESS);
    const HWND runButton = GetDlgItem(window, IDM_RUN_SELECTED);
    for (bench::Stopwatch waiting; waiting.Elapsed() < kWaitMilliseconds / 1000.0; Sleep(1)) {
        if (SendAndWait(progress, PBM_GETPOS, 0) == kExpectedTests && IsWindowEnabled(runButton)) {
            return;
        }
    }
}

// Every test's item exists once the whole tree is expanded; the batches come on top.
bool TreeHoldsEveryTest(HWND window) {
    return SendAndWait(GetDlgItem(window, IDC_TEST_TREE), TVM_GETCOUNT, 0) > kExpectedTests;
}

// Expands every batch (F2), then reloads the library with the tree so, which expands
// them all again, and collapses them before the run so that it paints as before.
void TimeTheTreeAndReloading(HWND window) {
    bench::Stopwatch expanding;
    SendAndWait(window, WM_COMMAND, IDM_EXPAND_TREE);
    const double expandSeconds = expanding.Elapsed();
    bench::Require(TreeHoldsEveryTest(window), "an item for every test once expanded");

    bench::Stopwatch reloading;
    SendAndWait(window, WM_COMMAND, IDM_RELOAD_LIBRARY);
    const double reloadSeconds = reloading.Elapsed();
    bench::Require(TreeHoldsEveryTest(window), "every batch expanded again after the reload");
    bench::Require(SendAndWait(GetDlgItem(window, IDC_RESULT_LIST), LVM_GETITEMCOUNT, 0) == kExpectedTests,
                   "a row for every test after the reload");

    bench::Stopwatch collapsing;
    SendAndWait(window, WM_COMMAND, IDM_COLLAPSE_TREE);
    const double collapseSeconds = collapsing.Elapsed();
    std::printf("tests=%d expand_all_seconds=%.3f reload_expanded_seconds=%.3f collapse_all_seconds=%.3f\n",
                kExpectedTests, expandSeconds, reloadSeconds, collapseSeconds);
}

void TimeTheWindow(bool separateProcess) {
    RememberWhereTestsRun(separateProcess);
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
    if (!separateProcess) {
        TimeTheTreeAndReloading(window);
    }

    bench::Stopwatch running;
    SendAndWait(window, WM_COMMAND, IDM_RUN_SELECTED);
    WaitForTheRunsEnd(window);
    const double runSeconds = running.Elapsed();
    bench::Require(SendAndWait(GetDlgItem(window, IDC_PROGRESS), PBM_GETPOS, 0) == kExpectedTests,
                   "every test finished");
    bench::Require(LastRowPassed(results), "the last row's result");

    const char *where = separateProcess ? "separate_process" : "own_process";
    if (!separateProcess) {
        std::printf("tests=%d open_seconds=%.3f open_with_dialog_closing_seconds=%.3f\n", kExpectedTests, openSeconds,
                    fromOkSeconds);
    }
    std::printf("tests=%d run=%s run_all_seconds=%.3f per_test_ms=%.3f\n", kExpectedTests, where, runSeconds,
                runSeconds * 1000.0 / kExpectedTests);
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
    TimeTheWindow(false);
    TimeTheWindow(true);
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    CloseDesktop(desktop);
    return 0;
}
