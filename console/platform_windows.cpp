#include <windows.h>

#include "platform.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#  define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace console {
namespace {

HANDLE testThread = nullptr;

DWORD64 InstructionPointer(const CONTEXT &context) {
#if defined(_M_X64) || defined(__x86_64__)
    return context.Rip;
#elif defined(_M_IX86) || defined(__i386__)
    return context.Eip;
#elif defined(_M_ARM64) || defined(__aarch64__)
    return context.Pc;
#else
    return 0;
#endif
}

bool InLibrary(DWORD64 address, const std::string &libraryPath) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(address)), &module)) {
        return false;
    }
    char name[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(module, name, sizeof name);
    return (length > 0 && length < sizeof name && lstrcmpiA(name, libraryPath.c_str()) == 0) ||
           module == GetModuleHandleA(libraryPath.c_str());
}

}  // namespace

const char kProgramName[] = "NorvikRun";

// A redirected output has no console mode; a console takes colour codes only once
// asked to.
bool PrepareColourTerminal() {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (output == INVALID_HANDLE_VALUE || !GetConsoleMode(output, &mode)) {
        return false;
    }
    return SetConsoleMode(output, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

void RememberTestThread() {
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &testThread,
                    THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_QUERY_INFORMATION, FALSE, 0);
}

bool PauseTestThreadInLibrary(const std::string &libraryPath) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (SuspendThread(testThread) == static_cast<DWORD>(-1)) {
            return false;
        }
        CONTEXT context = {};
        context.ContextFlags = CONTEXT_CONTROL;
        if (GetThreadContext(testThread, &context) && InLibrary(InstructionPointer(context), libraryPath)) {
            return true;
        }
        ResumeThread(testThread);
        Sleep(10);
    }
    return false;
}

void EndProcessNow(int exitCode) {
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
    ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace console
