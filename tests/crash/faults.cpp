// Built without the undefined-behaviour sanitizer: these faults must reach the
// crash guard as real processor faults, not as the sanitizer's reports.
#include "faults.h"

#include <csignal>
#include <cstdlib>
#include <stdexcept>

#include "foreign_module.h"

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <signal.h>
#  include <sys/mman.h>
#endif

namespace {

volatile int sink;
int *volatile nullPointer = nullptr;
NvkTestProc volatile nullFunction = nullptr;
volatile int dividend = 7;
volatile int zero = 0;
volatile bool keepRecursing = true;

// Reserved and never made accessible: a pointer into it is as wild as one gets,
// without the risk of hitting memory that something else owns.
unsigned char *NoAccessPage() {
#if defined(_WIN32)
    static void *page = VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_NOACCESS);
#else
    static void *page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
#endif
    return static_cast<unsigned char *>(page) + 64;
}

void NVK_CALL WriteThroughNull() { *nullPointer = 1; }
void NVK_CALL ReadThroughNull() { sink = *nullPointer; }
void NVK_CALL CallNull() { nullFunction(); }
void NVK_CALL WriteThroughWildPointer() { *NoAccessPage() = 1; }
void NVK_CALL ReadThroughWildPointer() { sink = *NoAccessPage(); }
void NVK_CALL CallWildPointer() { reinterpret_cast<NvkTestProc>(NoAccessPage())(); }
void NVK_CALL DivideByZero() { sink = dividend / zero; }
void NVK_CALL ExecuteIllegalInstruction() { __builtin_trap(); }
void NVK_CALL ExecuteBreakpoint() { asm volatile("int3"); }
void NVK_CALL Abort() { std::abort(); }
void NVK_CALL ThrowStandardException() { throw std::runtime_error("thrown out of a test function"); }
void NVK_CALL ThrowInteger() { throw 42; }
// The exception ends in std::terminate, and so in abort().
void NVK_CALL ThrowThroughNoexcept() noexcept { ThrowStandardException(); }

void NVK_CALL CatchOwnException() {
    try {
        ThrowStandardException();
    } catch (const std::runtime_error &) {
        NvkAssert(1, __FILE__, __LINE__, nullptr);
    }
}

void OwnAbortHandler(int) {}

#if defined(_WIN32)
// The code and arguments a Windows C++ compiler raises for its exceptions.
void NVK_CALL RaiseForeignCppException() {
    static int thrownObject = 0;
    const ULONG_PTR arguments[] = {0x19930520, reinterpret_cast<ULONG_PTR>(&thrownObject), 0, 0};
    RaiseException(0xE06D7363, EXCEPTION_NONCONTINUABLE, sizeof(void *) == 8 ? 4 : 3, arguments);
}
void NVK_CALL RaiseCodeZero() { RaiseException(0, 0, 0, nullptr); }
void NVK_CALL RaiseContinuable() { RaiseException(0xE0001234, 0, 0, nullptr); }
void NVK_CALL RaiseNoncontinuable() { RaiseException(0xC0001234, EXCEPTION_NONCONTINUABLE, 0, nullptr); }

void NVK_CALL WriteDebugString() {
    OutputDebugStringA("a debug string raises an exception that the system handles\n");
    NvkAssert(1, __FILE__, __LINE__, nullptr);
}
#endif

void Recurse(volatile char *caller) {
    volatile char frame[1024];
    frame[0] = caller[0];
    if (keepRecursing) {
        Recurse(frame);
    }
    frame[1] = frame[0];
}

}  // namespace

std::vector<CrashKind> CrashKinds() {
    return {
        {"WriteThroughNull", &WriteThroughNull}, {"ReadThroughNull", &ReadThroughNull}, {"CallNull", &CallNull},
            {"WriteThroughWildPointer", &WriteThroughWildPointer}, {"ReadThroughWildPointer", &ReadThroughWildPointer},
            {"CallWildPointer", &CallWildPointer}, {"IntegerDivisionByZero", &DivideByZero},
            {"IllegalInstruction", &ExecuteIllegalInstruction}, {"Breakpoint", &ExecuteBreakpoint}, {"Abort", &Abort},
            {"CppException", &ThrowStandardException}, {"CppExceptionOfAnyType", &ThrowInteger},
            {"CppExceptionFromForeignModule", &ThrowFromForeignModule},
            {"CppExceptionThroughNoexcept", &ThrowThroughNoexcept},
#if defined(_WIN32)
            {"RaiseForeignCppException", &RaiseForeignCppException}, {"RaiseCodeZero", &RaiseCodeZero},
            {"RaiseContinuable", &RaiseContinuable}, {"RaiseNoncontinuable", &RaiseNoncontinuable},
#endif
    };
}

#if defined(_WIN32)
// The system handles the access violations of these probes itself.
void NVK_CALL ProbeUnreadablePointers() {
    NvkAssert(IsBadReadPtr(NoAccessPage(), 1) != 0, __FILE__, __LINE__, "readable");
    NvkAssert(IsBadWritePtr(nullptr, 1) != 0, __FILE__, __LINE__, "writable");
}
#endif

std::vector<CrashKind> HandledExceptions() {
    return {
        {"CatchOwnException", &CatchOwnException}, {"CatchInsideForeignModule", &CatchInsideForeignModule},
#if defined(_WIN32)
            {"WriteDebugString", &WriteDebugString},
#endif
    };
}

std::vector<uintptr_t> FaultHandlingState() {
    std::vector<uintptr_t> state;
#if defined(_WIN32)
    const auto abortHandler = std::signal(SIGABRT, SIG_DFL);
    std::signal(SIGABRT, abortHandler);
    state.push_back(reinterpret_cast<uintptr_t>(abortHandler));
    state.push_back(static_cast<uintptr_t>(_set_error_mode(_REPORT_ERRMODE)));
    uintptr_t exceptionList;
#  if defined(_WIN64)
    asm volatile("movq %%gs:0, %0" : "=r"(exceptionList));
#  else
    asm volatile("movl %%fs:0, %0" : "=r"(exceptionList));
#  endif
    state.push_back(exceptionList);
#else
    for (int signalNumber : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT}) {
        struct sigaction action {};
        sigaction(signalNumber, nullptr, &action);
        state.push_back(reinterpret_cast<uintptr_t>(action.sa_handler));
        state.push_back(static_cast<uintptr_t>(action.sa_flags));
    }
    stack_t stack{};
    sigaltstack(nullptr, &stack);
    state.push_back(reinterpret_cast<uintptr_t>(stack.ss_sp));
    state.push_back(stack.ss_size);
    state.push_back(static_cast<uintptr_t>(stack.ss_flags));
#endif
    return state;
}

void InstallOwnAbortHandler() { std::signal(SIGABRT, &OwnAbortHandler); }
void RemoveOwnAbortHandler() { std::signal(SIGABRT, SIG_DFL); }

void NVK_CALL OverflowStack() {
    volatile char start[1] = {0};
    Recurse(start);
}
