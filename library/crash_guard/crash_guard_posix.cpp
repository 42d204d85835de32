// Faults arrive as signals, which jump back to the guarded call; C++ exceptions
// are caught on their way out of it.
#include <signal.h>

#include <csetjmp>
#include <cstddef>

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
// own: its handler gets it, as if the guard were not armed.
void OnFaultSignal(int signal, siginfo_t *info, void *) {
    if (landing != nullptr) {
        siglongjmp(*landing, 1);
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
        return false;
    }
    return true;
}

bool CallWithLanding(NvkTestProc function) {
    sigjmp_buf jump;
    landing = &jump;
    bool completed = false;
    if (sigsetjmp(jump, 0) == 0) {
        completed = CallCatchingExceptions(function);
    }
    landing = nullptr;
    return completed;
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

}  // namespace nvk
