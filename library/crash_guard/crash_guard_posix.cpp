// Faults arrive as signals, which jump back to the guarded call; C++ exceptions
// are caught on their way out of it.
#include <cxxabi.h>
#include <dlfcn.h>
#include <pthread.h>
#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include <csetjmp>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <typeinfo>

#include "crash_facts.h"
#include "crash_guard.h"

namespace {

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT};
constexpr size_t kFaultSignalCount = sizeof kFaultSignals / sizeof kFaultSignals[0];

// A stack overflow leaves the thread's own stack unusable, so the handlers run on
// this one. It is generous because the sanitizers' interceptors of the jump out
// run on it too.
constexpr size_t kAlternateStackSize = 256 * 1024;
alignas(16) char alternateStack[kAlternateStackSize];

sigjmp_buf *landing = nullptr;
// The thread that armed the guard, which makes every guarded call while it is armed (runs
// are not nested): a fault on another thread must never jump onto its stack.
pthread_t armingThread;
nvk::LastChance lastChance = {nullptr, nullptr};

// What the handler saw, kept as plain numbers: it only stores them, and the guarded
// call describes them once it is back on its own stack.
struct Fault {
    int signal;
    int code;
    uintptr_t address;
    uintptr_t instruction;
    bool instructionKnown;
    // The processor's page-fault error code, where the system hands it over.
    uintptr_t errorCode;
    bool errorCodeKnown;
};
Fault lastFault;
char crashDetails[nvk::kCrashDetailsSize];

Fault FaultOf(int signal, const siginfo_t *info, const void *context) {
    Fault fault{signal, info->si_code, reinterpret_cast<uintptr_t>(info->si_addr), 0, false, 0, false};
#if defined(__x86_64__) || defined(__i386__)
    const mcontext_t &machine = static_cast<const ucontext_t *>(context)->uc_mcontext;
#  if defined(__x86_64__)
    fault.instruction = static_cast<uintptr_t>(machine.gregs[REG_RIP]);
#  else
    fault.instruction = static_cast<uintptr_t>(machine.gregs[REG_EIP]);
#  endif
    fault.instructionKnown = true;
    constexpr greg_t kPageFault = 14;
    fault.errorCode = static_cast<uintptr_t>(machine.gregs[REG_ERR]);
    fault.errorCodeKnown = machine.gregs[REG_TRAPNO] == kPageFault;
#else
    (void)context;
#endif
    return fault;
}

// Only a page fault names the address it touched; the error code tells a write
// (bit 1) and an instruction fetch (bit 4) from a read.
nvk::FaultAccess AccessOf(const Fault &fault) {
    if (fault.signal != SIGSEGV || (fault.code != SEGV_MAPERR && fault.code != SEGV_ACCERR)) {
        return nvk::FaultAccess::None;
    }
    if (!fault.errorCodeKnown) {
        return nvk::FaultAccess::Unknown;
    }
    if ((fault.errorCode & 0x10) != 0) {
        return nvk::FaultAccess::Execute;
    }
    return (fault.errorCode & 0x2) != 0 ? nvk::FaultAccess::Write : nvk::FaultAccess::Read;
}

