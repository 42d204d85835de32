#include "foreign_module.h"

#include <stdexcept>

extern "C" {

void NVK_CALL ThrowFromForeignModule(void) { throw std::runtime_error("thrown by a module with its own runtime"); }

void NVK_CALL CatchInsideForeignModule(void) {
    try {
        ThrowFromForeignModule();
    } catch (const std::runtime_error &) {
        NvkAssert(1, __FILE__, __LINE__, nullptr);
    }
}

}  // extern "C"
