#include "window/commands.h"

#include <utility>
#include <vector>

#include "library_loader.h"
#include "norvik.h"
#include "resources/resource.h"
#include "rules/command_rules.h"
#include "views/tree_view.h"
#include "views/xml_view.h"
#include "window/about_box.h"
#include "window/current_test_function.h"
#include "window/library_commands.h"
#include "window/main_window.h"
#include "window/remembered_state.h"
#include "window/report_options_dialog.h"
#include "window/source_opening.h"

namespace runner {
namespace {

void OpenChosenLibrary(HWND window) {
    const RunnerString path = ChooseTestLibrary(window);
    if (path.Get() != nullptr) {
        OpenTestLibrary(window, path.Get());
    }
}

void Exit(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

void RunAll(HWND) { NvkBatchRun(nullptr); }

// NULL would mean every batch to the library, so no batch runs nothing.
void RunAvailableBatch(HWND) {
    if (NvkBatch *batch = AvailableBatch()) {
        NvkBatchRun(batch);
    }
}

void RunCurrentTestFunction(HWND) { NvkTestFunctionRun(CurrentTestFunction()); }

bool FailedInLastRun(NvkTestFunction *testFunction) {
    int32_t failures = 0;
    return NvkTestFunctionGetStatistics(testFunction, nullptr, &failures, nullptr) != 0 && failures > 0;
}

template <typename Visit>
void ForEachTestFunction(Visit visit) {
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch)) {
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
             test = NvkTestFunctionGetNext(test)) {
            visit(test);
        }
    }
}

bool AnyFailedInLastRun() {
    bool any = false;
    ForEachTestFunction([&any](NvkTestFunction *test) { any = any || FailedInLastRun(test); });
    return any;
}

// The run goes through the skip flags like every run, so they are set to the failed
// tests for its span and put back afterwards: the check boxes end as they were.
void RunFailed(HWND) {
    std::vector<std::pair<NvkTestFunction *, int32_t>> selection;
    ForEachTestFunction([&selection](NvkTestFunction *test) {
        selection.emplace_back(test, NvkTestFunctionGetSkip(test));
        NvkTestFunctionSetSkip(test, FailedInLastRun(test) ? 0 : 1);
    });
    NvkBatchRun(nullptr);
    for (const auto &kept : selection) {
        NvkTestFunctionSetSkip(kept.first, kept.second);
    }
}

void Reload(HWND window) { ReloadTestLibrary(window); }

void ToggleAutoReload(HWND) {
    Remembered().autoReload = !Remembered().autoReload;
    StoreFlags();
}

void ToggleRunAfterReload(HWND) {
    Remembered().runAfterReload = !Remembered().runAfterReload;
    StoreFlags();
}

// Takes effect at the next open or reload.
void ToggleShadowCopy(HWND) {
    Remembered().shadowCopy = !Remembered().shadowCopy;
    StoreFlags();
}

void SelectAll(HWND) { NvkBatchSkip(nullptr, 0); }

void SelectNone(HWND) { NvkBatchSkip(nullptr, 1); }

void Expand(HWND) { ExpandEntireTree(true); }

void Collapse(HWND) { ExpandEntireTree(false); }

void ShowList(HWND) { SwitchViewMode(ViewMode::List); }

void ShowXml(HWND) { SwitchViewMode(ViewMode::Xml); }

struct Command {
    WORD id;
    OfferRule menuRule;
    // Buttons that follow the rule; the others are always offered.
    bool buttonFollowsRule;
    void (*action)(HWND);
};

