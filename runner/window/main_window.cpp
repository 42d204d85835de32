#include "window/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include "drawing/custom_drawing.h"
#include "norvik.h"
#include "resources/program_resources.h"
#include "resources/resource.h"
#include "rules/window_layout.h"
#include "views/failure_list.h"
#include "views/list_columns.h"
#include "views/progress_bar.h"
#include "views/result_list.h"
#include "views/tree_view.h"
#include "views/xml_view.h"
#include "window/commands.h"
#include "window/context_menu.h"
#include "window/current_test_function.h"
#include "window/dialog_setup.h"
#include "window/library_commands.h"
#include "window/remembered_state.h"
#include "window/source_opening.h"
#include "window/test_run.h"

namespace runner {
namespace {

// How often the window looks at the open library's file.
constexpr UINT_PTR kWatchTimer = 1;
constexpr UINT kWatchMilliseconds = 500;

HWND mainWindow = nullptr;
HACCEL windowAccelerators = nullptr;
ViewMode viewMode = ViewMode::List;
SIZE initialClientSize = {0, 0};

HWND Control(int id) { return GetDlgItem(mainWindow, id); }

Box ChildBox(int id) {
    RECT rect = {};
    GetWindowRect(Control(id), &rect);
    MapWindowPoints(nullptr, mainWindow, reinterpret_cast<POINT *>(&rect), 2);
    return {rect.left, rect.top, rect.right, rect.bottom};
}

void MoveTo(int id, const Box &box) {
    MoveWindow(Control(id), box.left, box.top, box.right - box.left, box.bottom - box.top, TRUE);
}

void OnSize(int width, int height) {
    if (mainWindow == nullptr) {
        return;
    }
    const MainLayout layout = ComputeMainLayout(width, height, ChildBox(IDC_TEST_TREE), ChildBox(IDM_LIST_VIEW).bottom);
    MoveTo(IDC_TEST_TREE, layout.tree);
    MoveTo(IDC_XML_VIEW, layout.xmlView);
    MoveTo(IDC_RESULT_LIST, layout.resultList);
    MoveTo(IDC_FAILURE_LIST, layout.failureList);
    MoveTo(IDC_PROGRESS, layout.progress);
    const RECT repaint = {layout.repaint.left, layout.repaint.top, layout.repaint.right, layout.repaint.bottom};
    InvalidateRect(mainWindow, &repaint, TRUE);
}

// The views ask the window; it brings the other views and the commands in line.
// While a separate run holds the registry, the sources wait: where a test's checks
// and failures are is the run's to change.
ViewContext ContextForViews() {
    ViewContext context;
    context.chooseTestFunction = MakeCurrent;
    context.showTestMenu = ShowTestContextMenu;
    context.openTestFunction = [](HWND owner, NvkTestFunction *testFunction) {
        if (!SeparateRunInProgress()) {
            OpenSourceOfTestFunction(owner, testFunction);
        }
    };
    context.openFailure = [](HWND owner, const TestResult &result, const run::Failure &failure) {
        if (!SeparateRunInProgress()) {
            OpenSourceOfFailure(owner, result, failure);
        }
    };
    context.registryHeldByRun = SeparateRunInProgress;
    context.resultOf = ShownResultOf;
    context.latestRun = ShownLatestRun;
    return context;
}

void OnInitDialog(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    initialClientSize = {client.right, client.bottom};
    mainWindow = window;
    SetUpRunnerDialog(window);
    const ViewContext views = ContextForViews();
    SetUpTestTree(Control(IDC_TEST_TREE), views);
    SetUpResultList(Control(IDC_RESULT_LIST), views);
    SetUpFailureList(Control(IDC_FAILURE_LIST), views);
    SetUpProgressBar(Control(IDC_PROGRESS), views);
    SetUpXmlView(Control(IDC_XML_VIEW));
    SetWindowTextA(window, LoadRunnerString(IDS_DISPLAY_NAME).Get());
    UpdateCommandState(window);
    OnSize(client.right, client.bottom);
    ShowRecentFiles(window);
    DragAcceptFiles(window, TRUE);
    SetTimer(window, kWatchTimer, kWatchMilliseconds, nullptr);
}

// The first file dropped opens, as if chosen with Open.
void OnDropFiles(HWND window, HDROP drop) {
    char path[MAX_PATH * 4] = "";
    const bool named = DragQueryFileA(drop, 0, path, sizeof path) != 0;
    DragFinish(drop);
    if (named && !SeparateRunInProgress() && NvkIsRunning() == 0) {
        OpenTestLibrary(window, path);
    }
}

// The window never gets smaller than it started.
void OnGetMinMaxInfo(MINMAXINFO *limits) {
    if (initialClientSize.cx == 0) {
        return;
    }
    limits->ptMinTrackSize.x = initialClientSize.cx + 2 * GetSystemMetrics(SM_CXFRAME);
    limits->ptMinTrackSize.y = initialClientSize.cy + 2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYMENU) +
                               GetSystemMetrics(SM_CYCAPTION);
}

// The message loop fetches only this window's messages, so the quit message is
// posted to the window rather than to the thread.
// A run in a worker process is stopped first; the window closes once it ended.
void OnClose(HWND window) {
    if (!CloseAfterSeparateRun()) {
        PostMessageA(window, WM_QUIT, 0, 0);
    }
}

// The dialog manager turns Enter into IDOK before a list or the tree sees it; the
// view that has the focus gets it back as its own Enter notification.
void ForwardEnterToFocusedView(HWND window) {
    const HWND focus = GetFocus();
    if (focus != Control(IDC_RESULT_LIST) && focus != Control(IDC_FAILURE_LIST) && focus != Control(IDC_TEST_TREE)) {
        return;
    }
    NMHDR header = {};
    header.hwndFrom = focus;
    header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(focus));
    header.code = NM_RETURN;
    SendMessageA(window, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

// Views see every message first; they act on their own notifications only.
bool OfferToViews(UINT message, WPARAM wParam, LPARAM lParam) {
    const bool byTree = TreeHandleMessage(message, wParam, lParam);
    const bool byResultList = ResultListHandleMessage(message, wParam, lParam);
    const bool byFailureList = FailureListHandleMessage(message, wParam, lParam);
    const bool byColumns = ColumnsHandleMessage(message, lParam);
    return byTree || byResultList || byFailureList || byColumns;
}

INT_PTR CALLBACK MainDialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (HandleRunMessage(message, lParam) || OfferToViews(message, wParam, lParam)) {
        // The dialog's result is the answer the result list left, if it left one.
        return ResultListLeftAnswer() ? TRUE : 0;
    }
    switch (message) {
    case kEraseBackgroundRequest:
        return AnswerEraseBackgroundRequest(window, reinterpret_cast<HDC>(wParam),
                                            viewMode == ViewMode::List ? IDM_LIST_VIEW : IDM_XML_VIEW);
    case WM_INITDIALOG:
        OnInitDialog(window);
        break;
    case WM_SIZE:
        OnSize(LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO *>(lParam));
        break;
    case WM_CLOSE:
        OnClose(window);
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            ForwardEnterToFocusedView(window);
        } else {
            RunCommand(window, LOWORD(wParam));
        }
        break;
    case WM_TIMER:
        if (wParam == kWatchTimer) {
            WatchTestLibrary(window);
        }
        break;
    case WM_DROPFILES:
        OnDropFiles(window, reinterpret_cast<HDROP>(wParam));
        break;
    default:
        break;
    }
    return 0;
}

}  // namespace

