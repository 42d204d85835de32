#include "window/context_menu.h"

#include "drawing/owned_handles.h"
#include "norvik.h"
#include "resources/program_resources.h"
#include "resources/resource.h"
#include "window/current_test_function.h"

namespace runner {
namespace {

void AppendCommand(HMENU menu, UINT commandId, unsigned textId) {
    AppendMenuA(menu, MF_STRING, commandId, LoadRunnerString(textId).OrEmpty());
}

}  // namespace

void ShowTestContextMenu(HWND owner) {
    const OwnedMenu menu(CreatePopupMenu());
    if (menu.Get() == nullptr) {
        return;
    }
    if (CurrentTestFunction() != nullptr) {
        AppendCommand(menu.Get(), IDM_RUN_TEST_FUNCTION, IDS_RUN_TEST_FUNCTION_MENU);
    }
    if (AvailableBatch() != nullptr) {
        AppendCommand(menu.Get(), IDM_RUN_BATCH, IDS_RUN_BATCH_MENU);
        // Offered under the same rule as its menu item, whose state is at hand.
        const UINT failedState = GetMenuState(GetMenu(owner), IDM_RUN_FAILED, MF_BYCOMMAND);
        if (failedState != static_cast<UINT>(-1) && (failedState & MF_GRAYED) == 0) {
            AppendCommand(menu.Get(), IDM_RUN_FAILED, IDS_RUN_FAILED_MENU);
        }
    }
    POINT cursor = {};
    GetCursorPos(&cursor);
    TrackPopupMenu(menu.Get(), 0, cursor.x, cursor.y, 0, owner, nullptr);
}

}  // namespace runner
