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

[[noreturn]] void AbandonGuardedCall(int) { siglongjmp(*landing, 1); }

// The test program's own handlers and alternate stack (a sanitizer's, say) come
// back once the call is over.
class FaultHandlers {
public:
    FaultHandlers() {
        stack_t stack{};
        stack.ss_sp = alternateStack;
        stack.ss_size = sizeof alternateStack;
        sigaltstack(&stack, &previousStack_);
        struct sigaction action {};
        action.sa_handler = &AbandonGuardedCall;
        action.sa_flags = SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        for (size_t i = 0; i < kFaultSignalCount; ++i) sigaction(kFaultSignals[i], &action, &previous_[i]);
    }
    ~FaultHandlers() {
        for (size_t i = 0; i < kFaultSignalCount; ++i) sigaction(kFaultSignals[i], &previous_[i], nullptr);
        sigaltstack(&previousStack_, nullptr);
    }
    FaultHandlers(const FaultHandlers &) = delete;
    FaultHandlers &operator=(const FaultHandlers &) = delete;

private:
    struct sigaction previous_[kFaultSignalCount];
    stack_t previousStack_;
};

bool CallCatchingExceptions(NvkTestProc function) {
    try {
        function();
    } catch (...) {
        return false;
    }
    return true;
}

}  // namespace

namespace nvk {

bool CallGuarded(NvkTestProc function) {
    FaultHandlers handlers;
    sigjmp_buf jump;
    landing = &jump;
    // The saved signal mask unblocks the signal whose handler jumped here.
    if (sigsetjmp(jump, 1) != 0) {
        landing = nullptr;
        return false;
    }
    const bool completed = CallCatchingExceptions(function);
    landing = nullptr;
    return completed;
}

}  // namespace nvk
