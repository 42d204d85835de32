#include "window/remembered_state.h"

#include "resources/resource.h"
#include "rules/recent_files.h"
#include "views/list_columns.h"

namespace runner {
namespace {

constexpr char kDefaultKey[] = "Software\\Norvik\\WindowsNorvik";
constexpr int kResultColumnCount = 7;
constexpr int kFailureColumnCount = 2;

RememberedState state;

// NORVIK_WINDOW_SETTINGS names another key under HKEY_CURRENT_USER, so that runners
// can be kept apart, as the window's own tests are.
std::string SettingsKey() {
    char key[512] = "";
    const DWORD length = GetEnvironmentVariableA("NORVIK_WINDOW_SETTINGS", key, sizeof key);
    return length > 0 && length < sizeof key ? std::string(key) : std::string(kDefaultKey);
}

// A text value, or "" when it is missing or of another type.
std::string ReadText(HKEY key, const char *name) {
    char text[2048] = "";
    DWORD type = 0;
    DWORD size = sizeof text - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(text), &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::string();
    }
    text[size < sizeof text ? size : sizeof text - 1] = '\0';
    return text;
}

void WriteText(const char *name, const std::string &value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKey().c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

std::string RecentName(size_t index) { return "Recent" + std::to_string(index + 1); }

}  // namespace

RememberedState &Remembered() { return state; }

void ReadRememberedState() {
    state = RememberedState();
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey().c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return;
    }
    state.placement = ParsePlacement(ReadText(key, "Placement").c_str());
    state.xmlView = ReadText(key, "View") == "XML";
    state.resultColumns = ParseColumnWidths(ReadText(key, "ResultColumns").c_str(), kResultColumnCount);
    state.failureColumns = ParseColumnWidths(ReadText(key, "FailureColumns").c_str(), kFailureColumnCount);
    state.autoReload = ParseFlag(ReadText(key, "AutoReload").c_str(), true);
    state.runAfterReload = ParseFlag(ReadText(key, "RunAfterReload").c_str(), false);
    state.shadowCopy = ParseFlag(ReadText(key, "ShadowCopy").c_str(), true);
    state.separateProcess = ParseFlag(ReadText(key, "SeparateProcess").c_str(), true);
    state.breakOnFailure = ParseFlag(ReadText(key, "BreakOnFailure").c_str(), false);
    state.timeLimitSeconds = ParseTimeLimit(ReadText(key, "TimeLimit").c_str());
    std::vector<std::string> recent;
    for (size_t index = 0; index < kRecentFileLimit; ++index) {
        recent.push_back(ReadText(key, RecentName(index).c_str()));
    }
    state.recentFiles = CleanRecentFiles(recent);
    state.editorCommand = ReadText(key, "EditorCommand");
    RegCloseKey(key);
}

void StoreFlags() {
    WriteText("AutoReload", state.autoReload ? "1" : "0");
    WriteText("RunAfterReload", state.runAfterReload ? "1" : "0");
    WriteText("ShadowCopy", state.shadowCopy ? "1" : "0");
    WriteText("SeparateProcess", state.separateProcess ? "1" : "0");
    WriteText("BreakOnFailure", state.breakOnFailure ? "1" : "0");
    WriteText("TimeLimit", std::to_string(state.timeLimitSeconds));
}

void StoreRecentFiles() {
    for (size_t index = 0; index < kRecentFileLimit; ++index) {
        WriteText(RecentName(index).c_str(), index < state.recentFiles.size() ? state.recentFiles[index] : "");
    }
}

void StoreEditorCommand() { WriteText("EditorCommand", state.editorCommand); }

void StoreWindowState(HWND mainWindow, bool xmlView) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (GetWindowPlacement(mainWindow, &placement)) {
        const RECT &box = placement.rcNormalPosition;
        WriteText("Placement", FormatPlacement({true, box.left, box.top, box.right, box.bottom,
                                                placement.showCmd == SW_SHOWMAXIMIZED}));
    }
    WriteText("View", xmlView ? "XML" : "List");
    WriteText("ResultColumns", FormatColumnWidths(UserColumnWidths(GetDlgItem(mainWindow, IDC_RESULT_LIST))));
    WriteText("FailureColumns", FormatColumnWidths(UserColumnWidths(GetDlgItem(mainWindow, IDC_FAILURE_LIST))));
}

}  // namespace runner
