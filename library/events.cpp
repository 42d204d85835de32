#include "events.h"

#include "norvik.h"

namespace {

NvkEventHandler installedHandler = nullptr;
int32_t handlerLocked = 0;

}  // namespace

namespace nvk {

void RaiseEvent(int32_t code, uint32_t value, void *first, void *second) {
    if (installedHandler != nullptr) installedHandler(code, value, 0, first, second);
}

bool HasEventHandler() { return installedHandler != nullptr; }

}  // namespace nvk

extern "C" void NVK_CALL NvkSetEventHandler(NvkEventHandler handler, int32_t lock) {
    if (handlerLocked != 0 || handler == nullptr) return;
    installedHandler = handler;
    handlerLocked = lock;
}
