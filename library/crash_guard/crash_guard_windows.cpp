// Structured exception handling around user code. Only what no frame of the
// user code handled reaches the guard's own frame, so exceptions a test catches
// itself stay its own business.
#include <windows.h>

#include <malloc.h>
#include <stdlib.h>

#include <csignal>
#include <cstdint>

#include "crash_facts.h"
#include "crash_guard.h"

namespace {

// abort(), and std::terminate which ends in it, reports through the C runtime's
// SIGABRT handler; turned into an exception it reaches the frame guard like any
// other fault. This is how a C++ exception that DWARF unwinding cannot carry out
// of a module with its own runtime ends up. The runtime's abort message goes to
// standard error meanwhile: in a GUI program it would be a modal message box that
// holds up the run before the handler is even called. A run sets both up once
// for all its calls, as setting them up around each call cost more than the
// rest of the guard.
constexpr DWORD kAbortException = 0xE0000000 | 0x4E564B;  // customer bit, "NVK"

bool armed = false;
bool inGuardedCall = false;
// The thread that armed the guard, whose faults the guarded calls catch; another thread's
// reach the process's last filter, which names the test before the process ends.
DWORD armingThread = 0;
LPTOP_LEVEL_EXCEPTION_FILTER programFilter = nullptr;
nvk::LastChance lastChance = {nullptr, nullptr};

struct AbortHandling {
    void(__cdecl *handler)(int);
    int errorMode;
};
AbortHandling programAbortHandling;

void RestoreProgramAbortHandling() {
    if (programAbortHandling.errorMode >= 0) {
        _set_error_mode(programAbortHandling.errorMode);
    }
    if (programAbortHandling.handler != SIG_ERR) {
        std::signal(SIGABRT, programAbortHandling.handler);
    }
}

// An abort() outside a guarded call (in an event handler, say) is the program's
// own: its handling gets it, as if the guard were not armed.
void __cdecl RaiseAbortException(int signal) {
    if (inGuardedCall) {
        RaiseException(kAbortException, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    }
    RestoreProgramAbortHandling();
    SetUnhandledExceptionFilter(programFilter);
    armed = false;
    raise(signal);
}

// What the exception said, copied as it comes: the guarded call describes it once
// it is back on its own stack, which a stack overflow leaves nearly no room on.
struct Fault {
    DWORD code;
    uintptr_t instruction;
    DWORD parameterCount;
    uintptr_t parameters[2];
};
Fault lastFault;
char crashDetails[nvk::kCrashDetailsSize];

Fault FaultOf(const EXCEPTION_RECORD *record) {
    Fault fault{};
    fault.code = record->ExceptionCode;
    fault.instruction = reinterpret_cast<uintptr_t>(record->ExceptionAddress);
    fault.parameterCount = record->NumberParameters;
    for (DWORD i = 0; i < 2; ++i) {
        fault.parameters[i] = i < record->NumberParameters ? record->ExceptionInformation[i] : 0;
    }
    return fault;
}

void RememberFault(const EXCEPTION_RECORD *record) { lastFault = FaultOf(record); }

// An access violation says what it tried (0 read, 1 write, 8 execute) and where.
nvk::FaultAccess AccessOf(const Fault &fault) {
    if ((fault.code != EXCEPTION_ACCESS_VIOLATION && fault.code != EXCEPTION_IN_PAGE_ERROR) ||
        fault.parameterCount < 2) {
        return nvk::FaultAccess::None;
    }
    switch (fault.parameters[0]) {
    case 0:
        return nvk::FaultAccess::Read;
    case 1:
        return nvk::FaultAccess::Write;
    case 8:
        return nvk::FaultAccess::Execute;
    default:
        return nvk::FaultAccess::Unknown;
    }
}

// The file name of the module that holds the address, in UTF-8; NULL when none does.
// Asked for address 0, the system names the program's own module.
const char *ModuleNameAt(uintptr_t address, uintptr_t *base) {
    static wchar_t path[MAX_PATH];
    static char name[MAX_PATH * 3];
    HMODULE module = nullptr;
    if (address == 0 ||
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(address), &module) == 0 ||
        address < reinterpret_cast<uintptr_t>(module)) {
        return nullptr;
    }
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    const wchar_t *fileName = path;
    for (const wchar_t *character = path; *character != L'\0'; ++character) {
        if (*character == L'\\' || *character == L'/') {
            fileName = character + 1;
        }
    }
    if (WideCharToMultiByte(CP_UTF8, 0, fileName, -1, name, sizeof name, nullptr, nullptr) == 0) {
        return nullptr;
    }
    *base = reinterpret_cast<uintptr_t>(module);
    return name;
}

void DescribeFault(const Fault &fault, char (&text)[nvk::kCrashDetailsSize]) {
    nvk::CrashFacts facts;
    facts.code = fault.code;
    facts.placeKnown = true;
    facts.place = fault.instruction;
    uintptr_t base = 0;
    facts.module = ModuleNameAt(fault.instruction, &base);
    if (facts.module != nullptr) {
        facts.place -= base;
    }
    facts.access = AccessOf(fault);
    facts.accessAddress = fault.parameters[1];
    nvk::FormatCrashFacts(facts, text);
}

// True when it named the test.
bool TellLastChance(const Fault &fault) {
    char running[256];
    if (lastChance.nameRunning == nullptr || !lastChance.nameRunning(running, sizeof running)) {
        return false;
    }
    char details[nvk::kCrashDetailsSize];
    char line[nvk::kCrashDetailsSize];
    DescribeFault(fault, details);
    nvk::FormatLastChance(running, details, line);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, static_cast<DWORD>(lstrlenA(line)), &written, nullptr);
    if (lastChance.ending != nullptr) {
        lastChance.ending();
    }
    return true;
}

