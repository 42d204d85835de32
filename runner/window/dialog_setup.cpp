#include "window/dialog_setup.h"

#include "drawing/custom_drawing.h"
#include "drawing/owned_handles.h"
#include "resources/program_resources.h"
#include "resources/resource.h"

namespace runner {
namespace {

constexpr int kPointSize = 8;

OwnedFont dialogFont;
OwnedFont reportFont;

// An 8-point font for the screen; NULL when the screen cannot be asked, and the
// controls keep their template font.
HFONT CreateScreenFont(const char *face) {
    const HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return nullptr;
    }
    const int previousMode = SetMapMode(screen, MM_TEXT);
    const int height = -MulDiv(kPointSize, GetDeviceCaps(screen, LOGPIXELSY), 72);
    SetMapMode(screen, previousMode);
    ReleaseDC(nullptr, screen);
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, face);
}

HFONT FontOnFirstNeed(OwnedFont &font, const char *face) {
    if (font.Get() == nullptr) {
        font = OwnedFont(CreateScreenFont(face));
    }
    return font.Get();
}

void SetFont(HWND window, HFONT font) {
    if (font != nullptr) {
        SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

BOOL CALLBACK GiveFont(HWND child, LPARAM) {
    const bool isXmlView = GetDlgCtrlID(child) == IDC_XML_VIEW;
    SetFont(child, isXmlView ? FontOnFirstNeed(reportFont, "Courier New") : FontOnFirstNeed(dialogFont, "Verdana"));
    return TRUE;
}

}  // namespace

void SetUpRunnerDialog(HWND dialog) {
    SetFont(dialog, FontOnFirstNeed(dialogFont, "Verdana"));
    SetClassLongPtrA(dialog, GCLP_HICON,
                     reinterpret_cast<LONG_PTR>(LoadIconA(ProgramInstance(), MAKEINTRESOURCEA(IDI_PROGRAM))));
    // Every descendant, children of children included.
    EnumChildWindows(dialog, GiveFont, 0);
    InstallCustomDrawing(dialog);
}

void DeleteRunnerFonts() {
    dialogFont.Reset();
    reportFont.Reset();
}

}  // namespace runner