const Command kCommands[] = {
    {IDM_OPEN_LIBRARY, OfferRule::Always, false, OpenChosenLibrary},
    {IDM_CLOSE_LIBRARY, OfferRule::BatchAvailable, true, CloseTestLibrary},
    {IDM_RELOAD_LIBRARY, OfferRule::LibraryOpen, false, Reload},
    {IDM_AUTO_RELOAD, OfferRule::Always, false, ToggleAutoReload},
    {IDM_RUN_AFTER_RELOAD, OfferRule::Always, false, ToggleRunAfterReload},
    {IDM_SHADOW_COPY, OfferRule::Always, false, ToggleShadowCopy},
    {IDM_SAVE_RESULTS, OfferRule::ReportShown, false, ShowReportOptionsDialog},
    {IDM_EXIT, OfferRule::Always, false, Exit},
    {IDM_ABOUT, OfferRule::Always, false, ShowAboutBox},
    {IDM_RUN_SELECTED, OfferRule::BatchAvailable, true, RunAll},
    {IDM_RUN_BATCH, OfferRule::BatchAvailable, false, RunAvailableBatch},
    {IDM_RUN_TEST_FUNCTION, OfferRule::CurrentTestFunction, false, RunCurrentTestFunction},
    {IDM_RUN_FAILED, OfferRule::FailuresRecorded, false, RunFailed},
    {IDM_SELECT_ALL, OfferRule::BatchAvailable, true, SelectAll},
    {IDM_SELECT_NONE, OfferRule::BatchAvailable, true, SelectNone},
    {IDM_EXPAND_TREE, OfferRule::BatchAvailable, false, Expand},
    {IDM_COLLAPSE_TREE, OfferRule::BatchAvailable, false, Collapse},
    {IDM_LIST_VIEW, OfferRule::NotInListMode, false, ShowList},
    {IDM_XML_VIEW, OfferRule::NotInXmlMode, false, ShowXml},
    {IDM_EDITOR_COMMAND, OfferRule::Always, false, ShowEditorCommandDialog},
};

WindowFacts GatherFacts() {
    WindowFacts facts;
    facts.batchAvailable = AvailableBatch() != nullptr;
    facts.reportShown = XmlViewHasText();
    facts.currentTestFunction = CurrentTestFunction() != nullptr;
    facts.listMode = CurrentViewMode() == ViewMode::List;
    facts.libraryOpen = loader::IsTestLibraryLoaded();
    facts.failuresRecorded = facts.batchAvailable && AnyFailedInLastRun();
    return facts;
}

void ShowViewChecks(HMENU menu, bool listMode) {
    CheckMenuItem(menu, IDM_LIST_VIEW, MF_BYCOMMAND | (listMode ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, IDM_XML_VIEW, MF_BYCOMMAND | (listMode ? MF_UNCHECKED : MF_CHECKED));
}

void ShowCheckItem(HMENU menu, UINT id, bool checked) {
    CheckMenuItem(menu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

BOOL CALLBACK EnableChild(HWND child, LPARAM enable) {
    EnableWindow(child, static_cast<BOOL>(enable));
    return TRUE;
}

}  // namespace

void RunCommand(HWND mainWindow, WORD commandId) {
    if (commandId >= IDM_RECENT_FIRST && commandId <= IDM_RECENT_LAST) {
        OpenRecentFile(mainWindow, static_cast<size_t>(commandId - IDM_RECENT_FIRST));
        return;
    }
    for (const Command &command : kCommands) {
        if (command.id == commandId && command.action != nullptr) {
            command.action(mainWindow);
            return;
        }
    }
}

void UpdateCommandState(HWND mainWindow) {
    if (AvailableBatch() == nullptr) {
        ClearCurrentTestFunction();
    }
    const WindowFacts facts = GatherFacts();
    const HMENU menu = GetMenu(mainWindow);
    for (const Command &command : kCommands) {
        const bool offered = IsOffered(command.menuRule, facts);
        EnableMenuItem(menu, command.id, MF_BYCOMMAND | (offered ? MF_ENABLED : MF_GRAYED | MF_DISABLED));
        if (command.buttonFollowsRule) {
            EnableWindow(GetDlgItem(mainWindow, command.id), offered);
        }
    }
    ShowViewChecks(menu, facts.listMode);
    ShowCheckItem(menu, IDM_AUTO_RELOAD, Remembered().autoReload);
    ShowCheckItem(menu, IDM_RUN_AFTER_RELOAD, Remembered().runAfterReload);
    ShowCheckItem(menu, IDM_SHADOW_COPY, Remembered().shadowCopy);
    DrawMenuBar(mainWindow);
}

void UpdateRunningState(HWND mainWindow) {
    const bool running = NvkIsRunning() != 0;
    const HMENU menu = GetMenu(mainWindow);
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        EnableMenuItem(menu, static_cast<UINT>(position), MF_BYPOSITION | (running ? MF_GRAYED : MF_ENABLED));
    }
    DrawMenuBar(mainWindow);
    EnumChildWindows(mainWindow, EnableChild, running ? FALSE : TRUE);
    SetCursor(LoadCursorA(nullptr, running ? IDC_WAIT : IDC_ARROW));
}

}  // namespace runner