const char *FileNameOf(const char *path) {
    const char *slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

void DescribeFault(const Fault &fault, char (&text)[nvk::kCrashDetailsSize]) {
    nvk::CrashFacts facts;
    facts.signal = true;
    facts.code = static_cast<uint32_t>(fault.signal);
    facts.placeKnown = fault.instructionKnown;
    facts.place = fault.instruction;
    Dl_info module{};
    if (fault.instructionKnown && dladdr(reinterpret_cast<void *>(fault.instruction), &module) != 0 &&
        module.dli_fname != nullptr && module.dli_fname[0] != '\0') {
        facts.module = FileNameOf(module.dli_fname);
        facts.place = fault.instruction - reinterpret_cast<uintptr_t>(module.dli_fbase);
    }
    facts.access = AccessOf(fault);
    facts.accessAddress = fault.address;
    nvk::FormatCrashFacts(facts, text);
}

// On the faulting thread, in its signal handler: what is written takes no heap.
void TellLastChance(const Fault &fault) {
    char running[256];
    if (lastChance.nameRunning == nullptr || !lastChance.nameRunning(running, sizeof running)) {
        return;
    }
    char details[nvk::kCrashDetailsSize];
    char line[nvk::kCrashDetailsSize];
    DescribeFault(fault, details);
    nvk::FormatLastChance(running, details, line);
    for (size_t written = 0, length = std::strlen(line); written < length;) {
        const ssize_t now = write(STDERR_FILENO, line + written, length - written);
        if (now <= 0) {
            break;
        }
        written += static_cast<size_t>(now);
    }
    if (lastChance.ending != nullptr) {
        lastChance.ending();
    }
}

// The exception's type as the source spells it, and what a standard exception says.
void DescribeCurrentException() {
    const std::type_info *type = abi::__cxa_current_exception_type();
    const char *what = nullptr;
    try {
        throw;
    } catch (const std::exception &exception) {
        type = &typeid(exception);
        what = exception.what();
    } catch (...) {
    }
    int status = 0;
    char *readable = type != nullptr ? abi::__cxa_demangle(type->name(), nullptr, nullptr, &status) : nullptr;
    nvk::FormatCppException(readable != nullptr ? readable : (type != nullptr ? type->name() : nullptr), what,
                            crashDetails);
    std::free(readable);
}

struct SavedHandling {
    struct sigaction actions[kFaultSignalCount];
    stack_t stack;
};
SavedHandling programHandling;
bool armed = false;

void RestoreProgramHandler(int signal) {
    for (size_t i = 0; i < kFaultSignalCount; ++i) {
        if (kFaultSignals[i] == signal) {
            sigaction(signal, &programHandling.actions[i], nullptr);
        }
    }
}

// A fault outside a guarded call (in an event handler, say) is the program's
// own: its handler gets it, as if the guard were not armed. One on a thread that a
// test started is named first, as nothing can catch it.
void OnFaultSignal(int signal, siginfo_t *info, void *context) {
    const pthread_t self = pthread_self();
    if (landing != nullptr && pthread_equal(self, armingThread)) {
        lastFault = FaultOf(signal, info, context);
        siglongjmp(*landing, 1);
    }
    if (!pthread_equal(self, armingThread)) {
        TellLastChance(FaultOf(signal, info, context));
    }
    RestoreProgramHandler(signal);
    // A fault of the processor happens again on return; a sent signal must be resent.
    if (info->si_code <= 0) {
        raise(signal);
    }
}

void InstallFaultHandlers() {
    stack_t stack{};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    sigaltstack(&stack, &programHandling.stack);
    struct sigaction action {};
    action.sa_sigaction = &OnFaultSignal;
    // No deferring: the jump out of the handler then leaves the signal mask as it
    // was, without the cost of saving and restoring it on every call.
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < kFaultSignalCount; ++i) {
        sigaction(kFaultSignals[i], &action, &programHandling.actions[i]);
    }
}

void RestoreProgramHandling() {
    for (size_t i = 0; i < kFaultSignalCount; ++i) {
        sigaction(kFaultSignals[i], &programHandling.actions[i], nullptr);
    }
    sigaltstack(&programHandling.stack, nullptr);
}

bool CallCatchingExceptions(NvkTestProc function) {
    try {
        function();
    } catch (...) {
        DescribeCurrentException();
        return false;
    }
    return true;
}

bool CallWithLanding(NvkTestProc function) {
    sigjmp_buf jump;
    landing = &jump;
    if (sigsetjmp(jump, 0) == 0) {
        const bool completed = CallCatchingExceptions(function);
        landing = nullptr;
        return completed;
    }
    landing = nullptr;
    DescribeFault(lastFault, crashDetails);
    return false;
}

// Kept out of line, so that arming and disarming take nothing from the calls
// of a run, which find the guard armed.
__attribute__((noinline)) bool CallArmedForItself(NvkTestProc function) {
    nvk::ArmCrashGuard();
    const bool completed = CallWithLanding(function);
    nvk::DisarmCrashGuard();
    return completed;
}

}  // namespace

namespace nvk {

void ArmCrashGuard() {
    if (armed) {
        return;
    }
    armingThread = pthread_self();
    InstallFaultHandlers();
    armed = true;
}

void DisarmCrashGuard() {
    if (!armed) {
        return;
    }
    RestoreProgramHandling();
    armed = false;
}

bool CallGuarded(NvkTestProc function) {
    if (!armed) {
        return CallArmedForItself(function);
    }
    return CallWithLanding(function);
}

const char *LastCrashDetails() { return crashDetails; }

void SetLastChance(const LastChance &handlers) { lastChance = handlers; }

}  // namespace nvk
