/* What the startup object of MSVC's C runtime gives a DLL, written out because this
 * machine has no such runtime: the bounds of the table of initializers, and the entry
 * point that runs them as the DLL attaches. Declared tests in C rely on that table. */
#include <windows.h>
#include <stdint.h>

typedef void(__cdecl *Initializer)(void);

#pragma section(".CRT$XCA", read)
#pragma section(".CRT$XCZ", read)
__declspec(allocate(".CRT$XCA")) const Initializer nvkFirstInitializer = 0;
__declspec(allocate(".CRT$XCZ")) const Initializer nvkLastInitializer = 0;

/* The compiler names this symbol in every object that uses floating point. */
int _fltused = 0x9875;

BOOL WINAPI _DllMainCRTStartup(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        /* The linker may pad the table with zeros; the bounds are distinct objects, so
         * their addresses are compared as numbers. */
        uintptr_t each = (uintptr_t)&nvkFirstInitializer + sizeof(Initializer);
        for (; each < (uintptr_t)&nvkLastInitializer; each += sizeof(Initializer)) {
            Initializer initializer = *(const Initializer *)each;
            if (initializer != 0)
                initializer();
        }
    }
    return TRUE;
}