// The process's last filter while the guard is armed. The run's own thread is left to the
// program's filter, as a fault outside a guarded call is the program's own. A crash of a
// test's thread, once named, ends the process with its code, unless the program's filter
// handles it: a debugger started for it (as Wine starts one) would hold up the run.
LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS *exception) {
    const bool named = GetCurrentThreadId() != armingThread && TellLastChance(FaultOf(exception->ExceptionRecord));
    const LONG result = programFilter != nullptr ? programFilter(exception) : EXCEPTION_CONTINUE_SEARCH;
    return named && result == EXCEPTION_CONTINUE_SEARCH ? EXCEPTION_EXECUTE_HANDLER : result;
}

#if defined(_MSC_VER)

bool CallUnderFrameGuard(NvkTestProc function, DWORD *exceptionCode) {
    __try {
        function();
    } __except (RememberFault(GetExceptionInformation()->ExceptionRecord), EXCEPTION_EXECUTE_HANDLER) {
        *exceptionCode = GetExceptionCode();
        return false;
    }
    return true;
}

#else  // GCC has no __try: the guard registers its own frame handler.

// Where an abandoned call resumes. The handler jumps straight back instead of
// unwinding: the frames in between belong to code that just faulted, and a stack
// overflow leaves no room for running their clean-ups.
struct Landing {
    void *jump[5];
    DWORD exceptionCode;
};
Landing *landing = nullptr;

}  // namespace

