// Calls abort() from the event handler while a run has the crash guard armed:
// outside a guarded call the fault is the program's own, so the program's own
// abort handler gets it and ends the process with status 7. Had the guard taken
// it, the process would end otherwise or the run would go on.
#include <csignal>
#include <cstdlib>

#include "norvik.h"

namespace {

void OwnAbortHandler(int) { std::_Exit(7); }

void NVK_CALL AbortWhenATestStarts(int32_t code, uint32_t, intptr_t, void *, void *) {
    if (code == NvkEventTestFunctionStarted) {
        std::abort();
    }
}

void NVK_CALL Passes(void) {}

}  // namespace

int main() {
    std::signal(SIGABRT, &OwnAbortHandler);
    NvkSetEventHandler(&AbortWhenATestStarts, 1);
    NvkBatchAddFunctionImp(nullptr, "Passes", &Passes);
    NvkBatchRun(nullptr);
    return 0;
}
