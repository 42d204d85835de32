/* A test DLL that the loader refuses: its initialisation reports failure. */
#include <windows.h>

#include "norvik_test.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    return reason != DLL_PROCESS_ATTACH;
}

NVK_TEST_LIBRARY_ENTRY { NvkBatchCreate("NeverRegistered"); }