HWND CreateMainWindow(HACCEL accelerators) {
    windowAccelerators = accelerators;
    return CreateDialogParamA(ProgramInstance(), MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProcedure, 0);
}

void DispatchWindowMessage(MSG &message) {
    if (TranslateAcceleratorA(mainWindow, windowAccelerators, &message) || IsDialogMessageA(mainWindow, &message)) {
        return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

HWND MainWindow() { return mainWindow; }

void ShowMainWindow(int showCommand) {
    const RememberedState &remembered = Remembered();
    int show = showCommand;
    const WindowPlacementSetting &box = remembered.placement;
    const RECT normal = {box.left, box.top, box.right, box.bottom};
    // A place on a screen that is no longer there would hide the window.
    if (box.valid && MonitorFromRect(&normal, MONITOR_DEFAULTTONULL) != nullptr) {
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof placement;
        GetWindowPlacement(mainWindow, &placement);
        placement.rcNormalPosition = normal;
        placement.showCmd = SW_HIDE;
        SetWindowPlacement(mainWindow, &placement);
        if (box.maximized && (showCommand == SW_SHOWNORMAL || showCommand == SW_SHOWDEFAULT)) {
            show = SW_SHOWMAXIMIZED;
        }
    }
    if (!remembered.resultColumns.empty()) {
        SetUserColumnWidths(Control(IDC_RESULT_LIST), remembered.resultColumns);
    }
    if (!remembered.failureColumns.empty()) {
        SetUserColumnWidths(Control(IDC_FAILURE_LIST), remembered.failureColumns);
    }
    if (remembered.xmlView) {
        SwitchViewMode(ViewMode::Xml);
    }
    ShowWindow(mainWindow, show);
}

ViewMode CurrentViewMode() { return viewMode; }

void PauseViewDrawing(bool pause) {
    // Resuming a window's drawing shows it: only those shown when paused resume.
    static bool paused[3];
    const int ids[] = {IDC_TEST_TREE, IDC_RESULT_LIST, IDC_FAILURE_LIST};
    for (size_t index = 0; index < 3; ++index) {
        const HWND view = Control(ids[index]);
        if (pause) {
            paused[index] = IsWindowVisible(view) != FALSE;
            if (paused[index]) {
                SendMessageA(view, WM_SETREDRAW, FALSE, 0);
            }
        } else if (paused[index]) {
            SendMessageA(view, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(view, nullptr, TRUE);
            paused[index] = false;
        }
    }
}

void SwitchViewMode(ViewMode mode) {
    if (mode == viewMode) {
        return;
    }
    viewMode = mode;
    // The views leaving are hidden before the others are shown: shown first, the lists
    // painted while the XML view still covered them, and a strip of its text stayed
    // under their headers.
    const HWND lists[] = {Control(IDC_RESULT_LIST), Control(IDC_FAILURE_LIST)};
    const HWND xml = Control(IDC_XML_VIEW);
    if (mode == ViewMode::List) {
        ShowWindow(xml, SW_HIDE);
        for (const HWND list : lists) {
            ShowWindow(list, SW_SHOWNORMAL);
        }
    } else {
        for (const HWND list : lists) {
            ShowWindow(list, SW_HIDE);
        }
        ShowWindow(xml, SW_SHOWNORMAL);
    }
    if (mode == ViewMode::Xml) {
        XmlViewShown();
    }
    UpdateCommandState(mainWindow);
    InvalidateRect(Control(IDM_LIST_VIEW), nullptr, FALSE);
    InvalidateRect(Control(IDM_XML_VIEW), nullptr, FALSE);
    InvalidateRect(mainWindow, nullptr, TRUE);
}

}  // namespace runner