extern "C" EXCEPTION_DISPOSITION NTAPI nvkFrameGuardHandler(EXCEPTION_RECORD *record, void *, CONTEXT *, void *) {
    if ((record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0) {
        return ExceptionContinueSearch;
    }
    landing->exceptionCode = record->ExceptionCode;
    RememberFault(record);
    __builtin_longjmp(landing->jump, 1);
}

namespace {

// The dispatcher chains records of its own into the thread's exception list
// while it calls a handler (Wine does so in 64-bit processes too), and the jump
// out of the handler leaves them there, pointing into abandoned frames.
EXCEPTION_REGISTRATION_RECORD *ExceptionList() {
    EXCEPTION_REGISTRATION_RECORD *list;
#  if defined(__x86_64__)
    asm volatile("movq %%gs:0, %0" : "=r"(list));
#  else
    asm volatile("movl %%fs:0, %0" : "=r"(list));
#  endif
    return list;
}

void SetExceptionList(EXCEPTION_REGISTRATION_RECORD *list) {
#  if defined(__x86_64__)
    asm volatile("movq %0, %%gs:0" : : "r"(list) : "memory");
#  else
    asm volatile("movl %0, %%fs:0" : : "r"(list) : "memory");
#  endif
}

#  if defined(__x86_64__)

// The handler of a 64-bit frame lives in the unwind data, which only assembly can
// give a GCC function. The nop keeps the return address out of the epilogue, where
// the dispatcher would not call the handler.
asm(R"(
    .text
    .p2align 4
    .def nvkCallWithFrameHandler; .scl 3; .type 32; .endef
nvkCallWithFrameHandler:
    .seh_proc nvkCallWithFrameHandler
    .seh_handler nvkFrameGuardHandler, @except
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    call *%rcx
    nop
    addq $40, %rsp
    ret
    .seh_endproc
)");
extern "C" void nvkCallWithFrameHandler(NvkTestProc function);

#  else  // 32-bit: a registration record on the stack, chained from FS:[0].

void nvkCallWithFrameHandler(NvkTestProc function) {
    EXCEPTION_REGISTRATION_RECORD record;
    record.Next = ExceptionList();
    record.Handler = &nvkFrameGuardHandler;
    SetExceptionList(&record);
    function();
    SetExceptionList(record.Next);
}

#  endif

bool CallUnderFrameGuard(NvkTestProc function, DWORD *exceptionCode) {
    Landing here;
    EXCEPTION_REGISTRATION_RECORD *const exceptionList = ExceptionList();
    landing = &here;
    if (__builtin_setjmp(here.jump) != 0) {
        landing = nullptr;
        SetExceptionList(exceptionList);
        *exceptionCode = here.exceptionCode;
        return false;
    }
    nvkCallWithFrameHandler(function);
    landing = nullptr;
    return true;
}

#endif

}  // namespace

namespace nvk {

void ArmCrashGuard() {
    if (armed) {
        return;
    }
    programAbortHandling = {std::signal(SIGABRT, &RaiseAbortException), _set_error_mode(_OUT_TO_STDERR)};
    armingThread = GetCurrentThreadId();
    programFilter = SetUnhandledExceptionFilter(&OnUnhandledException);
    armed = true;
}

void DisarmCrashGuard() {
    if (!armed) {
        return;
    }
    RestoreProgramAbortHandling();
    SetUnhandledExceptionFilter(programFilter);
    armed = false;
}

// Frame handlers cost nothing until an exception comes.
bool CallGuarded(NvkTestProc function) {
    const bool armedHere = !armed;
    ArmCrashGuard();
    DWORD exceptionCode = 0;
    const bool outerCall = inGuardedCall;
    inGuardedCall = true;
    const bool completed = CallUnderFrameGuard(function, &exceptionCode);
    inGuardedCall = outerCall;
    if (!completed) {
        // The overflow used up the guard page; without a new one the next overflow
        // would end the process.
        if (exceptionCode == EXCEPTION_STACK_OVERFLOW) {
            _resetstkoflw();
        }
        DescribeFault(lastFault, crashDetails);
        // The C runtime puts back the default before it calls an abort handler.
        std::signal(SIGABRT, &RaiseAbortException);
    }
    if (armedHere) {
        DisarmCrashGuard();
    }
    return completed;
}

const char *LastCrashDetails() { return crashDetails; }

void SetLastChance(const LastChance &handlers) { lastChance = handlers; }

}  // namespace nvk
