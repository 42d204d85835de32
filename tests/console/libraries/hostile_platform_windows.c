/* The hostile tests' doings on Windows. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "hostile_platform.h"

void HostileEndProcess(int code) { ExitProcess((UINT)code); }

int HostileChangeFolder(void) {
    char folder[MAX_PATH];
    char name[MAX_PATH];
    return GetTempPathA(MAX_PATH, folder) != 0 && GetTempFileNameA(folder, "nvk", 0, name) != 0 && DeleteFileA(name) &&
           CreateDirectoryA(name, NULL) && SetCurrentDirectoryA(name);
}

void HostileSleepForever(void) { Sleep(INFINITE); }

void HostileLockOutput(void) { _lock_file(stdout); }

void HostileCloseEveryHandle(void) {
    uintptr_t value;
    for (value = 4; value <= 0x4000; value += 4) {
        CloseHandle((HANDLE)value);
    }
}

/* Windows hands no handle to a child that is not asked for: none can hold the
 * runner's pipes. */
int HostileLeaveAChild(void) { return 1; }

int HostileInWorker(void) { return strstr(GetCommandLineA(), "--worker-channel") != NULL; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    char unload[16];
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_DETACH && GetEnvironmentVariableA("NORVIK_HOSTILE_UNLOAD", unload, sizeof unload) != 0 &&
        strcmp(unload, "hang") == 0) {
        HostileSleepForever();
    }
    return TRUE;
}
