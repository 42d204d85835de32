// The subclass procedures and their installation; see custom_drawing.h.
#include "drawing/custom_drawing.h"

#include <commctrl.h>

#include <cstring>

#include "drawing/control_painting.h"
#include "drawing/offscreen_drawing.h"
#include "resources/program_resources.h"
#include "resources/resource.h"
#include "rules/window_layout.h"

namespace runner {
namespace {

constexpr int kTextBufferSize = 1024;

// Loaded with the first button set up and kept until the process ends.
HIMAGELIST enabledImages = nullptr;
HIMAGELIST disabledImages = nullptr;

HIMAGELIST LoadStrip(int bitmapId) {
    // CLR_DEFAULT: the top-left pixel's colour, magenta, is transparent.
    return ImageList_LoadImageA(ProgramInstance(), MAKEINTRESOURCEA(bitmapId), 16, 0, CLR_DEFAULT, IMAGE_BITMAP,
                                LR_CREATEDIBSECTION | LR_LOADTRANSPARENT);
}

void LoadButtonImages() {
    if (enabledImages == nullptr) {
        enabledImages = LoadStrip(IDB_BUTTONS);
        disabledImages = LoadStrip(IDB_BUTTONS_DISABLED);
    }
}

WNDPROC ReplacedProcedure(HWND window) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

void Subclass(HWND window, WNDPROC procedure) {
    SetWindowLongPtrA(window, GWLP_USERDATA, GetWindowLongPtrA(window, GWLP_WNDPROC));
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
}

void PaintOwnerDrawnButton(const DRAWITEMSTRUCT &item) {
    HWND button = item.hwndItem;
    const int id = static_cast<int>(GetWindowLongPtrA(button, GWLP_ID));
    char text[kTextBufferSize] = "";
    GetWindowTextA(button, text, kTextBufferSize);
    ButtonLook look = {};
    look.item = item.rcItem;
    look.pressed = (item.itemState & ODS_SELECTED) != 0;
    look.enabled = IsWindowEnabled(button) != 0;
    look.focused = GetFocus() == button;
    look.viewTab = look::IsViewTab(id);
    look.images = look.enabled ? enabledImages : disabledImages;
    look.imageIndex = look::ButtonImageIndex(id);
    look.text = text;
    look.font = reinterpret_cast<HFONT>(SendMessageA(button, WM_GETFONT, 0, 0));
    if (look.viewTab) {
        PaintViewTab(item.hDC, look);
    } else {
        PaintPushButton(item.hDC, look);
    }
}

LRESULT CALLBACK DialogSubclassProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC replaced = ReplacedProcedure(dialog);
    switch (message) {
    case WM_ERASEBKGND:
        if (CallWindowProcA(replaced, dialog, kEraseBackgroundRequest, wParam, lParam) == 0) {
            RECT client;
            GetClientRect(dialog, &client);
            FillGradient(reinterpret_cast<HDC>(wParam), client, false);
        }
        return 1;
    case WM_DRAWITEM: {
        const auto *item = reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
        if (item->CtlType == ODT_BUTTON) {
            PaintOwnerDrawnButton(*item);
        }
        break;
    }
    case WM_CTLCOLORSTATIC:
        // No brush: static texts and check boxes are drawn over the gradient beneath.
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    default:
        break;
    }
    return CallWindowProcA(replaced, dialog, message, wParam, lParam);
}

// A button paints every pixel itself, so erasing first would only flicker.
LRESULT CALLBACK ButtonSubclassProcedure(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        return 1;
    }
    return CallWindowProcA(ReplacedProcedure(button), button, message, wParam, lParam);
}

bool IsPlainPushButton(HWND window) {
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    // Default push buttons, check boxes, radio buttons and group boxes keep their look.
    return std::strcmp(className, "Button") == 0 && (GetWindowLongPtrA(window, GWL_STYLE) & 7) == BS_PUSHBUTTON;
}

// EnumChildWindows visits every descendant, so buttons inside child windows are found too.
BOOL CALLBACK SetUpButton(HWND window, LPARAM) {
    if (!IsPlainPushButton(window)) {
        return TRUE;
    }
    LoadButtonImages();
    SetWindowLongPtrA(window, GWL_STYLE, GetWindowLongPtrA(window, GWL_STYLE) | BS_OWNERDRAW);
    if (look::IsViewTab(static_cast<int>(GetWindowLongPtrA(window, GWLP_ID)))) {
        SetWindowLongPtrA(window, GWL_EXSTYLE, GetWindowLongPtrA(window, GWL_EXSTYLE) | WS_EX_TRANSPARENT);
    }
    Subclass(window, ButtonSubclassProcedure);
    return TRUE;
}

RECT ChildRectangle(HWND parent, int id) {
    RECT rect = {};
    GetWindowRect(GetDlgItem(parent, id), &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT *>(&rect), 2);
    return rect;
}

}  // namespace

void InstallCustomDrawing(HWND dialog) {
    // Subclassing twice would make the procedure forward to itself.
    if (GetWindowLongPtrA(dialog, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(DialogSubclassProcedure)) {
        return;
    }
    Subclass(dialog, DialogSubclassProcedure);
    EnumChildWindows(dialog, SetUpButton, 0);
}

INT_PTR AnswerEraseBackgroundRequest(HWND mainWindow, HDC dc, int activeTabId) {
    MainBackground background = {};
    GetClientRect(mainWindow, &background.client);
    background.tree = ChildRectangle(mainWindow, IDC_TEST_TREE);
    background.tree.bottom = background.client.bottom;
    background.activeTab = ChildRectangle(mainWindow, activeTabId);
    const int tabBottom = ChildRectangle(mainWindow, IDM_LIST_VIEW).bottom;
    background.pane =
        RectOf(PaneBox(background.client.right, background.client.bottom, BoxOf(background.tree), tabBottom));
    PaintMainBackground(dc, background);
    SetWindowLongPtrA(mainWindow, DWLP_MSGRESULT, 1);
    return TRUE;
}

}  // namespace runner
