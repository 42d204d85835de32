#include "window/commands.h"

#include "norvik.h"
#include "resources/resource.h"
#include "rules/command_rules.h"
#include "views/tree_view.h"
#include "views/xml_view.h"
#include "window/about_box.h"
#include "window/current_test_function.h"
#include "window/library_commands.h"
#include "window/main_window.h"
#include "window/report_options_dialog.h"

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
    {IDM_SAVE_RESULTS, OfferRule::ReportShown, false, ShowReportOptionsDialog},
    {IDM_EXIT, OfferRule::Always, false, Exit},
    {IDM_ABOUT, OfferRule::Always, false, ShowAboutBox},
    {IDM_RUN_SELECTED, OfferRule::BatchAvailable, true, RunAll},
    {IDM_RUN_BATCH, OfferRule::BatchAvailable, false, RunAvailableBatch},
    {IDM_RUN_TEST_FUNCTION, OfferRule::CurrentTestFunction, false, RunCurrentTestFunction},
    {IDM_SELECT_ALL, OfferRule::BatchAvailable, true, SelectAll},
    {IDM_SELECT_NONE, OfferRule::BatchAvailable, true, SelectNone},
    {IDM_EXPAND_TREE, OfferRule::BatchAvailable, false, Expand},
    {IDM_COLLAPSE_TREE, OfferRule::BatchAvailable, false, Collapse},
    {IDM_LIST_VIEW, OfferRule::NotInListMode, false, ShowList},
    {IDM_XML_VIEW, OfferRule::NotInXmlMode, false, ShowXml},
};

WindowFacts GatherFacts() {
    WindowFacts facts;
    facts.batchAvailable = AvailableBatch() != nullptr;
    facts.reportShown = XmlViewHasText();
    facts.currentTestFunction = CurrentTestFunction() != nullptr;
    facts.listMode = CurrentViewMode() == ViewMode::List;
    return facts;
}

void ShowViewChecks(HMENU menu, bool listMode) {
    CheckMenuItem(menu, IDM_LIST_VIEW, MF_BYCOMMAND | (listMode ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, IDM_XML_VIEW, MF_BYCOMMAND | (listMode ? MF_UNCHECKED : MF_CHECKED));
}

BOOL CALLBACK EnableChild(HWND child, LPARAM enable) {
    EnableWindow(child, static_cast<BOOL>(enable));
    return TRUE;
}

}  // namespace

void RunCommand(HWND mainWindow, WORD commandId) {
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
