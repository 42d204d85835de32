// The runner's handler for the end of the process, and calling it once.
#include "process_end.h"

namespace {

NvkProcessEndHandler handler = nullptr;
bool called = false;

}  // namespace

namespace nvk {

void NotifyProcessEnd() {
    if (handler != nullptr && !called) {
        called = true;
        handler();
    }
}

}  // namespace nvk

extern "C" void NVK_CALL NvkSetProcessEndHandler(NvkProcessEndHandler newHandler) {
    nvk::WatchProcessEnd();
    handler = newHandler;
}
