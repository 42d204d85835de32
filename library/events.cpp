// Installing the event handler.
#include "events.h"

namespace {

int32_t handlerLocked = 0;

}  // namespace

namespace nvk {

NvkEventHandler installedEventHandler = nullptr;

}  // namespace nvk

extern "C" void NVK_CALL NvkSetEventHandler(NvkEventHandler handler, int32_t lock) {
    if (handlerLocked != 0 || handler == nullptr) {
        return;
    }
    nvk::installedEventHandler = handler;
    handlerLocked = lock;
}
