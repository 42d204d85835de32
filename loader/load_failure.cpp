#include "load_failure.h"

#include "load_failure_texts.h"

namespace loader {

const char *LoadFailureText(LoadFailure failure) {
    switch (failure) {
    case LoadFailure::None:
        return "";
    case LoadFailure::CannotRead:
        return TEXT_CANNOT_READ;
    case LoadFailure::CannotMap:
        return TEXT_CANNOT_MAP;
    case LoadFailure::UnknownFormat:
        return TEXT_UNKNOWN_FORMAT;
    case LoadFailure::Needs64BitRunner:
        return TEXT_NEEDS_64_BIT_RUNNER;
    case LoadFailure::Needs32BitRunner:
        return TEXT_NEEDS_32_BIT_RUNNER;
    case LoadFailure::CannotLoad:
        return TEXT_CANNOT_LOAD;
    case LoadFailure::NoEntryPoint:
        return TEXT_NO_ENTRY_POINT;
    case LoadFailure::NoTests:
        return TEXT_NO_TESTS;
    }
    return "";
}

}  // namespace loader
