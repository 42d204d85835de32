// A module with its own copy of the C++ runtime, as a user's test DLL has.
#pragma once

#include "norvik.h"

#if defined(_WIN32)
#  if defined(FOREIGN_MODULE_BUILDING)
#    define FOREIGN_MODULE_API __declspec(dllexport)
#  else
#    define FOREIGN_MODULE_API __declspec(dllimport)
#  endif
#else
#  define FOREIGN_MODULE_API __attribute__((visibility("default")))
#endif

extern "C" {
FOREIGN_MODULE_API void NVK_CALL ThrowFromForeignModule(void);
// Throws and catches inside the module, then records one passed assertion.
FOREIGN_MODULE_API void NVK_CALL CatchInsideForeignModule(void);
}
