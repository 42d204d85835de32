#include "window/commands.h"

#include "library_loader.h"
#include "norvik.h"
#include "resources/resource.h"
#include "rules/command_rules.h"
#include "views/tree_view.h"
#include "views/xml_view.h"
#include "window/about_box.h"
#include "window/current_test_function.h"
#include "window/failed_rerun.h"
#include "window/library_commands.h"
#include "window/main_window.h"
#include "window/remembered_state.h"
#include "window/report_options_dialog.h"
#include "window/source_opening.h"
#include "window/test_run.h"

namespace runner {
namespace {

void OpenChosenLibrary(HWND window) {
    const RunnerString path = ChooseTestLibrary(window);
    if (path.Get() != nullptr) {
        OpenTestLibrary(window, path.Get());
    }
}

void Exit(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

void RunAll(HWND) { RunTests(run::RunRequest()); }

// NULL would mean every batch to the library, so no batch runs nothing.
void RunAvailableBatch(HWND) {
    if (NvkBatch *batch = AvailableBatch()) {
        run::RunRequest request;
        request.kind = run::RunRequest::Kind::OneBatch;
        request.batch = batch;
        RunTests(request);
    }
}

// The test function by its batch's place in the registry and its own in the batch.
bool FindPlace(NvkTestFunction *wanted, run::TestRef &place) {
    uint32_t batchIndex = 0;
    for (NvkBatch *batch = NvkBatchGetFirst(); batch != nullptr; batch = NvkBatchGetNext(batch), ++batchIndex) {
        uint32_t index = 0;
        for (NvkTestFunction *test = NvkBatchGetFirstTestFunction(batch); test != nullptr;
             test = NvkTestFunctionGetNext(test), ++index) {
            if (test == wanted) {
                place = {batchIndex, index};
                return true;
            }
        }
    }
    return false;
}

void RunCurrentTestFunction(HWND) {
    run::RunRequest request;
    request.kind = run::RunRequest::Kind::EachAlone;
    run::TestRef place;
    if (CurrentTestFunction() != nullptr && FindPlace(CurrentTestFunction(), place)) {
        request.tests.push_back(place);
        RunTests(request);
    }
}

void RunFailed(HWND) { RunFailedTestsAgain(); }

void Reload(HWND window) { ReloadTestLibrary(window); }

// A remembered check item: the shadow copy takes effect at the next open or reload,
// where the tests run and Break on Failure at the next run. The menu shows the choice
// at once: its marks, and the time limits that a separate process offers.
template <bool RememberedState::*Flag>
void Toggle(HWND window) {
    Remembered().*Flag = !(Remembered().*Flag);
    StoreFlags();
    UpdateCommandState(window);
}

void StopRun(HWND) { StopSeparateRun(); }

template <int Seconds>
void ChooseTimeLimit(HWND window) {
    Remembered().timeLimitSeconds = Seconds;
    StoreFlags();
    UpdateCommandState(window);
}

void SelectAll(HWND) { SkipEveryTest(0); }

void SelectNone(HWND) { SkipEveryTest(1); }

void Expand(HWND) { ExpandEntireTree(true); }

void Collapse(HWND) { ExpandEntireTree(false); }

void ShowList(HWND) { SwitchViewMode(ViewMode::List); }

void ShowXml(HWND) { SwitchViewMode(ViewMode::Xml); }

struct Command {
    WORD id;
    OfferRule menuRule;
    DuringRun duringRun;
    // Buttons that follow the rule; the others are always offered.
    bool buttonFollowsRule;
    void (*action)(HWND);
};

constexpr DuringRun kOffered = DuringRun::Offered;
constexpr DuringRun kHeld = DuringRun::Held;

const Command kCommands[] = {
    {IDM_OPEN_LIBRARY, OfferRule::Always, kHeld, false, OpenChosenLibrary},
    {IDM_CLOSE_LIBRARY, OfferRule::BatchAvailable, kHeld, true, CloseTestLibrary},
    {IDM_RELOAD_LIBRARY, OfferRule::LibraryOpen, kHeld, false, Reload},
    {IDM_AUTO_RELOAD, OfferRule::Always, kOffered, false, Toggle<&RememberedState::autoReload>},
    {IDM_RUN_AFTER_RELOAD, OfferRule::Always, kOffered, false, Toggle<&RememberedState::runAfterReload>},
    {IDM_SHADOW_COPY, OfferRule::Always, kOffered, false, Toggle<&RememberedState::shadowCopy>},
    {IDM_SAVE_RESULTS, OfferRule::ReportShown, kHeld, false, ShowReportOptionsDialog},
    {IDM_EXIT, OfferRule::Always, kOffered, false, Exit},
    {IDM_ABOUT, OfferRule::Always, kOffered, false, ShowAboutBox},
    {IDM_RUN_SELECTED, OfferRule::BatchAvailable, kHeld, true, RunAll},
    {IDM_RUN_BATCH, OfferRule::BatchAvailable, kHeld, false, RunAvailableBatch},
    {IDM_RUN_TEST_FUNCTION, OfferRule::CurrentTestFunction, kHeld, false, RunCurrentTestFunction},
    {IDM_RUN_FAILED, OfferRule::FailuresRecorded, kHeld, false, RunFailed},
    {IDM_STOP_RUN, OfferRule::SeparateRunInProgress, kOffered, false, StopRun},
    {IDM_SEPARATE_PROCESS, OfferRule::Always, kOffered, false, Toggle<&RememberedState::separateProcess>},
    {IDM_BREAK_ON_FAILURE, OfferRule::Always, kOffered, false, Toggle<&RememberedState::breakOnFailure>},
    {IDM_TIME_LIMIT_NONE, OfferRule::SeparateProcessChosen, kOffered, false, ChooseTimeLimit<0>},
    {IDM_TIME_LIMIT_10, OfferRule::SeparateProcessChosen, kOffered, false, ChooseTimeLimit<10>},
    {IDM_TIME_LIMIT_30, OfferRule::SeparateProcessChosen, kOffered, false, ChooseTimeLimit<30>},
    {IDM_TIME_LIMIT_60, OfferRule::SeparateProcessChosen, kOffered, false, ChooseTimeLimit<60>},
    {IDM_TIME_LIMIT_300, OfferRule::SeparateProcessChosen, kOffered, false, ChooseTimeLimit<300>},
    {IDM_SELECT_ALL, OfferRule::BatchAvailable, kHeld, true, SelectAll},
    {IDM_SELECT_NONE, OfferRule::BatchAvailable, kHeld, true, SelectNone},
    {IDM_EXPAND_TREE, OfferRule::BatchAvailable, kOffered, false, Expand},
    {IDM_COLLAPSE_TREE, OfferRule::BatchAvailable, kOffered, false, Collapse},
    {IDM_LIST_VIEW, OfferRule::NotInListMode, kOffered, false, ShowList},
    {IDM_XML_VIEW, OfferRule::NotInXmlMode, kOffered, false, ShowXml},
    {IDM_EDITOR_COMMAND, OfferRule::Always, kOffered, false, ShowEditorCommandDialog},
};

// The time limits and their items, in the order of kTimeLimits.
const WORD kTimeLimitItems[] = {IDM_TIME_LIMIT_NONE, IDM_TIME_LIMIT_10, IDM_TIME_LIMIT_30, IDM_TIME_LIMIT_60,
                                IDM_TIME_LIMIT_300};

WindowFacts GatherFacts() {
    WindowFacts facts;
    facts.batchAvailable = AvailableBatch() != nullptr;
    facts.reportShown = XmlViewHasText();
    facts.currentTestFunction = CurrentTestFunction() != nullptr;
    facts.listMode = CurrentViewMode() == ViewMode::List;
    facts.libraryOpen = loader::IsTestLibraryLoaded();
    facts.separateRunInProgress = SeparateRunInProgress();
    // The records are the run's meanwhile, and a run holds Run Failed anyway.
    facts.failuresRecorded = facts.batchAvailable && !facts.separateRunInProgress && AnyFailedInLastRun();
    facts.separateProcessChosen = Remembered().separateProcess;
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
            // Keys and context menus reach here too, also for commands held by a run.
            if (SeparateRunInProgress() && command.duringRun == DuringRun::Held) {
                return;
            }
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
        const bool offered = IsOffered(command.menuRule, command.duringRun, facts);
        EnableMenuItem(menu, command.id, MF_BYCOMMAND | (offered ? MF_ENABLED : MF_GRAYED | MF_DISABLED));
        // The other buttons are offered always, but for those a run holds.
        const bool buttonOffered =
            command.buttonFollowsRule ? offered : IsOffered(OfferRule::Always, command.duringRun, facts);
        if (const HWND button = GetDlgItem(mainWindow, command.id)) {
            EnableWindow(button, buttonOffered);
        }
    }
    ShowViewChecks(menu, facts.listMode);
    ShowCheckItem(menu, IDM_AUTO_RELOAD, Remembered().autoReload);
    ShowCheckItem(menu, IDM_RUN_AFTER_RELOAD, Remembered().runAfterReload);
    ShowCheckItem(menu, IDM_SHADOW_COPY, Remembered().shadowCopy);
    ShowCheckItem(menu, IDM_SEPARATE_PROCESS, Remembered().separateProcess);
    ShowCheckItem(menu, IDM_BREAK_ON_FAILURE, Remembered().breakOnFailure);
    for (size_t index = 0; index < sizeof kTimeLimitItems / sizeof kTimeLimitItems[0]; ++index) {
        ShowCheckItem(menu, kTimeLimitItems[index], Remembered().timeLimitSeconds == kTimeLimits[index]);
    }
    DrawMenuBar(mainWindow);
}

// A run in a worker process leaves the window usable: only the commands it holds
// are greyed, by their rules.
void UpdateRunningState(HWND mainWindow) {
    if (SeparateRunInProgress()) {
        UpdateCommandState(mainWindow);
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        return;
    }
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
