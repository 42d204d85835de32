// Windows tells a DLL that the process ends, whatever ended it, as it detaches it.
#include <windows.h>

#include "process_end.h"

namespace nvk {

void WatchProcessEnd() {}

}  // namespace nvk

// A reserved argument that is not NULL means the process ends, rather than a
// FreeLibrary of this DLL.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved != nullptr) {
        nvk::NotifyProcessEnd();
    }
    return TRUE;
}
